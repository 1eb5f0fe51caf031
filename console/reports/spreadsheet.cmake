# The spreadsheet reports (history report workbook and alarm sheet).
list(APPEND THC_REPORT_SOURCES reports/spreadsheet_report.cpp)

# The reports driven directly on a temporary data folder, read back with the library's own reader.
thc_test(spreadsheet_report_tests LABEL console
  SOURCES reports/tests/spreadsheet_report_test.cpp reports/tests/spreadsheet_fixture.cpp
  DEPS thc_console_reports)
# A report of 70,000 records read by python3-xlrd and olefile and converted by LibreOffice headless.
thc_test(spreadsheet_report_interop_tests LABEL "console;interop" TIMEOUT 900
  SOURCES reports/tests/spreadsheet_report_interop_test.cpp reports/tests/spreadsheet_fixture.cpp
          reports/tests/report_checks.cpp
  DEPS thc_console_reports thc_core_testing)
if(TARGET spreadsheet_report_interop_tests)
  target_compile_definitions(spreadsheet_report_interop_tests PRIVATE
    THC_REPORT_SCRIPTS="${CMAKE_CURRENT_SOURCE_DIR}/reports/tests")
endif()
