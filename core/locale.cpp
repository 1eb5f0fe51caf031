#include "core/locale.h"

namespace platform::os {
namespace {
LocaleDefaults& current() {
  static LocaleDefaults defaults;
  return defaults;
}
}  // namespace

const LocaleDefaults& locale_defaults() { return current(); }
void set_locale_defaults(const LocaleDefaults& defaults) { current() = defaults; }

ScopedLocaleDefaults::ScopedLocaleDefaults(const LocaleDefaults& defaults) : previous_(current()) {
  current() = defaults;
}

ScopedLocaleDefaults::~ScopedLocaleDefaults() { current() = previous_; }

}  // namespace platform::os
