#include "xml/xml_reader.h"

#include <algorithm>
#include <cstring>

#include "core/error.h"
#include "core/unicode.h"
#include "xml/xml_writer.h"

namespace ooxml {

namespace {

constexpr std::size_t npos = std::string_view::npos;

struct ByteClass {
  bool ws[256] = {};
  bool name_end[256] = {};       // ends a tag name
  bool attr_name_end[256] = {};  // ends an attribute name
  constexpr ByteClass() {
    for (unsigned char c : {' ', '\t', '\r', '\n'}) ws[c] = name_end[c] = attr_name_end[c] = true;
    for (unsigned char c : {'>', '/', '=', '"', '\'', '<'}) name_end[c] = attr_name_end[c] = true;
    name_end[static_cast<unsigned char>('?')] = true;
  }
};
constexpr ByteClass kClass;

inline bool IsWs(char c) { return kClass.ws[static_cast<unsigned char>(c)]; }

// Most runs in a part are short (a value, a number, the gap between tags): a few bytes are looked at
// directly before the rest goes to memchr.
inline const char* FindByte(const char* p, const char* end, char c) {
  for (int k = 0; k < 16 && p < end; ++k, ++p)
    if (*p == c) return p;
  return p < end ? static_cast<const char*>(std::memchr(p, c, static_cast<std::size_t>(end - p))) : nullptr;
}

// Line feeds in [p, end): memchr skips the long runs between them.
std::size_t CountLineFeeds(const char* p, const char* end) {
  std::size_t n = 0;
  while (p < end) {
    const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    if (!lf) break;
    ++n;
    p = static_cast<const char*>(lf) + 1;
  }
  return n;
}

[[noreturn]] void UnexpectedEnd() { throw core::Error("Unexcpected end of file in XML"); }

void SplitName(std::string_view qname, std::string_view& prefix, std::string_view& local) {
  std::size_t colon = qname.rfind(':');
  if (colon == npos) {
    prefix = {};
    local = qname;
  } else {
    prefix = qname.substr(0, colon);
    local = qname.substr(colon + 1);
  }
}

// Most values and texts of a worksheet (numbers, references, style indexes) are short ASCII without
// references: those are widened while their string is built, sparing a copy.
inline bool IsShortPlain(std::string_view raw) {
  if (raw.size() > 32) return false;
  for (char c : raw)
    if (static_cast<unsigned char>(c) >= 0x80 || c == '&') return false;
  return true;
}

std::string Printable(std::string_view s) { return std::string(s.substr(0, 200)); }

// Writes one code point as UTF-16 at out and returns the units written.
inline std::size_t PutCodePoint(char16_t* out, char32_t cp) {
  if (cp < 0x10000) {
    out[0] = static_cast<char16_t>(cp);
    return 1;
  }
  cp -= 0x10000;
  out[0] = static_cast<char16_t>(0xD800 + (cp >> 10));
  out[1] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  return 2;
}

// Decodes one UTF-8 sequence at p[i] (p[i] >= 0x80); advances i.
inline char32_t DecodeUtf8(const unsigned char* p, std::size_t n, std::size_t& i) {
  unsigned char c = p[i];
  std::size_t len;
  unsigned lo = 0x80, hi = 0xBF;  // range of the second byte
  if (c >= 0xC2 && c < 0xE0) {
    len = 2;
  } else if (c >= 0xE0 && c < 0xF0) {
    len = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c < 0xF5) {
    len = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    ++i;
    return core::kReplacementChar;
  }
  char32_t cp = c & (0x7Fu >> len);
  std::size_t k = 1;
  for (; k < len && i + k < n; ++k) {
    unsigned b = p[i + k];
    if (b < (k == 1 ? lo : 0x80u) || b > (k == 1 ? hi : 0xBFu)) break;
    cp = (cp << 6) | (b & 0x3Fu);
  }
  i += k;  // a broken sequence counts as one replacement over its longest valid start
  return k == len ? cp : core::kReplacementChar;
}

// The value of a reference name (the bytes between "&" and ";"): a character, U+FFFD for a bad
// character reference, or -1 for an entity the reader does not know (dropped).
long ReferenceValue(std::string_view name) {
  switch (name.size()) {
    case 2:
      if (name == "lt") return '<';
      if (name == "gt") return '>';
      break;
    case 3:
      if (name == "amp") return '&';
      break;
    case 4:
      if (name == "apos") return '\'';
      if (name == "quot") return '"';
      break;
    default:
      break;
  }
  if (name.empty() || name[0] != '#') return -1;
  std::string_view digits = name.substr(1);
  bool hex = !digits.empty() && digits[0] == 'x';
  if (hex) digits.remove_prefix(1);
  if (digits.empty()) return core::kReplacementChar;
  unsigned long v = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return core::kReplacementChar;
    v = v * (hex ? 16 : 10) + static_cast<unsigned long>(d);
    if (v > 0x10FFFF) return core::kReplacementChar;
  }
  if (v == 0 || (v >= 0xD800 && v <= 0xDFFF)) return core::kReplacementChar;
  return static_cast<long>(v);
}

}  // namespace

