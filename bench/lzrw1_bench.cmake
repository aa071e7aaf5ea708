find_package(ZLIB REQUIRED)
target_link_libraries(${name} PRIVATE ZLIB::ZLIB)
