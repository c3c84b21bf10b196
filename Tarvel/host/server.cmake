# The COM class, the server module and the server window.
add_library(tarvel_host STATIC
  LMImpl.cpp
  cWin.cpp
  own_class.cpp
  server.cpp)
target_include_directories(tarvel_host PUBLIC ${PROJECT_SOURCE_DIR})
# The model set's channel operations live in the channel library.
target_link_libraries(tarvel_host PUBLIC tarvel_idl tarvel_channels tarvel_engine tarvel_shell com forms)