namespace {
// Decodes raw into w (room for raw.size() units) and returns the units written.
std::size_t DecodeInto(char16_t* w, std::string_view raw) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(raw.data());
  const std::size_t n = raw.size();
  char16_t* const start = w;
  std::size_t i = 0;
  while (i < n) {
    unsigned char c = p[i];
    if (c < 0x80) {
      if (c != '&') {
        *w++ = c;
        ++i;
        continue;
      }
      std::size_t j = i + 1;
      while (j < n && j - i <= 40 && p[j] != ';' && p[j] != '&' && p[j] != '<' && !IsWs(static_cast<char>(p[j]))) ++j;
      if (j >= n || p[j] != ';') {
        *w++ = u'&';  // no reference: the ampersand stays as written
        ++i;
        continue;
      }
      long v = ReferenceValue(std::string_view(raw.data() + i + 1, j - i - 1));
      if (v >= 0) w += PutCodePoint(w, static_cast<char32_t>(v));
      i = j + 1;
    } else {
      w += PutCodePoint(w, DecodeUtf8(p, n, i));
    }
  }
  return static_cast<std::size_t>(w - start);
}
}  // namespace

void XmlDecodeAppend(std::u16string& out, std::string_view raw) {
  // Never more units than bytes. Short spans (most values) go through a stack buffer, which spares
  // the string's zero fill.
  if (raw.size() <= 64) {
    char16_t tmp[64];
    out.append(tmp, DecodeInto(tmp, raw));
    return;
  }
  const std::size_t base = out.size();
  out.resize(base + raw.size());
  out.resize(base + DecodeInto(out.data() + base, raw));
}

void AppendName(std::u16string& out, std::string_view raw) {
  bool ascii = true;
  for (char c : raw)
    if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
  if (!ascii) {
    out += XmlDecodeName(raw);
    return;
  }
  for (char c : raw) out.push_back(static_cast<unsigned char>(c));
}

std::u16string XmlDecodeSpan(std::string_view raw) {
  std::u16string out;
  XmlDecodeAppend(out, raw);
  return out;
}

std::u16string XmlDecodeName(std::string_view raw) {
  std::u16string out(raw.size(), u'\0');
  const unsigned char* p = reinterpret_cast<const unsigned char*>(raw.data());
  char16_t* w = out.data();
  for (std::size_t i = 0; i < raw.size();) {
    if (p[i] < 0x80) *w++ = p[i++];
    else w += PutCodePoint(w, DecodeUtf8(p, raw.size(), i));
  }
  out.resize(static_cast<std::size_t>(w - out.data()));
  return out;
}

// ---------------------------------------------------------------------------------------------
// Attribute list

void TXpgXMLAttributeList::AssignItems(const TXpgXmlAttributeArray& items, int count) {
  count_ = 0;
  int n = std::min<int>(count, static_cast<int>(items.size()));
  for (int k = 0; k < n; ++k) {
    const TXpgXmlAttribute& src = items[static_cast<std::size_t>(k)];
    if (src.NameReady && src.ValueReady) {
      Add(src.Name, src.Value);
    } else {
      PushRaw(src.RawName, src.RawValue);
    }
  }
}

