# Calculation benchmarks: one whole run on the headless runtime, and
# gearcalc-report --batch over 100,000 gears. Included from
# bench/CMakeLists.txt.
if(NOT TARGET benchmark::benchmark)
  find_package(benchmark REQUIRED)
endif()
add_executable(calc_bench ${CMAKE_CURRENT_LIST_DIR}/calc_bench.cpp)
target_link_libraries(calc_bench PRIVATE benchmark::benchmark gearprog_attached tavrn_driver gear_options)
target_compile_definitions(calc_bench PRIVATE GEARCALC_DIST_DIR="${GEARCALC_DIST_DIR}")
set_target_properties(calc_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
add_dependencies(calc_bench stylx catalogues gearcalc-report)
target_compile_definitions(calc_bench PRIVATE GEARCALC_REPORT="$<TARGET_FILE:gearcalc-report>")

# The inspection sheet for the generated million-record catalogue.
add_executable(inspection_bench ${CMAKE_CURRENT_LIST_DIR}/gauging_bench.cpp)
target_link_libraries(inspection_bench PRIVATE benchmark::benchmark gear_catalogue gear_options)
target_compile_definitions(inspection_bench PRIVATE GEARCALC_DIST_DIR="${GEARCALC_DIST_DIR}"
                           GEARCALC_REPORT="$<TARGET_FILE:gearcalc-report>")
set_target_properties(inspection_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
add_dependencies(inspection_bench stylx catalogues gearcalc-report)
