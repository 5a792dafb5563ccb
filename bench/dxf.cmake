# A CAD drawing of 100,000 entities plotted to A2 at 720 dpi, indexed: the
# host's side (reading the file, laying out the entities) and the whole plot,
# whose difference is the scan conversion, the driver's actions and its band
# output.
add_executable(bench_dxf ${CMAKE_CURRENT_LIST_DIR}/bench_dxf.cpp)
target_link_libraries(bench_dxf PRIVATE vorna_plot_core vorna_drawing benchmark::benchmark)
target_compile_definitions(bench_dxf PRIVATE VORNA_DATA_DIR="${PROJECT_SOURCE_DIR}/data")
add_dependencies(bench_dxf vorna-plot)