void TXpgXMLAttributeList::Add(std::u16string_view name, std::u16string_view value) {
  // Copied first: the views may point into this list's own entries, which growing moves.
  std::u16string n(name), v(value);
  if (count_ == static_cast<int>(items_.size())) Grow();
  TXpgXmlAttribute& e = items_[static_cast<std::size_t>(count_++)];
  e.RawName = {};
  e.RawValue = {};
  e.Name = std::move(n);
  e.Value = std::move(v);
  e.Spare = 0;
  e.NameReady = e.ValueReady = true;
}

void TXpgXMLAttributeList::AddItems(const TXpgXmlAttribute* items, int count) {
  // Decoded copies first: items may be this list's own storage.
  std::vector<std::pair<std::u16string, std::u16string>> copies;
  copies.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (int k = 0; k < count; ++k) {
    const TXpgXmlAttribute& src = items[k];
    copies.emplace_back(src.NameReady ? src.Name : XmlDecodeName(src.RawName),
                        src.ValueReady ? src.Value : XmlDecodeSpan(src.RawValue));
  }
  for (auto& [name, value] : copies) Add(name, value);
}

void TXpgXMLAttributeList::AddItems(const TXpgXMLAttributeList& other) {
  const int n = other.count_;  // fixed first, so that a list can append its own entries
  for (int k = 0; k < n; ++k) Add(other.GetName(k), other.GetValue(k));
}

void TXpgXMLAttributeList::IndexError(int index) {
  throw core::Error("List index out of bounds (" + std::to_string(index) + ")");
}

void TXpgXMLAttributeList::DecodeName(TXpgXmlAttribute& e) {
  e.Name.clear();
  AppendName(e.Name, e.RawName);
  e.NameReady = true;
}

void TXpgXMLAttributeList::DecodeValue(TXpgXmlAttribute& e) {
  const std::string_view raw = e.RawValue;
  if (IsShortPlain(raw)) {
    e.Value.assign(raw.begin(), raw.end());  // the entry's storage is reused from tag to tag
  } else {
    e.Value.clear();
    XmlDecodeAppend(e.Value, raw);
  }
  e.ValueReady = true;
}

std::string_view TXpgXMLAttributeList::RawName(int index) const { return At(index).RawName; }

std::string_view TXpgXMLAttributeList::RawValue(int index) const { return At(index).RawValue; }

std::int32_t TXpgXMLAttributeList::NameByteSum(int index) const {
  std::int32_t sum = 0;
  for (unsigned char c : RawName(index)) sum += c;
  return sum;
}

std::uint32_t TXpgXMLAttributeList::NameRSHash(int index) const {
  std::uint32_t hash = 0, a = 63689;
  for (unsigned char c : RawName(index)) {
    hash = hash * a + c;
    a *= 378551u;
  }
  return hash;
}

std::u16string TXpgXMLAttributeList::GetNameValueText(int index) const {
  std::string value;
  XmlAppendEscaped(value, GetValue(index), true);
  return GetName(index) + u"=\"" + core::utf8_to_utf16(value) + u"\"";
}

void TXpgXMLAttributeList::Detach() {
  for (int k = 0; k < count_; ++k) {
    GetName(k);
    GetValue(k);
    items_[static_cast<std::size_t>(k)].RawName = {};
    items_[static_cast<std::size_t>(k)].RawValue = {};
  }
}

// ---------------------------------------------------------------------------------------------
// Reader

TXpgReadXML::TXpgReadXML() = default;
TXpgReadXML::~TXpgReadXML() = default;

void TXpgReadXML::Clear() { stop_ = false; }

void TXpgReadXML::Parse(XmlStream& stream) { Run(stream, false); }
void TXpgReadXML::ParseTolerant(XmlStream& stream) { Run(stream, true); }

