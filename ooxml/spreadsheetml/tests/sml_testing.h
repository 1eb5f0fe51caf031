// Helpers of the SpreadsheetML binding tests: one element read into a fresh object with every report
// collected, and what the object writes back in compact form.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ooxml/binding/xpg_testing.h"
#include "ooxml/spreadsheetml/gen/spreadsheetml.h"

namespace ooxml::sml {

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

// The declaration a part begins with.
inline constexpr char kDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

// Every case read as a whole part into a fresh document and saved back as the document element
// it held.
inline void ExpectPartRoundTrips(const std::vector<XmlCase>& cases) {
  for (const auto& c : cases) {
    LoadedPart p;
    p.Load(kDecl + c.in);
    EXPECT_EQ(Joined(p.reports), c.reports) << c.title << c.in;
    EXPECT_EQ(p.Saved(), c.out) << c.title << c.in;
  }
}

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
