# The evaluator, its dispatchers and the worksheet functions computed so far.
target_sources(thc_formula PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/evaluator/evaluator.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/evaluator/dispatch.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/evaluator/array_formulas.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/evaluator/inline_functions.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/aggregate.cpp)

thc_test(formula_evaluator_tests LABEL formula
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/evaluator_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/aggregate_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/formula_engine_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/spreadsheet_agreement_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/calc_cache_test.cpp
  DEPS thc_formula)

# The evaluator compared with HyperFormula under node (skips when tests/hyperformula has no
# node_modules).
thc_test(formula_evaluator_oracle_tests LABEL "formula;interop"
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/evaluator_oracle_test.cpp
  DEPS thc_formula thc_core_testing)
if(TARGET formula_evaluator_oracle_tests)
  target_compile_definitions(formula_evaluator_oracle_tests PRIVATE THC_FORMULA_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
endif()

thc_fuzz(formula_evaluator_fuzz LABEL formula
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/fuzz_evaluator.cpp
  DEPS thc_formula
  CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/tests/corpus/byte_code)

# Generated workbooks and the console's report sheet calculated through the workbook component and
# compared with HyperFormula under node (skips when tests/hyperformula has no node_modules).
thc_test(formula_workbook_oracle_tests LABEL "formula;interop"
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/workbook_oracle_test.cpp
  DEPS thc_formula thc_core_testing)
if(TARGET formula_workbook_oracle_tests)
  target_compile_definitions(formula_workbook_oracle_tests PRIVATE THC_FORMULA_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
endif()
