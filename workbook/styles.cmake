# Style sheet, style records, cell format editor and shared-string table.
target_sources(thc_workbook PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/style_records.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/style_sheet.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/cell_format_editor.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/shared_strings.cpp)

thc_test(workbook_styles_tests LABEL workbook
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/style_sheet_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/cell_format_editor_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/shared_strings_test.cpp
  DEPS thc_workbook)
