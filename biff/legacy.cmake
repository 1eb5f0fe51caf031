# The legacy neighbour of the spreadsheet component, with the empty-workbook template embedded from
# assets/xls/empty_xls.zip at build time.
set(_thc_template_zip ${PROJECT_SOURCE_DIR}/assets/xls/empty_xls.zip)
set(_thc_template_cpp ${CMAKE_CURRENT_BINARY_DIR}/generated/empty_workbook_template.cpp)
file(READ ${_thc_template_zip} _thc_template_hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _thc_template_bytes "${_thc_template_hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n"
  _thc_template_bytes "${_thc_template_bytes}")
file(CONFIGURE OUTPUT ${_thc_template_cpp} CONTENT "// Generated from assets/xls/empty_xls.zip; do not edit.
#include \"biff/legacy/legacy_document.h\"

namespace biff {
namespace {
const std::uint8_t kTemplate[] = {
${_thc_template_bytes}
};
}  // namespace

std::span<const std::uint8_t> EmptyWorkbookTemplate() { return std::span<const std::uint8_t>(kTemplate, sizeof kTemplate); }

}  // namespace biff
" @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_thc_template_zip})

target_sources(thc_biff PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/legacy/legacy_document.cpp
  ${_thc_template_cpp})

thc_test(biff_legacy_tests LABEL biff
  SOURCES legacy/tests/legacy_component_test.cpp
  DEPS thc_biff thc_core_testing)
if(TARGET biff_legacy_tests)
  target_compile_definitions(biff_legacy_tests PRIVATE THC_DRAWING_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/drawing/tests/fixtures")
endif()

# Report workbooks written through the component and read by python3-xlrd and LibreOffice headless.
thc_test(biff_legacy_interop_tests LABEL "biff;interop"
  SOURCES legacy/tests/legacy_interop_test.cpp
  DEPS thc_biff thc_core_testing)
