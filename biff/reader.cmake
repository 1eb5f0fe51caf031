# The .xls reader: record loop, handlers, external references; its tests and fuzz target.
target_sources(thc_biff PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/reader/xls_reader.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/reader/reader_cells.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/reader/reader_styles.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/reader/reader_settings.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/reader/reader_biff5.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/reader/external_names.cpp)
target_link_libraries(thc_biff PUBLIC thc_workbook)

thc_test(biff_reader_tests LABEL biff
  SOURCES tests/reader/xls_reader_test.cpp
  DEPS thc_biff)

# Workbook streams (cut from the Debian sample files) as seeds; every input also goes in as a
# BIFF5 "Book" stream.
thc_fuzz(biff_xls_reader_fuzz LABEL biff
  SOURCES tests/reader/fuzz_xls_reader.cpp
  DEPS thc_biff
  CORPUS tests/corpus/xls_reader
  RUNS 500)

# Real files compared with python3-xlrd through the sheet-dump library (tools/sheet-dump); the
# formulas of a BIFF5 workbook compared with LibreOffice.
thc_test(biff_reader_interop_tests LABEL "biff;interop"
  SOURCES tests/reader/xls_interop_test.cpp tests/reader/biff5_formulas_interop_test.cpp
  DEPS thc_sheet_dump thc_core_testing)
if(TARGET biff_reader_interop_tests)
  target_compile_definitions(biff_reader_interop_tests PRIVATE THC_BIFF_TESTS="${CMAKE_CURRENT_SOURCE_DIR}/tests")
endif()
