# The PDF report.
list(APPEND THC_REPORT_SOURCES reports/pdf_report.cpp)
