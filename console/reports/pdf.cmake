# The PDF report.
list(APPEND THC_REPORT_SOURCES reports/pdf_report.cpp)

# The report's pages, grid, files and question, read back from the written file.
thc_test(console_pdf_report_tests LABEL console
  SOURCES reports/tests/pdf_report_test.cpp reports/tests/pdf_report_fixture.cpp
  DEPS thc_console_reports)

# Large and small reports checked with qpdf and poppler (text, fonts, page count).
thc_test(console_pdf_report_interop_tests LABEL "console;interop"
  SOURCES reports/tests/pdf_report_interop_test.cpp reports/tests/pdf_report_fixture.cpp
          reports/tests/report_checks.cpp
  DEPS thc_console_reports thc_core_testing)
if(TARGET console_pdf_report_interop_tests)
  target_compile_definitions(console_pdf_report_interop_tests PRIVATE
    THC_REPORT_SCRIPTS="${CMAKE_CURRENT_SOURCE_DIR}/reports/tests")
endif()
