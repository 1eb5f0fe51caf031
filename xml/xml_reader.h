// Event-driven reader of UTF-8 XML parts. It cuts the input into tags, attributes, element text,
// comments and processing instructions and calls a virtual operation for each. Names stay byte spans
// in the reader's buffer, offered with their byte sum and RS hash for dispatch; attribute values and
// element text are decoded (entity and character references, UTF-8 to UTF-16) only when asked for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xml/xml_stream.h"

namespace ooxml {

// One attribute. The raw spans point into the reader's buffer and are valid during the event that
// reported them; the decoded name and value are filled on first use.
struct TXpgXmlAttribute {
  std::string_view RawName;
  std::string_view RawValue;
  std::u16string Name;
  std::u16string Value;
  int Spare = 0;
  bool NameReady = true;   // Name holds the decoded RawName
  bool ValueReady = true;  // Value holds the decoded RawValue
};
using TXpgXmlAttributeArray = std::vector<TXpgXmlAttribute>;

// The attributes of the tag being reported (or a list a caller fills with Add).
class TXpgXMLAttributeList {
public:
  // Takes the first count entries of items (raw spans included), to be decoded on demand.
  void AssignItems(const TXpgXmlAttributeArray& items, int count);
  void Clear() { count_ = 0; }
  int GetCount() const { return count_; }
  int Count() const { return count_; }
  // Qualified name as written ("r:id") and the decoded value. Index out of range raises.
  const std::u16string& GetName(int index) const {
    TXpgXmlAttribute& e = At(index);
    if (!e.NameReady) DecodeName(e);
    return e.Name;
  }
  const std::u16string& GetValue(int index) const {
    TXpgXmlAttribute& e = At(index);
    if (!e.ValueReady) DecodeValue(e);
    return e.Value;
  }
  // Byte sum and RS hash of the name as written; meaningful during the reader's current event.
  std::int32_t NameByteSum(int index) const;
  std::uint32_t NameRSHash(int index) const;
  std::string_view RawName(int index) const;
  // The value as written, references not decoded; empty for entries added with Add.
  std::string_view RawValue(int index) const;
  // Name="Value", the value escaped so that the text is valid inside a tag.
  std::u16string GetNameValueText(int index) const;
  void Add(std::u16string_view name, std::u16string_view value);
  void AddItems(const TXpgXmlAttribute* items, int count);
  void AddItems(const TXpgXMLAttributeList& other);
  // Decodes every entry and forgets the raw spans (before the reader's buffer moves).
  void Detach();

  // Used by the reader while it cuts a tag.
  void BeginFill() { count_ = 0; }
  void PushRaw(std::string_view name, std::string_view value) {
    if (count_ == static_cast<int>(items_.size())) Grow();
    TXpgXmlAttribute& e = items_[static_cast<std::size_t>(count_++)];
    e.RawName = name;
    e.RawValue = value;
    e.Spare = 0;
    e.NameReady = e.ValueReady = false;
  }

private:
  TXpgXmlAttribute& At(int index) const {
    if (index < 0 || index >= count_) IndexError(index);
    return items_[static_cast<std::size_t>(index)];
  }
  [[noreturn]] static void IndexError(int index);
  static void DecodeName(TXpgXmlAttribute& e);
  static void DecodeValue(TXpgXmlAttribute& e);
  void Grow() { items_.resize(items_.size() + 255); }
  mutable TXpgXmlAttributeArray items_;
  int count_ = 0;
};

class TXpgReadXML {
public:
  TXpgReadXML();
  virtual ~TXpgReadXML();
  TXpgReadXML(const TXpgReadXML&) = delete;
  TXpgReadXML& operator=(const TXpgReadXML&) = delete;

  // Resets the stop flag.
  virtual void Clear();
  // Well-formedness is checked for what the events rely on: tags closed, end tags matching, quoted
  // attribute values, input not ending inside a construct. Errors raise core::Error.
  virtual void Parse(XmlStream& stream);
  // Lenient: unquoted values, blanks around "=", "<!" constructs end at the first ">", no nesting
  // check, a tag cut off by the end of the input is dropped.
  virtual void ParseTolerant(XmlStream& stream);

