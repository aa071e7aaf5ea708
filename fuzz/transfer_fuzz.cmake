# The outline model needs no widgets: without the Qt program's tree its
# sources are built into the target.
if(TARGET vellacor_outline)
  target_link_libraries(${name} PRIVATE vellacor_outline)
else()
  file(GLOB transfer_outline_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/vellacor/outline/*.cpp)
  target_sources(${name} PRIVATE ${transfer_outline_sources})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/vellacor/outline)
endif()