void TXpgReadXML::ProcessingInstruction() {
  if (local_ != "xml" || !prefix_.empty()) return;
  for (const auto& [name, value] : pi_attrs_) {
    if (name != "encoding") continue;
    if (!core::ascii_iequals(value, "utf-8"))
      throw core::Error("Unsupported encoding of xml: \"" + std::string(value) + "\". Must be utf-8");
    return;
  }
}

void TXpgReadXML::BeginTag() {}
void TXpgReadXML::EndTag() {}
void TXpgReadXML::Comment() {}

std::u16string TXpgReadXML::GetQualifiedName() const { return XmlDecodeName(qname_); }
std::u16string TXpgReadXML::GetLocalName() const { return XmlDecodeName(local_); }

std::int32_t TXpgReadXML::TagByteSum() const {
  std::int32_t sum = 0;
  for (unsigned char c : qname_) sum += c;
  return sum;
}

std::uint32_t TXpgReadXML::TagRSHash() const {
  std::uint32_t hash = 0, a = 63689;
  for (unsigned char c : qname_) {
    hash = hash * a + c;
    a *= 378551u;
  }
  return hash;
}

bool TXpgReadXML::LocalNameIs(std::u16string_view s) const {
  if (s.size() != local_.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (static_cast<unsigned char>(local_[i]) != (s[i] & 0xFF)) return false;
  return true;
}

std::u16string TXpgReadXML::GetText() const {
  if (!has_text_) return {};
  if (IsShortPlain(text_)) return std::u16string(text_.begin(), text_.end());
  std::u16string out;
  XmlDecodeAppend(out, text_);
  return out;
}

void TXpgReadXML::GetText(std::u16string& out) const {
  out.clear();
  if (!has_text_) return;
  if (IsShortPlain(text_)) {
    out.assign(text_.begin(), text_.end());
    return;
  }
  XmlDecodeAppend(out, text_);
}

std::u16string TXpgReadXML::FindPIAttribute(std::u16string_view name) const {
  for (const auto& [n, v] : pi_attrs_)
    if (XmlDecodeName(n) == name) return XmlDecodeName(v);
  return {};
}

std::u16string TXpgReadXML::GetComment() const { return XmlDecodeName(comment_); }

std::size_t TXpgReadXML::LineCount() const {
  std::size_t upto = std::min(event_end_, end_);
  return lines_before_ + CountLineFeeds(buf_.data(), buf_.data() + upto);
}

void TXpgReadXML::SyntaxError(const std::string& what) const { throw core::Error("Syntax error in XML: " + what); }

void TXpgReadXML::TagError(const char* what, const char* name, std::size_t length) const {
  SyntaxError(std::string(what) + " \"" + Printable(std::string_view(name, length)) + "\"");
}

bool TXpgReadXML::Refill(std::size_t keep_from) {
  // Spans of the last event point into the bytes about to move.
  Attributes.Detach();
  qname_ = prefix_ = local_ = text_ = comment_ = {};
  has_text_ = false;
  pi_attrs_.clear();
  lines_before_ += CountLineFeeds(buf_.data(), buf_.data() + keep_from);
  std::size_t kept = end_ - keep_from;
  if (kept && keep_from) std::memmove(buf_.data(), buf_.data() + keep_from, kept);
  end_ = kept;
  event_end_ = 0;
  // The buffer holds its bytes plus one sentinel "<" after them, which ends every scan for a name
  // or a blank without a bounds check per byte.
  const std::size_t room = buf_.size() - 1;
  if (end_ == room) {
    // One construct fills the whole buffer: grow it, up to the longest construct accepted.
    if (room >= max_construct_)
      SyntaxError("tag or text longer than " + std::to_string(max_construct_ >> 10) + " KB");
    buf_.resize(std::min(room * 2, max_construct_) + 1);
  }
  std::size_t before = end_;
  while (end_ < buf_.size() - 1) {
    std::size_t n = stream_->Read(buf_.data() + end_, buf_.size() - 1 - end_);
    if (n == 0) {
      eof_ = true;
      break;
    }
    end_ += n;
  }
  buf_[end_] = '<';
  return end_ > before;
}

void TXpgReadXML::Run(XmlStream& stream, bool tolerant) {
  stream_ = &stream;
  end_ = 0;
  eof_ = false;
  lines_before_ = 0;
  event_end_ = 0;
  open_len_ = 0;
  open_starts_.clear();
  Attributes.Clear();
  qname_ = prefix_ = local_ = text_ = comment_ = {};
  has_text_ = empty_element_ = false;
  pi_attrs_.clear();
  if (buf_.size() != initial_size_ + 1) buf_.assign(initial_size_ + 1, '\0');
  struct Release {
    TXpgReadXML& r;
    ~Release() {
      r.stream_ = nullptr;
      // A buffer grown for one huge construct is not kept for the reader's next parse.
      if (r.buf_.size() > (std::size_t{4} << 20)) {
        r.Attributes.Detach();
        r.qname_ = r.prefix_ = r.local_ = r.text_ = r.comment_ = {};
        r.has_text_ = false;
        r.pi_attrs_.clear();
        std::vector<char>().swap(r.buf_);
        r.end_ = 0;
      }
    }
  } release{*this};

  if (stop_) return;
  Refill(0);
  const char* b = buf_.data();
  std::size_t pos = 0;
  if (end_ >= 2 && ((static_cast<unsigned char>(b[0]) == 0xFF && static_cast<unsigned char>(b[1]) == 0xFE) ||
                    (static_cast<unsigned char>(b[0]) == 0xFE && static_cast<unsigned char>(b[1]) == 0xFF) ||
                    (b[0] == '<' && b[1] == '\0')))
    throw core::Error("Unsupported encoding of xml: \"UTF-16\". Must be utf-8");
  if (end_ >= 3 && static_cast<unsigned char>(b[0]) == 0xEF && static_cast<unsigned char>(b[1]) == 0xBB &&
      static_cast<unsigned char>(b[2]) == 0xBF)
    pos = 3;

  bool saw_tag = false, junk = false;
  auto note_junk = [&](std::size_t from, std::size_t to) {
    if (saw_tag || junk) return;
    for (std::size_t k = from; k < to; ++k)
      if (!IsWs(buf_[k])) {
        junk = true;
        return;
      }
  };

  while (!stop_) {
    b = buf_.data();
    const char* lt = FindByte(b + pos, b + end_, '<');
    if (!lt) {
      note_junk(pos, end_);
      if (eof_) break;
      Refill(end_);
      pos = 0;
      continue;
    }
    std::size_t at = static_cast<std::size_t>(lt - b);
    note_junk(pos, at);
    std::size_t next = npos;
    if (end_ - at >= 2) {
      switch (b[at + 1]) {
        case '/': next = CutEndTag(at, tolerant); break;
        case '?': next = CutPI(at); break;
        case '!': next = CutBang(at, tolerant); break;
        default: next = CutTag(at, tolerant); break;
      }
    }
    if (next == npos) {
      if (eof_) {
        if (tolerant) break;
        UnexpectedEnd();
      }
      Refill(at);
      pos = 0;
      continue;
    }
    saw_tag = true;
    pos = next;
  }
  if (stop_) return;
  if (!saw_tag && junk) SyntaxError("can not find \"<\"");
  if (!tolerant && !open_starts_.empty()) UnexpectedEnd();
}

std::size_t TXpgReadXML::CutTag(std::size_t at, bool tolerant) {
  const char* const b = buf_.data();
  const char* const end = b + end_;  // *end is the sentinel "<"
  const char* p = b + at + 1;
  while (IsWs(*p)) ++p;
  const char* const ns = p;
  const char* colon = nullptr;
  for (;; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (kClass.name_end[c]) break;
    if (c == ':') colon = p;
  }
  if (p >= end) return npos;
  const char* const ne = p;
  // "< !x>" would be written back as "<!x>", which is no element: a name never starts with "!".
  if ((ns == ne || *ns == '!') && !tolerant) SyntaxError("tag without a name");

  Attributes.BeginFill();
  bool empty = false;
  if (!tolerant) {
    for (;;) {
      while (IsWs(*p)) ++p;
      if (p >= end) return npos;
      const char c = *p;
      if (c == '>') {
        ++p;
        break;
      }
      if (c == '/') {
        if (p + 1 >= end) return npos;
        if (p[1] != '>') TagError("bad tag", ns, static_cast<std::size_t>(ne - ns));
        empty = true;
        p += 2;
        break;
      }
      const char* const as = p;
      while (!kClass.attr_name_end[static_cast<unsigned char>(*p)]) ++p;
      if (p >= end) return npos;
      const char* const ae = p;
      while (IsWs(*p)) ++p;
      if (p >= end) return npos;
      if (as == ae || *p != '=') TagError("bad attribute in tag", ns, static_cast<std::size_t>(ne - ns));
      ++p;
      while (IsWs(*p)) ++p;
      if (p >= end) return npos;
      const char q = *p;
      if (q != '"' && q != '\'') TagError("bad attribute in tag", ns, static_cast<std::size_t>(ne - ns));
      const char* const qe = FindByte(p + 1, end, q);
      if (!qe) return npos;
      Attributes.PushRaw(std::string_view(as, static_cast<std::size_t>(ae - as)),
                         std::string_view(p + 1, static_cast<std::size_t>(qe - p - 1)));
      p = qe + 1;
    }
  } else {
    for (;;) {
      while (IsWs(*p)) ++p;
      if (p >= end) return npos;
      const char c = *p;
      if (c == '>') {
        ++p;
        break;
      }
      if (c == '/') {
        if (p + 1 >= end) return npos;
        if (p[1] == '>') {
          empty = true;
          p += 2;
          break;
        }
        ++p;
        continue;
      }
      const char* const as = p;
      while (p < end && !IsWs(*p) && *p != '=' && *p != '>') ++p;
      if (p >= end) return npos;
      const char* const ae = p;
      while (IsWs(*p)) ++p;
      if (p >= end) return npos;
      if (*p != '=') continue;  // a name without a value is ignored
      ++p;
      while (IsWs(*p)) ++p;
      if (p >= end) return npos;
      const char q = *p;
      const char *vs, *ve;
      if (q == '"' || q == '\'') {
        const char* qe = FindByte(p + 1, end, q);
        if (!qe) return npos;
        vs = p + 1;
        ve = qe;
        p = qe + 1;
      } else {
        vs = p;
        while (p < end && !IsWs(*p) && *p != '>') ++p;
        if (p >= end) return npos;
        ve = p;
        if (ve > vs && ve[-1] == '/' && *p == '>') {
          // <a b=1/> ends an empty element
          if (ae > as)
            Attributes.PushRaw(std::string_view(as, static_cast<std::size_t>(ae - as)),
                               std::string_view(vs, static_cast<std::size_t>(ve - 1 - vs)));
          empty = true;
          ++p;
          break;
        }
      }
      if (ae > as)
        Attributes.PushRaw(std::string_view(as, static_cast<std::size_t>(ae - as)),
                           std::string_view(vs, static_cast<std::size_t>(ve - vs)));
    }
  }

  // Character data up to the next tag belongs to a start tag; an empty element has none.
  const char* next = p;
  text_ = {};
  has_text_ = false;
  if (!empty) {
    if (p >= end) {
      if (!eof_) return npos;
    } else if (*p != '<') {
      const char* te = FindByte(p, end, '<');
      if (!te) {
        if (!eof_) return npos;
        te = end;
      }
      const char* ts = p;
      if (tolerant)
        while (ts < te && (*ts == '\r' || *ts == '\n')) ++ts;
      if (ts < te) {
        text_ = std::string_view(ts, static_cast<std::size_t>(te - ts));
        has_text_ = true;
      }
      next = te;
    }
    if (!AppendCData(next, end)) return npos;
  }

  qname_ = std::string_view(ns, static_cast<std::size_t>(ne - ns));
  if (colon) {
    prefix_ = std::string_view(ns, static_cast<std::size_t>(colon - ns));
    local_ = std::string_view(colon + 1, static_cast<std::size_t>(ne - colon - 1));
  } else {
    prefix_ = {};
    local_ = qname_;
  }
  empty_element_ = empty;
  event_end_ = static_cast<std::size_t>(next - b);
  if (!tolerant && !empty) {
    // Names are short: copied byte by byte into storage that only grows.
    if (open_len_ + qname_.size() > open_names_.size())
      open_names_.resize(std::max(open_names_.size() * 2, open_len_ + qname_.size() + 256));
    open_starts_.push_back(open_len_);
    char* dst = open_names_.data() + open_len_;
    for (std::size_t k = 0; k < qname_.size(); ++k) dst[k] = qname_[k];
    open_len_ += qname_.size();
  }
  BeginTag();
  if (empty) {
    has_text_ = false;
    text_ = {};
    EndTag();
  }
  return static_cast<std::size_t>(next - b);
}

// CDATA sections in an element's text are text: their content is taken literally, escaped into
// the element's raw text so the one decoder of raw text gives it back. Next moves past them and
// the plain text that follows, up to the next tag. False when the buffer ends inside a section.
bool TXpgReadXML::AppendCData(const char*& next, const char* end) {
  static constexpr std::string_view kOpen = "<![CDATA[";
  auto starts_cdata = [&](const char* p) {
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(end - p), kOpen.size());
    return std::string_view(p, n) == kOpen.substr(0, n);
  };
  if (next >= end || !starts_cdata(next)) return true;
  if (static_cast<std::size_t>(end - next) < kOpen.size()) {
    if (!eof_) return false;
    UnexpectedEnd();
  }
  cdata_.assign(text_.data(), text_.size());
  const char* p = next;
  while (p < end && *p == '<' && starts_cdata(p)) {
    if (static_cast<std::size_t>(end - p) < kOpen.size()) {
      if (!eof_) return false;
      UnexpectedEnd();
    }
    const std::string_view rest(p + kOpen.size(), static_cast<std::size_t>(end - p) - kOpen.size());
    const std::size_t close = rest.find("]]>");
    if (close == std::string_view::npos) {
      if (!eof_) return false;
      UnexpectedEnd();
    }
    for (char c : rest.substr(0, close)) {
      if (c == '&')
        cdata_ += "&amp;";
      else if (c == '<')
        cdata_ += "&lt;";
      else
        cdata_ += c;
    }
    p = rest.data() + close + 3;
    const char* te = FindByte(p, end, '<');
    if (!te) {
      if (!eof_) return false;
      te = end;
    }
    cdata_.append(p, static_cast<std::size_t>(te - p));
    p = te;
  }
  text_ = cdata_;
  has_text_ = !cdata_.empty();
  next = p;
  return true;
}

