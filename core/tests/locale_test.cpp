// The process-wide locale: fixed values, and values a scope installs and takes back.
#include "core/locale.h"

#include <gtest/gtest.h>

namespace core {
namespace {

TEST(LocaleDefaults, FixedValuesUntilATestInstallsOthers) {
  EXPECT_EQ(locale_defaults().decimal_separator, u'.');
  EXPECT_EQ(locale_defaults().list_separator, u',');
  EXPECT_EQ(locale_defaults().paper_size, kPaperA4);
  EXPECT_EQ(locale_defaults().ansi_code_page, 936);
  {
    ScopedLocaleDefaults german(
        LocaleDefaults{.decimal_separator = u',', .thousand_separator = u'.', .list_separator = u';'});
    EXPECT_EQ(locale_defaults().decimal_separator, u',');
    EXPECT_EQ(locale_defaults().list_separator, u';');
  }
  EXPECT_EQ(locale_defaults().decimal_separator, u'.');
  EXPECT_EQ(locale_defaults().list_separator, u',');
}

}  // namespace
}  // namespace core
