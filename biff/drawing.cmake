# OfficeArt drawings: the record layer shared by drawings, pictures and charts.
target_sources(thc_biff PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/drawing/office_art.cpp)

thc_test(biff_drawing_tests LABEL biff
  SOURCES drawing/tests/office_art_test.cpp
  DEPS thc_biff)
