# The formula compiler: tokenizer, encoder and decoder.
target_sources(thc_formula PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/language/tokenizer.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/language/decoder.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/language/encoder.cpp)

thc_test(formula_language_tests LABEL formula
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/tokenizer_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/encoder_decoder_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/formula_text_property_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/formula_text_offset_test.cpp
  DEPS thc_formula)

thc_fuzz(formula_text_fuzz LABEL formula
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/fuzz_formula_text.cpp
  DEPS thc_formula
  CORPUS tests/corpus/formula_text)

# Formulas entered as text, compiled and evaluated, compared with HyperFormula under node (skips when
# tests/hyperformula has no node_modules).
thc_test(formula_text_oracle_tests LABEL "formula;interop"
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/formula_text_oracle_test.cpp
  DEPS thc_formula thc_core_testing)
if(TARGET formula_text_oracle_tests)
  target_compile_definitions(formula_text_oracle_tests PRIVATE THC_FORMULA_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
endif()
