# The workbook root, the worksheet programming interface (sheets, cells, rows and columns, sheet
# objects, drawing) and the spreadsheet component with its pluggable file-format neighbours.
target_sources(thc_workbook PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/manager.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/rows_columns.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/sheet_objects.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/drawing_interface.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/worksheet_api.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/spreadsheet_component.cpp)

thc_test(workbook_interface_tests LABEL workbook
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/manager_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/worksheet_api_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/spreadsheet_component_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/sheet_objects_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/drawing_interface_test.cpp
  DEPS thc_workbook)
