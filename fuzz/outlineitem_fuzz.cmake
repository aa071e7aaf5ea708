# The outline model is built into the target itself: this build has no Qt
# program tree, and the model's sources should be instrumented as well.
file(GLOB outline_model_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/vellacor/outline/*.cpp)
target_sources(${name} PRIVATE ${outline_model_sources})
target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/vellacor/outline)
