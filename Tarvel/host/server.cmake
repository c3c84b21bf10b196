# The COM class, the server module and the server window.
add_library(tarvel_host STATIC
  LMImpl.cpp
  cWin.cpp
  server.cpp
  channel_calls.cpp)
target_include_directories(tarvel_host PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tarvel_host PUBLIC tarvel_idl tarvel_engine tarvel_shell com forms)
if(TARGET tarvel_channels)
  target_link_libraries(tarvel_host PUBLIC tarvel_channels)
endif()
