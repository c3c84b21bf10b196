# The fast shared-memory channels: the model set's channel operations and the servers behind them.
add_library(tarvel_channels STATIC modelset_channels.cpp)
target_include_directories(tarvel_channels PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tarvel_channels PUBLIC tarvel_engine forms tarvel_shell_core)
