// Helpers of the DrawingML binding tests: one element (or one element group inside a wrapper
// element) read into a fresh object of a document that can hold a picture store, every report
// collected, and what the object writes back in compact form.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ooxml/binding/xpg_testing.h"
#include "ooxml/drawingml/drawingml_main.h"

namespace ooxml::drawingml {

class DmlProbeDoc : public XpgProbeDoc, public TXpgPictureHost {
public:
  DmlProbeDoc() : XpgProbeDoc(kXpgDrawingPolicy) {}
};

// An object of T that read xml as its own element; an element group (group = true) reads the
// children of xml's outer element and is written inside an element of the name given.
template <class T, bool Group = false>
struct ReadInto {
  DmlProbeDoc doc;
  T obj{&doc};
  std::vector<std::string> reports;

  explicit ReadInto(const std::string& xml = {}, workbook::TXc12GraphicManager* store = nullptr,
                    std::u16string owner = {}) {
    doc.GraphicManager = store;
    doc.PictureOwnerKey = std::move(owner);
    doc.Errors.SetOnError([this](TXpgPErrors& e) { reports.push_back(ToUtf8(e.LastError())); });
    if (!xml.empty()) XpgReadProbe(doc, obj, xml, Group);
  }
  std::string Written(std::u16string_view name) { return Compact(XpgWriteProbe(obj, name, Group)); }
};

// Every case read into a fresh T and written back as name.
template <class T, bool Group = false>
void ExpectRoundTrips(std::u16string_view name, const std::vector<XmlCase>& cases) {
  for (const auto& c : cases) {
    ReadInto<T, Group> r(c.in);
    EXPECT_EQ(Joined(r.reports), c.reports) << c.title;
    EXPECT_EQ(r.Written(name), c.out) << c.title;
  }
}

}  // namespace ooxml::drawingml
