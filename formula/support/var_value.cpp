#include "formula/support/var_value.h"

namespace formula {

const std::u16string& ErrorText(std::uint8_t Code) {
  static const std::u16string texts[9] = {u"_ERROR_ERROR_", u"#NULL!", u"#DIV/0!", u"#VALUE!", u"#REF!",
                                          u"#NAME?",        u"#NUM!",  u"#N/A",    u"#GETTING_DATA"};
  return texts[Code <= 8 ? Code : 0];
}

}  // namespace formula
