# The readers are built into the target itself (this build has no Qt program
# tree) so that they are instrumented; FoldLevels comes from FlatOutline.cpp,
# which needs the outline model, so the fold is built from its own source
# and the model's headers only.
find_package(EXPAT REQUIRED)
set(formats_dir ${CMAKE_SOURCE_DIR}/vellacor/exchange/formats)
file(GLOB outline_model_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/vellacor/outline/*.cpp)
target_sources(${name} PRIVATE
  ${formats_dir}/FormatText.cpp
  ${formats_dir}/FlatOutline.cpp
  ${formats_dir}/Markdown.cpp
  ${formats_dir}/Opml.cpp
  ${formats_dir}/PlainText.cpp
  ${outline_model_sources})
target_include_directories(${name} PRIVATE ${formats_dir} ${CMAKE_SOURCE_DIR}/vellacor/outline)
target_link_libraries(${name} PRIVATE EXPAT::EXPAT)
