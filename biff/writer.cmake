# The .xls writer: record walk, cell, style, shared-string, setting, name and hyperlink records.
target_sources(thc_biff PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/writer/xls_writer.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/writer/cell_records.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/writer/style_records.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/writer/names_hyperlinks.cpp)

thc_test(biff_writer_tests LABEL biff
  SOURCES writer/tests/writer_test.cpp
  DEPS thc_biff)

# Workbooks written here and read back by python3-xlrd and LibreOffice headless (skipped when absent).
thc_test(biff_writer_interop_tests LABEL "biff;interop"
  SOURCES writer/tests/writer_interop_test.cpp
  DEPS thc_biff thc_core_testing)

# Sheet drawings and chart sheets written, read back and seen by python3-xlrd and LibreOffice; the
# drawings, chart sheets and layout of foreign files kept.
thc_test(biff_writer_drawing_tests LABEL "biff;interop"
  SOURCES writer/tests/drawing_round_trip_test.cpp writer/tests/chart_sheet_test.cpp
    writer/tests/round_trip_test.cpp
  DEPS thc_biff thc_sheet_dump thc_core_testing)
if(TARGET biff_writer_drawing_tests)
  target_compile_definitions(biff_writer_drawing_tests PRIVATE THC_DRAWING_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/drawing/tests/fixtures"
    THC_READER_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/tests/reader/fixtures"
    THC_BIFF_TESTS="${CMAKE_CURRENT_SOURCE_DIR}/tests" THC_BIFF_WRITER_TESTS="${CMAKE_CURRENT_SOURCE_DIR}/writer/tests")
endif()
