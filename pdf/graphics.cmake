# Images and fax coding, metafile playback, link annotations and actions, outlines and forms.
find_package(JPEG REQUIRED)

target_sources(thc_pdf PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/ccitt.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/image.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/metafile_player.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/annotation.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/action.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/outline.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/form.cpp)
target_link_libraries(thc_pdf PUBLIC thc_platform_gdi PRIVATE JPEG::JPEG)

thc_test(pdf_graphics_tests LABEL pdf
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/image_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/tests/metafile_player_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/tests/interactive_test.cpp
  DEPS thc_pdf thc_core_testing)

# Reads images back with poppler and checks every file with qpdf.
thc_test(pdf_graphics_interop_tests LABEL "pdf;interop"
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/image_interop_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/tests/metafile_interop_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/tests/interactive_interop_test.cpp
  DEPS thc_pdf thc_core_testing)

# Seed corpus: recordings written by tests/corpus/emf/make_seeds.py.
thc_fuzz(pdf_emf_fuzz LABEL pdf
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/fuzz_emf_player.cpp
  DEPS thc_pdf
  CORPUS tests/corpus/emf)
