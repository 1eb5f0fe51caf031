# The BIFF8 formula compiler and the .xls formula handler; their tests and fuzz target.
target_sources(thc_biff PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/formula_encoder/xls_formula_tokenizer.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/formula_encoder/biff8_encoder.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/formula_encoder/biff_formula_handler.cpp)

thc_test(biff_formula_encoder_tests LABEL biff
  SOURCES formula_encoder/tests/biff8_encoder_test.cpp formula_encoder/tests/biff_formula_handler_test.cpp
  DEPS thc_biff)

thc_fuzz(biff_formula_encoder_fuzz LABEL biff
  SOURCES formula_encoder/tests/fuzz_biff8_encoder.cpp
  DEPS thc_biff
  CORPUS formula_encoder/tests/corpus/biff8_encoder)
