# The preview control's benchmarks; the test report's pages are shared with the tests.
find_package(benchmark REQUIRED)
add_executable(bench_preview ${CMAKE_CURRENT_LIST_DIR}/bench_preview.cpp
  ${CMAKE_SOURCE_DIR}/tests/report/preview/SamplePage.cpp
  ${CMAKE_SOURCE_DIR}/tests/report/print/MarkedReport.cpp)
target_include_directories(bench_preview PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_features(bench_preview PRIVATE cxx_std_20)
target_link_libraries(bench_preview PRIVATE mirola_report_preview mirola_benchmain Qt6::Widgets)
