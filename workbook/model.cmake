# The workbook data model: workbook settings and names, external links, the picture store, and each
# sheet's data with its views, print settings, comments, autofilter, tables and conditional formats.
target_link_libraries(thc_workbook PUBLIC thc_ooxml_xml)
target_sources(thc_workbook PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/workbook_data.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/external_links.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/picture_store.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/sheet_views.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/comments_data.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/conditional_formats.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/worksheet_data.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/sheet_shifts.cpp)

thc_test(workbook_model_tests LABEL workbook
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/workbook_data_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/external_links_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/picture_store_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/worksheet_data_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/comments_data_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/sheet_shifts_test.cpp
  DEPS thc_workbook)
