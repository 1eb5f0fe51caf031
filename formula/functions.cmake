# Worksheet functions kept in files of their own family.
target_sources(thc_formula PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/families.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/math_functions.cpp)

thc_test(formula_math_tests LABEL formula
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/math_functions_test.cpp
  DEPS thc_formula thc_core_testing)

# The same file compares the functions with HyperFormula under node (skips when tests/hyperformula
# has no node_modules).
thc_test(formula_math_oracle_tests LABEL "formula;interop"
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/math_functions_test.cpp
  DEPS thc_formula thc_core_testing)
if(TARGET formula_math_oracle_tests)
  target_compile_definitions(formula_math_oracle_tests PRIVATE THC_FORMULA_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
endif()