  // Events. The base ProcessingInstruction checks the declaration's encoding; the others do nothing.
  virtual void ProcessingInstruction();
  virtual void BeginTag();
  virtual void EndTag();
  virtual void Comment();

  // The current tag.
  std::u16string GetQualifiedName() const;
  std::u16string GetLocalName() const;
  std::string_view RawQualifiedName() const { return qname_; }
  std::string_view RawLocalName() const { return local_; }
  std::string_view RawPrefix() const { return prefix_; }
  bool HasPrefix() const { return !prefix_.empty(); }
  std::int32_t TagByteSum() const;
  std::uint32_t TagRSHash() const;
  bool TagStartsWithC() const { return !local_.empty() && local_[0] == 'c'; }
  bool TagStartsWithV() const { return !local_.empty() && local_[0] == 'v'; }
  bool LocalNameIs(std::u16string_view s) const;
  // True for <x/>: BeginTag is followed by EndTag at once.
  bool IsEmptyElement() const { return empty_element_; }

  // Character data that follows a start tag up to the next "<"; never for an empty-element tag.
  bool HasText() const { return has_text_; }
  std::u16string GetText() const;
  // The same into out, whose storage is reused: no allocation once it is large enough.
  void GetText(std::u16string& out) const;
  std::string_view RawText() const { return text_; }

  // The current processing instruction's pseudo-attribute (value UTF-8 decoded, references kept).
  std::u16string FindPIAttribute(std::u16string_view name) const;
  // The text of the last comment.
  std::u16string GetComment() const;

  TXpgXMLAttributeList Attributes;

  // Ends the parse after the current event. Only Clear resets the flag.
  void Stop() { stop_ = true; }
  bool Stopped() const { return stop_; }
  // Line feeds passed so far in the current parse.
  std::size_t LineCount() const;

  // Test hook: the starting size of the buffer; smaller sizes move block boundaries everywhere.
  void SetInitialBufferSize(std::size_t size) { initial_size_ = size < 8 ? 8 : size; }
  // The longest single tag, element text or comment accepted (64 MB unless set); longer ones raise.
  void SetMaxConstruct(std::size_t size) { max_construct_ = size < 64 ? 64 : size; }

private:
  void Run(XmlStream& stream, bool tolerant);
  bool Refill(std::size_t keep_from);
  // Each returns the position after the construct, or npos when the buffer ends inside it.
  std::size_t CutTag(std::size_t at, bool tolerant);
  std::size_t CutEndTag(std::size_t at, bool tolerant);
  bool AppendCData(const char*& next, const char* end);
  std::size_t CutBang(std::size_t at, bool tolerant);
  std::size_t CutPI(std::size_t at);
  [[noreturn]] void SyntaxError(const std::string& what) const;
  [[noreturn]] void TagError(const char* what, const char* name, std::size_t length) const;

  XmlStream* stream_ = nullptr;
  std::vector<char> buf_;
  std::size_t end_ = 0;
  bool eof_ = false;
  std::size_t initial_size_ = 65536;
  std::size_t max_construct_ = std::size_t{64} << 20;
  std::size_t lines_before_ = 0;  // line feeds in bytes already dropped from the buffer
  std::size_t event_end_ = 0;

  bool stop_ = false;
  std::string_view qname_, prefix_, local_, text_, comment_;
  bool has_text_ = false;
  // An element's text that held CDATA sections, escaped (text_ then views it).
  std::string cdata_;
  bool empty_element_ = false;
  std::vector<std::pair<std::string_view, std::string_view>> pi_attrs_;

  // Names of the open elements (strict parse).
  std::vector<char> open_names_;
  std::size_t open_len_ = 0;
  std::vector<std::size_t> open_starts_;
};

// Decodes a raw span: the five predefined entities and character references, UTF-8 to UTF-16.
// Other entity references are dropped; an "&" that starts no reference stays; invalid UTF-8 and
// invalid character references become U+FFFD.
void XmlDecodeAppend(std::u16string& out, std::string_view raw);
std::u16string XmlDecodeSpan(std::string_view raw);
// UTF-8 to UTF-16 without reference decoding (names, comments).
std::u16string XmlDecodeName(std::string_view raw);
// Appends raw as XmlDecodeName does, reusing out's storage.
void AppendName(std::u16string& out, std::string_view raw);

}  // namespace ooxml
