# The reader is plain C++: built into the target alone.
target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/vellacor/outline/RtfParagraphs.cpp)
target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/vellacor/outline)
