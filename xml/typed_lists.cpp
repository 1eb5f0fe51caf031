#include "xml/typed_lists.h"

#include "core/error.h"
#include "core/unicode.h"
#include "xml/xml_writer.h"

namespace ooxml {

namespace {
bool IsBlankOrControl(char16_t c) { return c >= 1 && c <= u' '; }

std::u16string WithLocaleSeparator(std::u16string s) {
  const char16_t sep = XpgFormatSettings().DecimalSeparator;
  for (char16_t& c : s)
    if (c == u'.') c = sep;
  return s;
}
}  // namespace

void TBaseXpgList::CheckIndex(int index) const {
  if (index < 0 || index >= GetCount())
    throw core::Error("List index out of bounds (" + std::to_string(index) + ")");
}

void TBaseXpgList::WriteAsTags(TXpgWriteXML& writer, std::u16string_view tag_name) const {
  for (int i = 0; i < GetCount(); ++i) writer.WriteTagText(tag_name, GetAsString(i));
}

// --- strings

std::u16string TStringXpgList::GetAsString(int index) const {
  CheckIndex(index);
  return core::utf8_to_utf16(items_[static_cast<std::size_t>(index)]);
}

void TStringXpgList::SetAsString(int index, std::u16string_view s) {
  CheckIndex(index);
  items_[static_cast<std::size_t>(index)] = core::utf16_to_utf8(s);
}

void TStringXpgList::Add(std::u16string_view s) { items_.push_back(core::utf16_to_utf8(s)); }

void TStringXpgList::AddAttribute(std::u16string_view name, std::u16string_view value) {
  std::string line = core::utf16_to_utf8(name);
  line += "=\"";
  XmlAppendEscaped(line, value, true);
  line += "\" ";
  items_.push_back(std::move(line));
}

int TStringXpgList::IndexOf(std::u16string_view s) const {
  const std::string key = core::utf16_to_utf8(s);
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i] == key) return static_cast<int>(i);
  return -1;
}

std::u16string TStringXpgList::GetText() const {
  std::string text;
  for (const std::string& item : items_) {
    text += item;
    text += "\r\n";
  }
  return core::utf8_to_utf16(text);
}

std::u16string TStringXpgList::GetDelimitedText() const {
  if (items_.size() == 1 && items_[0].empty()) return u"\"\"";
  std::u16string out;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (i) out += delimiter_;
    std::u16string item = core::utf8_to_utf16(items_[i]);
    bool quote = false;
    for (char16_t c : item)
      if (c <= u' ' || c == u'"' || c == delimiter_) quote = true;
    if (!quote) {
      out += item;
      continue;
    }
    out += u'"';
    for (char16_t c : item) {
      if (c == u'"') out += u'"';
      out += c;
    }
    out += u'"';
  }
  return out;
}

void TStringXpgList::SetDelimitedText(std::u16string_view s) {
  items_.clear();
  std::size_t i = 0;
  const std::size_t n = s.size();
  auto skip_blanks = [&] {
    while (i < n && (IsBlankOrControl(s[i]) || s[i] == 0)) ++i;
  };
  skip_blanks();
  while (i < n) {
    std::u16string item;
    if (s[i] == u'"') {
      ++i;
      while (i < n) {
        if (s[i] == u'"') {
          if (i + 1 < n && s[i + 1] == u'"') {
            item += u'"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += s[i++];
      }
    } else {
      std::size_t start = i;
      while (i < n && s[i] > u' ' && s[i] != delimiter_) ++i;
      item.assign(s.substr(start, i - start));
    }
    items_.push_back(core::utf16_to_utf8(item));
    skip_blanks();
    if (i < n && s[i] == delimiter_) {
      if (i + 1 == n) items_.emplace_back();
      ++i;
      skip_blanks();
    }
  }
}

// --- item lists

std::u16string TItemXpgList::GetDelimitedText() const {
  std::u16string out;
  for (int i = 0; i < GetCount(); ++i) {
    if (i) out += u' ';
    out += DelimitedItem(i);
  }
  return out;
}

void TItemXpgList::SetDelimitedText(std::u16string_view s) {
  Clear();
  std::u16string text(s), piece;
  while (!text.empty()) {
    XmlSplitAtChar(delimiter_, text, piece);
    if (!TryAddText(piece) && OnError) OnError(*this);
  }
}

std::u16string TBooleanXpgCodec::ToText(bool value) { return value ? u"true" : u"false"; }
bool TBooleanXpgCodec::FromText(std::u16string_view s) { return XmlStrToBool(s); }
bool TBooleanXpgCodec::TryFromText(std::u16string_view s, bool& value) { return TryXmlStrToBool(s, value); }
std::u16string TBooleanXpgCodec::ToDelimited(bool value) { return value ? u"True" : u"False"; }

std::u16string TExtendedXpgCodec::ToText(double value) { return XmlFloatToStr(value); }
double TExtendedXpgCodec::FromText(std::u16string_view s) { return XmlStrToFloat(s); }
bool TExtendedXpgCodec::TryFromText(std::u16string_view s, double& value) { return TryXmlStrToFloat(s, value); }
std::u16string TExtendedXpgCodec::ToDelimited(double value) { return WithLocaleSeparator(XmlFloatToStr(value)); }

std::u16string TLongwordXpgCodec::ToText(std::uint32_t value) { return XmlIntToStr(value); }
std::uint32_t TLongwordXpgCodec::FromText(std::u16string_view s) {
  std::uint32_t v;
  if (!TryXmlStrToLongword(s, v)) throw core::Error("'" + core::utf16_to_utf8(s) + "' is not a valid integer value");
  return v;
}
bool TLongwordXpgCodec::TryFromText(std::u16string_view s, std::uint32_t& value) {
  return TryXmlStrToLongword(s, value);
}
std::u16string TLongwordXpgCodec::ToDelimited(std::uint32_t value) { return XmlIntToStr(value); }

std::u16string TDateTimeXpgCodec::ToText(TDateTime value) { return XmlDateTimeToStr(value); }
TDateTime TDateTimeXpgCodec::FromText(std::u16string_view s) { return XmlStrToDateTime(s); }
bool TDateTimeXpgCodec::TryFromText(std::u16string_view s, TDateTime& value) { return TryXmlStrToDateTime(s, value); }
std::u16string TDateTimeXpgCodec::ToDelimited(TDateTime value) { return WithLocaleSeparator(XmlFloatToStr(value)); }

void TTDateTimeXpgList::SetDelimitedText(std::u16string_view s) {
  Clear();
  if (!s.empty()) throw core::Error("Not implemented: TryXmlStrToDateTime");
}

}  // namespace ooxml
