# Text, lookup and reference, conditional aggregation and database functions, and the number-format
# mask behind TEXT.
target_sources(thc_formula PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/text_functions.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/text_support.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/excel_mask.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/lookup_functions.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/lookup_support.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/database_functions.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/conditional_functions.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/database_range.cpp)

thc_test(formula_text_lookup_tests LABEL formula
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/excel_mask_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/text_functions_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/lookup_functions_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/conditional_database_test.cpp
  DEPS thc_formula)
if(TARGET formula_text_lookup_tests)
  # The TEXT table generated once with LibreOffice lives beside the tests.
  target_compile_definitions(formula_text_lookup_tests PRIVATE THC_FORMULA_TESTS_DIR="${CMAKE_CURRENT_SOURCE_DIR}/tests")
endif()

# The same functions compared with HyperFormula under node (skips when tests/hyperformula has no
# node_modules).
thc_test(formula_text_lookup_oracle_tests LABEL "formula;interop"
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/text_lookup_oracle_test.cpp
  DEPS thc_formula thc_core_testing)
if(TARGET formula_text_lookup_oracle_tests)
  target_compile_definitions(formula_text_lookup_oracle_tests PRIVATE THC_FORMULA_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
endif()
