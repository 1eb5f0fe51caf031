# Statistics, regression, tests and probability distributions.
target_sources(thc_formula PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/functions/statistics_functions.cpp)
