// The library's locale: the separators every number conversion of the program uses, a snapshot of
// the other locale settings, the default paper size and the code page of 8-bit texts. The values
// are fixed defaults, never taken from the host's environment, so that formulas and files come out
// the same everywhere; tests override them and restore them with ResetXLSFormatSettings.
#pragma once

#include "core/locale.h"

namespace workbook {

// The snapshot's own separators are not read here: the library's conversions take the process-wide
// ones through the static members.
class TFormatSettings : public core::FormatSettings {
public:
  // The process-wide separators (not part of the snapshot: every conversion of the program reads them).
  static char16_t GetDecimalSeparator();
  static void SetDecimalSeparator(char16_t Value);
  static char16_t GetListSeparator();
  static void SetListSeparator(char16_t Value);
  static char16_t GetThousandSeparator();
  static void SetThousandSeparator(char16_t Value);
  // The locale's default paper size (a printer paper code: 9 = A4, 1 = Letter).
  static int GetPaperSize();
  static void SetPaperSize(int Value);
  // The code page of the library's 8-bit texts where a format carries no code page of its own.
  static int GetAnsiCodePage();
  static void SetAnsiCodePage(int Value);
};

// The library's snapshot, created on first use and living until the program ends.
TFormatSettings& XLSFormatSettings();
// Restores the snapshot and the process-wide settings to their fixed defaults.
void ResetXLSFormatSettings();

}  // namespace workbook
