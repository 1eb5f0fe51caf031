#include "workbook/format_settings.h"

namespace workbook {

namespace {

// Changes one field of the process-wide settings.
template <typename T>
void Change(T core::LocaleDefaults::*Field, T Value) {
  core::LocaleDefaults d = core::locale_defaults();
  d.*Field = Value;
  core::set_locale_defaults(d);
}

}  // namespace

TFormatSettings& XLSFormatSettings() {
  static TFormatSettings s;
  return s;
}

void ResetXLSFormatSettings() {
  XLSFormatSettings() = TFormatSettings();
  core::set_locale_defaults(core::LocaleDefaults{});
}

char16_t TFormatSettings::GetDecimalSeparator() { return core::locale_defaults().decimal_separator; }
void TFormatSettings::SetDecimalSeparator(char16_t Value) { Change(&core::LocaleDefaults::decimal_separator, Value); }
char16_t TFormatSettings::GetListSeparator() { return core::locale_defaults().list_separator; }
void TFormatSettings::SetListSeparator(char16_t Value) { Change(&core::LocaleDefaults::list_separator, Value); }
char16_t TFormatSettings::GetThousandSeparator() { return core::locale_defaults().thousand_separator; }
void TFormatSettings::SetThousandSeparator(char16_t Value) { Change(&core::LocaleDefaults::thousand_separator, Value); }
int TFormatSettings::GetPaperSize() { return core::locale_defaults().paper_size; }
void TFormatSettings::SetPaperSize(int Value) { Change(&core::LocaleDefaults::paper_size, Value); }
int TFormatSettings::GetAnsiCodePage() { return core::locale_defaults().ansi_code_page; }
void TFormatSettings::SetAnsiCodePage(int Value) { Change(&core::LocaleDefaults::ansi_code_page, Value); }

}  // namespace workbook
