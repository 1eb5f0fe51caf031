# Statistics, regression, tests and probability distributions.
target_sources(thc_formula PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/numeric_routines.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/statistics_common.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/statistics_functions.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/statistics_paired.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/distributions.cpp)

thc_test(formula_statistics_tests LABEL formula
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/statistics_test.cpp
  DEPS thc_formula)

# The same functions compared with HyperFormula and formulajs under node (skips when
# tests/hyperformula has no node_modules).
thc_test(formula_statistics_oracle_tests LABEL "formula;interop"
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/statistics_oracle_test.cpp
  DEPS thc_formula thc_core_testing)
if(TARGET formula_statistics_oracle_tests)
  target_compile_definitions(formula_statistics_oracle_tests PRIVATE THC_FORMULA_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
endif()
