# The metafile canvas: drawing calls recorded as enhanced-metafile records in memory.
target_sources(thc_platform_gdi PRIVATE ${CMAKE_CURRENT_LIST_DIR}/metafile_canvas.cpp
                                       ${CMAKE_CURRENT_LIST_DIR}/metafile_playback.cpp)

thc_test(platform_metafile_tests LABEL platform
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/metafile_canvas_test.cpp
  DEPS thc_platform_gdi)

# Reads the recordings back with emf2svg (skipped when it is not installed).
thc_test(platform_metafile_interop_tests LABEL "platform;interop"
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/metafile_interop_test.cpp
  DEPS thc_platform_gdi thc_core_testing)

# Playback reads outside bytes. Seeds: recordings of every kind of call the canvas makes.
thc_fuzz(platform_metafile_playback_fuzz LABEL platform
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/fuzz_metafile_playback.cpp
  DEPS thc_platform_gdi
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/tests/corpus/emf)
