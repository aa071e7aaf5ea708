# The block parser lives with the shell, which the fuzz build leaves out; it
# needs nothing but Corvale.
target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/vellacor/shell/CommandLineBlock.cpp)
target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/vellacor/shell)
