# Financial, date and time functions.
target_sources(thc_formula PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/financial_arguments.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/financial_functions.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/date_time_calendar.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/date_time_functions.cpp)

thc_test(formula_finance_dates_tests LABEL formula
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/financial_functions_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/date_time_functions_test.cpp
  DEPS thc_formula)

# Both families compared with HyperFormula, and ACCRINT with formulajs, under node (skips when
# tests/hyperformula has no node_modules).
thc_test(formula_finance_dates_oracle_tests LABEL "formula;interop"
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/financial_date_time_oracle_test.cpp
  DEPS thc_formula thc_core_testing)
if(TARGET formula_finance_dates_oracle_tests)
  target_compile_definitions(formula_finance_dates_oracle_tests PRIVATE THC_FORMULA_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
endif()
