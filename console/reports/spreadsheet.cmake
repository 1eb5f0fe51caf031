# The spreadsheet reports (history report workbook and alarm sheet).
list(APPEND THC_REPORT_SOURCES reports/spreadsheet_report.cpp)