std::size_t TXpgReadXML::CutEndTag(std::size_t at, bool tolerant) {
  const char* const b = buf_.data();
  const char* const end = b + end_;  // *end is the sentinel "<"
  const char* p = b + at + 2;
  while (IsWs(*p)) ++p;
  const char* const ns = p;
  const char* colon = nullptr;
  for (;; ++p) {
    const char c = *p;
    if (IsWs(c) || c == '>' || c == '<') break;
    if (c == ':') colon = p;
  }
  const char* const ne = p;
  const std::string_view name(ns, static_cast<std::size_t>(ne - ns));
  while (p < end && *p != '>') {
    if (!tolerant && !IsWs(*p)) SyntaxError("bad end tag \"" + Printable(name) + "\"");
    ++p;
  }
  if (p >= end) return npos;
  if (!tolerant) {
    if (open_starts_.empty()) SyntaxError("end tag \"" + Printable(name) + "\" without a start tag");
    std::string_view open(open_names_.data() + open_starts_.back(), open_len_ - open_starts_.back());
    bool same = open.size() == name.size();
    for (std::size_t k = 0; same && k < name.size(); ++k) same = open[k] == name[k];
    if (!same)
      SyntaxError("end tag \"" + Printable(name) + "\" does not match \"" + Printable(open) + "\"");
    open_len_ = open_starts_.back();
    open_starts_.pop_back();
  }
  qname_ = name;
  if (colon) {
    prefix_ = std::string_view(ns, static_cast<std::size_t>(colon - ns));
    local_ = std::string_view(colon + 1, static_cast<std::size_t>(ne - colon - 1));
  } else {
    prefix_ = {};
    local_ = qname_;
  }
  has_text_ = false;
  text_ = {};
  empty_element_ = false;
  Attributes.BeginFill();
  const std::size_t next = static_cast<std::size_t>(p + 1 - b);
  event_end_ = next;
  EndTag();
  return next;
}

