# OfficeArt drawings: the record layer shared by drawings, pictures and charts.
target_sources(thc_biff PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/drawing/office_art.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/drawing/md4.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/drawing/drawing_group.cpp)

thc_test(biff_drawing_tests LABEL biff
  SOURCES drawing/tests/office_art_test.cpp drawing/tests/drawing_group_test.cpp
  DEPS thc_biff)
