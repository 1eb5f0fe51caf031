#include "core/locale.h"

#include <atomic>

namespace core {
namespace {

// Each field on its own, so that readers on other threads never wait.
struct Current {
  std::atomic<char16_t> decimal_separator;
  std::atomic<char16_t> thousand_separator;
  std::atomic<char16_t> list_separator;
  std::atomic<int> paper_size;
  std::atomic<int> ansi_code_page;
  std::atomic<int> default_charset;

  explicit Current(const LocaleDefaults& d) { store(d); }
  void store(const LocaleDefaults& d) {
    decimal_separator = d.decimal_separator;
    thousand_separator = d.thousand_separator;
    list_separator = d.list_separator;
    paper_size = d.paper_size;
    ansi_code_page = d.ansi_code_page;
    default_charset = d.default_charset;
  }
  LocaleDefaults load() const {
    return LocaleDefaults{decimal_separator, thousand_separator, list_separator,
                          paper_size,        ansi_code_page,     default_charset};
  }
};

Current& current() {
  static Current c{LocaleDefaults{}};
  return c;
}

}  // namespace

LocaleDefaults locale_defaults() { return current().load(); }
void set_locale_defaults(const LocaleDefaults& defaults) { current().store(defaults); }

ScopedLocaleDefaults::ScopedLocaleDefaults(const LocaleDefaults& defaults) : previous_(locale_defaults()) {
  set_locale_defaults(defaults);
}

ScopedLocaleDefaults::~ScopedLocaleDefaults() { set_locale_defaults(previous_); }

}  // namespace core
