#include "ooxml/binding/xpg_enums.h"

#include "core/error.h"
#include "core/unicode.h"
#include "xml/xml_values.h"

namespace ooxml {

namespace {

char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string LowerKey(std::u16string_view key) {
  std::u16string folded(key);
  for (auto& c : folded) c = Lower(c);
  return core::utf16_to_utf8(folded);
}

}  // namespace

int TXpgEnumType::Find(std::u16string_view value) const {
  for (int i = 0; i < Count; ++i)
    if (EqualsNoCase(Literals[i], value)) return i;
  return -1;
}

std::u16string_view TXpgEnumType::Literal(int ordinal) const {
  if (ordinal < 0 || ordinal >= Count) return {};
  return Literals[ordinal];
}

std::string TXpgEnumType::Key(int ordinal) const {
  std::u16string literal(Literal(ordinal));
  if (!KeysAsWritten && !literal.empty() && literal[0] >= u'a' && literal[0] <= u'z')
    literal[0] = static_cast<char16_t>(literal[0] - 32);
  return std::string(Prefix) + core::utf16_to_utf8(literal);
}

void TXpgEnumRegistry::Register(const TXpgEnumType& type) {
  types_.push_back(&type);
  for (int i = 0; i < type.Count; ++i) {
    keys_.emplace(LowerKey(core::utf8_to_utf16(type.Key(i))), i);
    ++literals_;
  }
}

bool TXpgEnumRegistry::TryFindEnum(std::u16string_view key, int& ordinal) const {
  auto it = keys_.find(LowerKey(key));
  if (it == keys_.end()) return false;
  ordinal = it->second;
  return true;
}

int TXpgEnumRegistry::FindEnum(std::u16string_view key) const {
  int ordinal = 0;
  if (!TryFindEnum(key, ordinal))
    throw core::Error("Can not find enum \"" + core::utf16_to_utf8(key) + "\"");
  return ordinal;
}

int TXpgEnumRegistry::FindEnum(const TXpgEnumType& type, std::u16string_view value) const {
  int ordinal = type.Find(value);
  if (ordinal < 0) {
    throw core::Error("Can not find enum \"" + std::string(type.Prefix) + core::utf16_to_utf8(value) + "\"");
  }
  return ordinal;
}

const TXpgEnumType* TXpgEnumRegistry::FindType(std::string_view name) const {
  for (const auto* type : types_)
    if (name == type->Name) return type;
  return nullptr;
}

namespace {
// A number is decimal digits with an optional sign; anything else is a guide name ("x1" is a
// common one, so the hexadecimal forms the integer reader takes must not apply here), as is a
// number beyond 32 bits, kept as its text.
bool DecimalAdj(std::u16string_view text, std::int32_t& number) {
  std::size_t i = !text.empty() && (text[0] == u'-' || text[0] == u'+') ? 1 : 0;
  if (i == text.size()) return false;
  for (std::size_t k = i; k < text.size(); ++k)
    if (text[k] < u'0' || text[k] > u'9') return false;
  return TryXmlStrToInt(text, number);
}

void StrToAdj(std::u16string_view text, TXpgAdjValue& value) {
  std::int32_t number = 0;
  if (DecimalAdj(text, number)) {
    value.Kind = 0;
    value.Value = number;
    value.Text.clear();
  } else if (!text.empty()) {
    value.Kind = 1;
    value.Text = std::u16string(text);
  }
}

std::u16string AdjToStr(const TXpgAdjValue& value) {
  if (value.Kind == 0) return XmlIntToStr(value.Value);
  if (value.Kind == 1) return value.Text;
  return {};
}
}  // namespace

void StrToAdjCoordinate(std::u16string_view text, TXpgAdjValue& value) { StrToAdj(text, value); }
void StrToAdjAngle(std::u16string_view text, TXpgAdjValue& value) { StrToAdj(text, value); }
std::u16string AdjCoordinateToStr(const TXpgAdjValue& value) { return AdjToStr(value); }
std::u16string AdjAngleToStr(const TXpgAdjValue& value) { return AdjToStr(value); }

}  // namespace ooxml
