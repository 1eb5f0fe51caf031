# OfficeArt drawings: the record layer shared by drawings, pictures and charts, the sheet drawing
# with its shapes and the objects beside them (text, notes, form controls, embedded charts).
target_sources(thc_biff PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/drawing/office_art.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/drawing/drawing_group.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/drawing/escher_drawing.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/drawing/shape_objects.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/drawing/drawing_objects.cpp)

thc_test(biff_drawing_tests LABEL biff
  SOURCES drawing/tests/office_art_test.cpp drawing/tests/drawing_group_test.cpp
    drawing/tests/escher_drawing_test.cpp drawing/tests/shape_objects_test.cpp
    drawing/tests/drawing_objects_test.cpp drawing/tests/foreign_file_test.cpp
  DEPS thc_biff)
if(TARGET biff_drawing_tests)
  target_compile_definitions(biff_drawing_tests PRIVATE THC_DRAWING_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/drawing/tests/fixtures")
endif()

# The sheet-drawing reader over arbitrary sheet-stream fragments.
thc_fuzz(biff_drawing_fuzz LABEL biff
  SOURCES drawing/tests/fuzz_drawing.cpp
  DEPS thc_biff
  CORPUS drawing/tests/corpus/drawing)

# Notes written here and read by python3-xlrd (skipped when absent).
thc_test(biff_drawing_interop_tests LABEL "biff;interop"
  SOURCES drawing/tests/drawing_interop_test.cpp
  DEPS thc_biff thc_core_testing)
if(TARGET biff_drawing_interop_tests)
  target_compile_definitions(biff_drawing_interop_tests PRIVATE THC_DRAWING_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/drawing/tests/fixtures")
endif()
