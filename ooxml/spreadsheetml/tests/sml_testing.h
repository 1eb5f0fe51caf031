// Helpers of the SpreadsheetML binding tests: one element read into a fresh object with every report
// collected, and what the object writes back in compact form.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ooxml/binding/xpg_testing.h"
#include "ooxml/spreadsheetml/gen/spreadsheetml.h"

namespace ooxml::sml {

// Output of the writer without its declaration line and without the CR that ends every tag.
inline std::string Compact(const std::string& written) {
  std::string out;
  const auto body = written.find('\r');
  for (std::size_t i = body == std::string::npos ? 0 : body + 1; i < written.size(); ++i)
    if (written[i] != '\r') out += written[i];
  return out;
}

inline std::string Joined(const std::vector<std::string>& items) {
  std::string out;
  for (const auto& s : items) out += (out.empty() ? "" : "; ") + s;
  return out;
}

// An object of T that read xml as its own element.
template <class T>
struct ReadInto {
  XpgProbeDoc doc{kXpgSpreadsheetPolicy};
  T obj{&doc};
  std::vector<std::string> reports;

  explicit ReadInto(const std::string& xml = {}) {
    doc.Errors.SetOnError([this](TXpgPErrors& e) { reports.push_back(ToUtf8(e.LastError())); });
    if (!xml.empty()) Read(xml);
  }
  void Read(const std::string& xml) { XpgReadProbe(doc, obj, xml, false); }
  // The object written as element name (open: always with start and end tag).
  std::string Written(std::u16string_view name, bool open = false) {
    return Compact(XpgWriteProbe(obj, name, false, open));
  }
};

// A whole part read into the unit's document, reports collected.
struct LoadedPart {
  TXPGDocXLSX doc;
  std::vector<std::string> reports;

  LoadedPart() {
    doc.Errors.SetOnError([this](TXpgPErrors& e) { reports.push_back(ToUtf8(e.LastError())); });
  }
  void Load(const std::string& xml) { XpgLoad(doc, xml); }
  std::string Saved() { return Compact(XpgSave(doc)); }
};

// One case of a table of XML in and XML out: what is read, what is written back, and the reports
// the reading gives (joined by "; ").
struct XmlCase {
  const char* title;
  std::string in;
  std::string out;
  std::string reports = {};
};

// Every case read into a fresh T and written back as name.
template <class T>
void ExpectRoundTrips(std::u16string_view name, const std::vector<XmlCase>& cases) {
  for (const auto& c : cases) {
    ReadInto<T> r(c.in);
    EXPECT_EQ(Joined(r.reports), c.reports) << c.title;
    EXPECT_EQ(r.Written(name), c.out) << c.title;
  }
}

}  // namespace ooxml::sml
