# The spreadsheet reports (history report workbook and alarm sheet).
list(APPEND THC_REPORT_SOURCES reports/spreadsheet_report.cpp)

# The reports driven directly on a temporary data folder, read back with the library's own reader.
thc_test(spreadsheet_report_tests LABEL console
  SOURCES reports/tests/spreadsheet_report_test.cpp reports/tests/spreadsheet_fixture.cpp
          reports/tests/report_checks.cpp
  DEPS thc_console_reports thc_core_testing)
# A report of 70,000 records read by python3-xlrd and olefile and converted by LibreOffice headless.
thc_test(spreadsheet_report_interop_tests LABEL "console;interop" TIMEOUT 900
  SOURCES reports/tests/spreadsheet_report_interop_test.cpp reports/tests/spreadsheet_fixture.cpp
          reports/tests/report_checks.cpp
  DEPS thc_console_reports thc_core_testing)
foreach(t spreadsheet_report_tests spreadsheet_report_interop_tests)
  if(TARGET ${t})
    target_compile_definitions(${t} PRIVATE THC_REPORT_SCRIPTS="${CMAKE_CURRENT_SOURCE_DIR}/reports/tests")
  endif()
endforeach()
