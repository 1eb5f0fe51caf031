# Charts: the record tree of a chart sub-stream, its default record sets, the wrappers over its
# records and the charts placed on sheets.
target_sources(thc_biff PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/chart/chart_records.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/chart/chart_wrappers.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/chart/chart_model.cpp)

thc_test(biff_chart_tests LABEL biff
  SOURCES chart/tests/chart_records_test.cpp chart/tests/chart_model_test.cpp
  DEPS thc_biff)

# Chart sub-streams read, bound to the chart wrappers, edited and written.
thc_fuzz(biff_chart_model_fuzz LABEL biff
  SOURCES chart/tests/fuzz_chart_model.cpp
  DEPS thc_biff
  CORPUS chart/tests/corpus/chart_model)
if(TARGET biff_chart_tests)
  target_compile_definitions(biff_chart_tests PRIVATE THC_DRAWING_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/drawing/tests/fixtures")
endif()
