#include "workbook/format_settings.h"

#include <atomic>

namespace workbook {

namespace {

struct ProcessSettings {
  std::atomic<char16_t> decimal{u'.'};
  std::atomic<char16_t> list{u','};
  std::atomic<char16_t> thousand{u','};
  std::atomic<int> paper{9};
  std::atomic<int> codepage{936};
};

ProcessSettings& process() {
  static ProcessSettings s;
  return s;
}

}  // namespace

TFormatSettings& XLSFormatSettings() {
  static TFormatSettings s;
  return s;
}

void ResetXLSFormatSettings() {
  XLSFormatSettings() = TFormatSettings();
  ProcessSettings& p = process();
  p.decimal = u'.';
  p.list = u',';
  p.thousand = u',';
  p.paper = 9;
  p.codepage = 936;
}

char16_t TFormatSettings::GetDecimalSeparator() { return process().decimal; }
void TFormatSettings::SetDecimalSeparator(char16_t Value) { process().decimal = Value; }
char16_t TFormatSettings::GetListSeparator() { return process().list; }
void TFormatSettings::SetListSeparator(char16_t Value) { process().list = Value; }
char16_t TFormatSettings::GetThousandSeparator() { return process().thousand; }
void TFormatSettings::SetThousandSeparator(char16_t Value) { process().thousand = Value; }
int TFormatSettings::GetPaperSize() { return process().paper; }
void TFormatSettings::SetPaperSize(int Value) { process().paper = Value; }
int TFormatSettings::GetAnsiCodePage() { return process().codepage; }
void TFormatSettings::SetAnsiCodePage(int Value) { process().codepage = Value; }

}  // namespace workbook
