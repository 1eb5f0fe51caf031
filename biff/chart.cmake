# Charts: the record tree of a chart sub-stream and its default record sets.
target_sources(thc_biff PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/chart/chart_records.cpp)

thc_test(biff_chart_tests LABEL biff
  SOURCES chart/tests/chart_records_test.cpp
  DEPS thc_biff)
