// Streaming UTF-8 XML writer: one tag per line ending in a single CR, no indentation, attributes of
// the next tag gathered in a bounded buffer. Every part the spreadsheet library writes goes through it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "xml/xml_stream.h"

namespace ooxml {

// Names of the open elements, last in first out.
class TXpgStrStack {
public:
  void Push(std::string name) { items_.push_back(std::move(name)); }
  // Raises "Empty stack" when nothing is open.
  std::string Pop();
  std::size_t Count() const { return items_.size(); }

private:
  std::vector<std::string> items_;
};

class TXpgWriteXML {
public:
  // Content bytes the attribute buffer may hold: 32,767 or more raise "Write XML buffer owerflow".
  static constexpr std::size_t kAttributeLimit = 32767;

  TXpgWriteXML();

  // Sets the output (not owned) and writes the declaration. Keeps stack, buffer and pending text.
  void BeginDocument(XmlStream& stream);
  void WriteDeclaration();

  // Name="Value" and a blank, the value escaped.
  void AddAttribute(std::u16string_view name, std::u16string_view value);
  // Text appended as it stands: ready-made name="value" lines of a document element.
  void AddAttributesRaw(std::u16string_view text);

  void WriteTagStart(std::u16string_view name);
  void WriteTagEnd();
  void WriteTag(std::u16string_view name);
  void WriteTagText(std::u16string_view name, std::u16string_view content);
  // An empty element without attributes; the buffer and the pending text wait for the next tag.
  void WriteTagEmpty(std::u16string_view name);

  void WriteString(std::u16string_view s);
  void WriteBuffer(const void* data, std::size_t count);

  // Pending text of the next WriteTag or WriteTagEnd; emptied once written.
  std::u16string Text;

  std::size_t AttributeBytes() const { return attrs_.size(); }
  std::size_t OpenCount() const { return stack_.Count(); }

private:
  void Emit();
  void AppendStartTag(std::u16string_view name, bool empty_element);
  XmlStream& Out();

  XmlStream* stream_ = nullptr;
  std::string attrs_;  // encoded attributes of the next tag
  std::string line_;   // the tag being formed; written to the stream as one piece
  TXpgStrStack stack_;
};

// Appends s escaped for element text (in_attribute false) or an attribute value, as UTF-8:
// the five predefined entities, CR (and in attribute values TAB and LF) as character references,
// and the characters XML cannot hold as _xHHHH_.
void XmlAppendEscaped(std::string& out, std::u16string_view s, bool in_attribute);

}  // namespace ooxml
