# Font data for the PDF writer: installed TrueType faces, their tables and their metrics.
if(NOT TARGET thc_platform_fontdata)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(THC_FONTDATA_FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
  # FreeType reads the same files independently in the tests.
  pkg_check_modules(THC_FONTDATA_FREETYPE REQUIRED IMPORTED_TARGET freetype2)

  thc_library(thc_platform_fontdata
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/font_data.cpp
    DEPS thc_core
    # The alias table of face names is the text layer's.
    PRIVATE_DEPS thc_platform_gdi PkgConfig::THC_FONTDATA_FONTCONFIG)

  thc_test(platform_fontdata_tests LABEL platform
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/font_data_test.cpp
    DEPS thc_platform_fontdata PkgConfig::THC_FONTDATA_FREETYPE)
endif()
