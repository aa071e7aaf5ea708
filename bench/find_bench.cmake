target_link_libraries(${name} PRIVATE vellacor_views)
