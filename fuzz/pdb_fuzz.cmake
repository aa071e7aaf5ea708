target_link_libraries(${name} PRIVATE tarnvel_core)
