# The cell store, cell areas and the formatting commands of the worksheet interface.
target_sources(thc_workbook PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/cell_store_blocks.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/cell_store.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/cell_areas.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/cell_store_links.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/formatting.cpp)

thc_test(workbook_cells_tests LABEL workbook
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/cell_store_blocks_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/cell_store_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/cell_areas_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/formatting_test.cpp
  DEPS thc_workbook)

# The randomized comparison with a map model runs millions of operations: a binary of its own.
thc_test(workbook_cells_model_tests LABEL workbook
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/cell_store_model_test.cpp
  DEPS thc_workbook)
if(TARGET workbook_cells_model_tests)
  # The map model dominates the run time; optimised, the run stays near twenty seconds under the sanitizers.
  target_compile_options(workbook_cells_model_tests PRIVATE -O2)
endif()
