# IDL -> type library + C/C++ header + interface ids, with widl.
#   add_idl(<target> <file.idl>)
# makes an INTERFACE library <target> whose users see "<base>.h" (declarations) and link the
# interface and class ids; the type library path is kept in the target property TYPELIB.
#   embed_typelib(<module> <idl-target>)
# puts that type library into <module> as resource TYPELIB 1, where LoadTypeLib finds it.
find_program(WIDL NAMES i686-w64-mingw32-widl widl REQUIRED)
set(WIDL_IMPORT_DIR /usr/include/wine/wine/windows CACHE PATH "widl's oaidl.idl and friends")
set(WIDL_TLB_DIR /usr/lib/i386-linux-gnu/wine/i386-windows CACHE PATH "stdole2.tlb for importlib")

function(add_idl target idl)
  get_filename_component(idl "${idl}" ABSOLUTE)
  get_filename_component(base "${idl}" NAME_WE)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/idl_${target}")
  file(MAKE_DIRECTORY "${out}")
  add_custom_command(
    OUTPUT "${out}/${base}.h" "${out}/${base}_i.c" "${out}/${base}.tlb"
    COMMAND ${WIDL} -I${WIDL_IMPORT_DIR} -L${WIDL_TLB_DIR} -m32 --win32
            -h -H "${out}/${base}.h" -u -U "${out}/${base}_i.c" -t -T "${out}/${base}.tlb" "${idl}"
    DEPENDS "${idl}"
    COMMENT "widl ${base}.idl"
    VERBATIM)
  add_custom_target(${target}_gen DEPENDS "${out}/${base}.h" "${out}/${base}_i.c" "${out}/${base}.tlb")
  add_library(${target}_ids STATIC "${out}/${base}_i.c")
  add_dependencies(${target}_ids ${target}_gen)
  add_library(${target} INTERFACE)
  target_include_directories(${target} INTERFACE "${out}")
  target_link_libraries(${target} INTERFACE ${target}_ids ole32 oleaut32 uuid)
  add_dependencies(${target} ${target}_gen)
  set_target_properties(${target} PROPERTIES INTERFACE_TYPELIB "${out}/${base}.tlb")
endfunction()

function(embed_typelib module idl_target)
  get_target_property(tlb ${idl_target} INTERFACE_TYPELIB)
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${module}_typelib.rc")
  file(WRITE "${rc}.in" "1 TYPELIB \"${tlb}\"\n")
  configure_file("${rc}.in" "${rc}" COPYONLY)
  set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${tlb}")
  target_sources(${module} PRIVATE "${rc}")
  target_link_libraries(${module} PRIVATE ${idl_target})
endfunction()

# An in-process COM server DLL: no "lib" prefix, exports from a .def file whose plain names the
# linker binds to the stdcall-decorated functions.
function(com_dll target def)
  set_target_properties(${target} PROPERTIES PREFIX "")
  target_sources(${target} PRIVATE ${def})
  target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
endfunction()
