// A reader that records its events as lines of text, for comparing event streams in tests.
#pragma once

#include <string>
#include <vector>

#include "core/unicode.h"
#include "xml/xml_reader.h"

namespace ooxml::testing {

class EventLog : public TXpgReadXML {
public:
  std::vector<std::string> events;

  void BeginTag() override {
    std::string e = "<" + core::u8(GetQualifiedName());
    for (int i = 0; i < Attributes.GetCount(); ++i)
      e += " " + core::u8(Attributes.GetName(i)) + "=" + core::u8(Attributes.GetValue(i));
    if (HasText()) {
      // The text through the reused buffer, which must hold what a fresh string gets.
      GetText(text_);
      if (text_ != GetText()) e += "|reused buffer differs";
      e += "|" + core::u8(text_);
    }
    events.push_back(e);
  }
  void EndTag() override { events.push_back("/" + core::u8(GetQualifiedName())); }
  void Comment() override { events.push_back("!" + core::u8(GetComment())); }
  void ProcessingInstruction() override {
    TXpgReadXML::ProcessingInstruction();
    events.push_back("?" + core::u8(GetQualifiedName()));
  }

  std::string Joined() const {
    std::string s;
    for (const std::string& e : events) s += e + "\n";
    return s;
  }

private:
  std::u16string text_;
};

inline std::vector<std::string> ParseEvents(const std::string& xml, bool tolerant = false,
                                            std::size_t buffer = 65536) {
  EventLog log;
  log.SetInitialBufferSize(buffer);
  XmlMemoryStream in(xml);
  if (tolerant) log.ParseTolerant(in);
  else log.Parse(in);
  return log.events;
}

}  // namespace ooxml::testing
