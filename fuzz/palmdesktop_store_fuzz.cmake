target_link_libraries(${name} PRIVATE palmdesktop_store)
