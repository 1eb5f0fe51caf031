# Text, lookup and reference, conditional aggregation and database functions.
target_sources(thc_formula PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/text_functions.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/lookup_functions.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/functions/database_functions.cpp)
