# The calculation chain (dependency order of formula cells, circular references) and the handler
# that recalculates a workbook along it.
target_sources(thc_formula PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/evaluator/topo_sort.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/evaluator/calc_chain.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/formula_handler.cpp)

thc_test(formula_chain_tests LABEL formula
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/topo_sort_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/calc_chain_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/formula_handler_test.cpp
  DEPS thc_formula)