std::size_t TXpgReadXML::CutBang(std::size_t at, bool tolerant) {
  const char* b = buf_.data();
  const std::size_t e = end_;
  std::string_view rest(b + at, e - at);
  if (rest.size() < 4) return npos;
  if (rest[2] == '-' && rest[3] == '-') {
    std::size_t close = rest.find("-->", 4);
    std::size_t next;
    std::size_t body_end;
    if (tolerant) {
      std::size_t gt = rest.find('>', 4);
      if (gt != npos && (close == npos || gt < close + 2)) {
        body_end = gt;
        next = gt + 1;
        if (close != npos && close + 2 == gt) body_end = close;
      } else if (close != npos) {
        body_end = close;
        next = close + 3;
      } else {
        return npos;
      }
    } else {
      if (close == npos) return npos;
      body_end = close;
      next = close + 3;
    }
    comment_ = rest.substr(4, body_end - 4);
    event_end_ = at + next;
    Comment();
    return at + next;
  }
  if (rest.size() < 9 && std::string_view("<![CDATA[").substr(0, rest.size()) == rest) return npos;
  if (rest.substr(0, 9) == "<![CDATA[") {
    // Character data that belongs to no start tag (after an end tag) is passed over, as plain
    // text there is.
    std::size_t close = rest.find("]]>", 9);
    if (close == npos) return npos;
    return at + close + 3;
  }
  // A document type declaration or another "<!" construct: skipped, including an internal subset
  // in brackets. Entity declarations are not honoured, so nothing can expand.
  if (tolerant) {
    std::size_t gt = rest.find('>', 2);
    return gt == npos ? npos : at + gt + 1;
  }
  int depth = 0;
  char quote = 0;
  for (std::size_t k = 2; k < rest.size(); ++k) {
    char c = rest[k];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '[') {
      ++depth;
    } else if (c == ']') {
      if (depth > 0) --depth;
    } else if (c == '>' && depth == 0) {
      return at + k + 1;
    }
  }
  return npos;
}

