// The locale the program works in. It is fixed rather than taken from the host (LANG is not consulted),
// so that numbers, paper and code page are the same on every machine; tests may install another.
#pragma once

#include <cstdint>

namespace platform::os {

// Paper size numbers as the workbook's print settings store them.
inline constexpr int kPaperLetter = 1;
inline constexpr int kPaperLegal = 5;
inline constexpr int kPaperA3 = 8;
inline constexpr int kPaperA4 = 9;

struct LocaleDefaults {
  char16_t decimal_separator = u'.';
  char16_t thousand_separator = u',';
  char16_t list_separator = u',';
  int paper_size = kPaperA4;
  // The code page of the program's 8-bit ("ANSI") text, and the character set number that goes with it.
  int ansi_code_page = 936;
  int default_charset = 134;
};

// The process-wide settings: the fixed ones above unless changed. Every number conversion of the program
// reads them; a caller that changes them (for the length of one call, say) does so on the GUI thread.
const LocaleDefaults& locale_defaults();
void set_locale_defaults(const LocaleDefaults& defaults);

// Installs other defaults for the lifetime of a scope (tests; not for use while other threads read them).
class ScopedLocaleDefaults {
public:
  explicit ScopedLocaleDefaults(const LocaleDefaults& defaults);
  ~ScopedLocaleDefaults();
  ScopedLocaleDefaults(const ScopedLocaleDefaults&) = delete;
  ScopedLocaleDefaults& operator=(const ScopedLocaleDefaults&) = delete;

private:
  LocaleDefaults previous_;
};

}  // namespace platform::os
