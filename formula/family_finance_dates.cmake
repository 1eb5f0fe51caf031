# Financial, date and time functions.
target_sources(thc_formula PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/financial_functions.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/date_time_functions.cpp)
