find_package(SQLite3 REQUIRED)
target_link_libraries(${name} PRIVATE SQLite::SQLite3)
