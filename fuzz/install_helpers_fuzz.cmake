target_link_libraries(${name} PRIVATE tavish_core mirrick_core)