std::size_t TXpgReadXML::CutPI(std::size_t at) {
  const char* b = buf_.data();
  std::string_view rest(b + at, end_ - at);
  std::size_t close = rest.find("?>", 2);
  if (close == npos) return npos;
  std::size_t i = 2;
  while (i < close && IsWs(rest[i])) ++i;
  std::size_t ns = i;
  while (i < close && !IsWs(rest[i])) ++i;
  qname_ = rest.substr(ns, i - ns);
  SplitName(qname_, prefix_, local_);
  // Pseudo-attributes name="value"; anything else in the instruction is passed over.
  pi_attrs_.clear();
  while (i < close) {
    while (i < close && IsWs(rest[i])) ++i;
    std::size_t as = i;
    while (i < close && !IsWs(rest[i]) && rest[i] != '=') ++i;
    std::size_t ae = i;
    while (i < close && IsWs(rest[i])) ++i;
    if (i >= close || rest[i] != '=' || ae == as) {
      ++i;
      continue;
    }
    ++i;
    while (i < close && IsWs(rest[i])) ++i;
    if (i >= close || (rest[i] != '"' && rest[i] != '\'')) continue;
    char q = rest[i];
    std::size_t ve = rest.find(q, i + 1);
    if (ve == npos || ve > close) break;
    pi_attrs_.emplace_back(rest.substr(as, ae - as), rest.substr(i + 1, ve - i - 1));
    i = ve + 1;
  }
  has_text_ = false;
  text_ = {};
  empty_element_ = false;
  event_end_ = at + close + 2;
  ProcessingInstruction();
  return at + close + 2;
}

}  // namespace ooxml
