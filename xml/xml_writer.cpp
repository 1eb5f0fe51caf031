#include "xml/xml_writer.h"

#include "core/error.h"
#include "core/unicode.h"

namespace ooxml {

namespace {

const char kHex[] = "0123456789ABCDEF";

void AppendXEscape(std::string& out, char16_t c) {
  out += "_x";
  out += kHex[(c >> 12) & 15];
  out += kHex[(c >> 8) & 15];
  out += kHex[(c >> 4) & 15];
  out += kHex[c & 15];
  out += '_';
}

// Names and raw text are ASCII in every schema; anything else is kept as UTF-8 rather than cut to a
// byte, so that a name read from a custom part is written back unchanged.
void AppendUtf8(std::string& out, std::u16string_view s) {
  bool ascii = true;
  for (char16_t c : s)
    if (c >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii) {
    for (char16_t c : s) out += static_cast<char>(c);
  } else {
    out += core::utf16_to_utf8(s);
  }
}

void Overflow() { throw core::Error("Write XML buffer owerflow"); }

}  // namespace

void XmlAppendEscaped(std::string& out, std::u16string_view s, bool in_attribute) {
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n; ++i) {
    char16_t c = s[i];
    if (c < 0x80) {
      switch (c) {
        case u'&': out += "&amp;"; continue;
        case u'<': out += "&lt;"; continue;
        case u'>': out += "&gt;"; continue;
        case u'"': out += "&quot;"; continue;
        case u'\'': out += "&apos;"; continue;
        case u'\r': out += "&#13;"; continue;
        case u'\n':
          if (in_attribute) out += "&#10;";
          else out += '\n';
          continue;
        case u'\t':
          if (in_attribute) out += "&#9;";
          else out += '\t';
          continue;
        default:
          if (c < 0x20) AppendXEscape(out, c);
          else out += static_cast<char>(c);
          continue;
      }
    }
    if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      if (c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
        char32_t cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (s[i + 1] - 0xDC00);
        ++i;
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
      } else {
        AppendXEscape(out, c);  // an unpaired surrogate has no UTF-8 form
      }
    } else if (c == 0xFFFE || c == 0xFFFF) {
      AppendXEscape(out, c);
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
}

std::string TXpgStrStack::Pop() {
  if (items_.empty()) throw core::Error("Empty stack");
  std::string name = std::move(items_.back());
  items_.pop_back();
  return name;
}

TXpgWriteXML::TXpgWriteXML() {
  attrs_.reserve(65535);
  line_.reserve(4096);
}

XmlStream& TXpgWriteXML::Out() {
  if (!stream_) throw core::Error("XML writer has no output stream");
  return *stream_;
}

void TXpgWriteXML::Emit() {
  // The line is gone whatever happens, so a failed write leaves no half tag for the next call.
  struct Reset {
    std::string& s;
    ~Reset() { s.clear(); }
  } reset{line_};
  Out().Write(line_.data(), line_.size());
}

void TXpgWriteXML::BeginDocument(XmlStream& stream) {
  stream_ = &stream;
  WriteDeclaration();
}

void TXpgWriteXML::WriteDeclaration() {
  line_ += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r";
  Emit();
}

void TXpgWriteXML::AddAttribute(std::u16string_view name, std::u16string_view value) {
  const std::size_t mark = attrs_.size();
  AppendUtf8(attrs_, name);
  attrs_ += "=\"";
  XmlAppendEscaped(attrs_, value, true);
  attrs_ += "\" ";
  if (attrs_.size() >= kAttributeLimit) {
    attrs_.resize(mark);  // nothing of a rejected attribute stays behind
    Overflow();
  }
}

void TXpgWriteXML::AddAttributesRaw(std::u16string_view text) {
  const std::size_t mark = attrs_.size();
  AppendUtf8(attrs_, text);
  if (attrs_.size() >= kAttributeLimit) {
    attrs_.resize(mark);
    Overflow();
  }
}

void TXpgWriteXML::AppendStartTag(std::u16string_view name, bool empty_element) {
  line_ += '<';
  AppendUtf8(line_, name);
  if (!attrs_.empty()) {
    line_ += ' ';
    line_ += attrs_;
    attrs_.clear();
  }
  line_ += empty_element ? "/>" : ">";
}

void TXpgWriteXML::WriteTagStart(std::u16string_view name) {
  std::string n;
  AppendUtf8(n, name);
  AppendStartTag(name, false);
  line_ += '\r';
  Emit();
  stack_.Push(std::move(n));
}

void TXpgWriteXML::WriteTagEnd() {
  std::string name = stack_.Pop();
  if (!Text.empty()) {
    // Attributes still pending go out in front of the text, as the callers' order puts them there.
    line_ += attrs_;
    attrs_.clear();
    // The text follows the CR of the start tag; a leading LF would merge with it into one line end.
    std::u16string_view text = Text;
    if (text.front() == u'\n') {
      line_ += "&#10;";
      text.remove_prefix(1);
    }
    XmlAppendEscaped(line_, text, false);
    Text.clear();
  }
  line_ += "</";
  line_ += name;
  line_ += ">\r";
  Emit();
}

void TXpgWriteXML::WriteTag(std::u16string_view name) {
  if (!Text.empty()) {
    std::u16string content = std::move(Text);
    Text.clear();
    WriteTagText(name, content);
    return;
  }
  AppendStartTag(name, true);
  line_ += '\r';
  Emit();
}

void TXpgWriteXML::WriteTagText(std::u16string_view name, std::u16string_view content) {
  AppendStartTag(name, false);
  XmlAppendEscaped(line_, content, false);
  line_ += "</";
  AppendUtf8(line_, name);
  line_ += ">\r";
  Emit();
}

void TXpgWriteXML::WriteTagEmpty(std::u16string_view name) {
  line_ += '<';
  AppendUtf8(line_, name);
  line_ += "/>\r";
  Emit();
}

void TXpgWriteXML::WriteString(std::u16string_view s) {
  AppendUtf8(line_, s);
  Emit();
}

void TXpgWriteXML::WriteBuffer(const void* data, std::size_t count) { Out().Write(data, count); }

}  // namespace ooxml
