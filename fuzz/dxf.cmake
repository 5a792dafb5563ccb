# DXF reader and the layout of its entities on the paper, on arbitrary bytes.
add_executable(fuzz_dxf ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_dxf.cpp)
target_link_libraries(fuzz_dxf PRIVATE vorna_drawing)
target_link_options(fuzz_dxf PRIVATE -fsanitize=fuzzer)
