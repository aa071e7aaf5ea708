target_link_libraries(${name} PRIVATE docbridge_core)
target_compile_options(docbridge_core PRIVATE -fsanitize=fuzzer-no-link)
