# The metafile canvas: drawing calls recorded as enhanced-metafile records in memory.
target_sources(thc_platform_gdi PRIVATE ${CMAKE_CURRENT_LIST_DIR}/metafile_canvas.cpp)

thc_test(platform_metafile_tests LABEL platform
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/metafile_canvas_test.cpp
  DEPS thc_platform_gdi)

# Reads the recordings back with emf2svg (skipped when it is not installed).
thc_test(platform_metafile_interop_tests LABEL "platform;interop"
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/metafile_interop_test.cpp
  DEPS thc_platform_gdi thc_core_testing)
