# The print path's figures: dot actions, band output beside memcpy, the
# sample plot. bench_plot lies beside the driver it loads and uses the
# reference spool module in bin/drv/.
add_executable(bench_plot ${CMAKE_CURRENT_LIST_DIR}/bench_plot.cpp)
target_link_libraries(bench_plot PRIVATE vorna_plot_core benchmark::benchmark)
target_compile_definitions(bench_plot PRIVATE VORNA_DATA_DIR="${PROJECT_SOURCE_DIR}/data")
add_dependencies(bench_plot vorna-plot)

# The same band output with a spool module that does nothing: the driver looks
# for V_MOD0.DLL in the drv/ folder beside the running program, so this one
# runs from a folder of its own.
set(bench_null_dir ${CMAKE_BINARY_DIR}/bench-null)
add_library(bench_null_spool MODULE ${CMAKE_CURRENT_LIST_DIR}/null_spool_module.cpp)
target_include_directories(bench_null_spool PRIVATE ${PROJECT_SOURCE_DIR}/driver/media)
set_target_properties(bench_null_spool PROPERTIES
    OUTPUT_NAME V_MOD0 PREFIX "" SUFFIX ".DLL"
    LIBRARY_OUTPUT_DIRECTORY ${bench_null_dir}/drv
    CXX_VISIBILITY_PRESET hidden)
add_executable(bench_band_null ${CMAKE_CURRENT_LIST_DIR}/bench_plot.cpp)
target_link_libraries(bench_band_null PRIVATE vorna_plot_core benchmark::benchmark)
target_compile_definitions(bench_band_null PRIVATE
    VORNA_DATA_DIR="${PROJECT_SOURCE_DIR}/data"
    VORNA_NULL_SPOOL_DRIVER="$<TARGET_FILE:vorna_tarv_en_7>")
set_target_properties(bench_band_null PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${bench_null_dir})
add_dependencies(bench_band_null bench_null_spool vorna-plot)
