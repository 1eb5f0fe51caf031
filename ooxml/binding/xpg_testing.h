// Helpers of the generated round-trip tests: a probe document that reads one element into a given
// object, writing one object as a standalone element, and comparisons with readable failures.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/unicode.h"
#include "ooxml/binding/xpg_document.h"
#include "xml/typed_lists.h"
#include "xml/xml_stream.h"

namespace ooxml {

inline std::string ToUtf8(std::u16string_view s) { return core::utf16_to_utf8(s); }

// Hands the content of a wrapper element to an element group.
class XpgGroupHost : public TXPGBase {
public:
  XpgGroupHost(TXPGDocBase* owner, TXPGBase& group) : TXPGBase(owner), group_(group) {}
  TXPGBase* HandleElement(TXPGReader& reader) override {
    if (TXPGBase* o = group_.HandleElement(reader)) return o;
    ReportUnknownElement(reader);
    return this;
  }

private:
  TXPGBase& group_;
};

class XpgProbeRoot : public TXPGBase {
public:
  explicit XpgProbeRoot(TXPGDocBase* owner) : TXPGBase(owner) {}
  TXPGBase* HandleElement(TXPGReader& reader) override {
    if (!Target) return this;
    TXPGBase* result = Target;
    if (Group) {
      host_ = std::make_unique<XpgGroupHost>(Owner, *Target);
      result = host_.get();
    } else {
      Target->ReadContent(reader);
    }
    Target = nullptr;
    result->FAssigned = xaRead;
    return result;
  }
  TXPGBase* Target = nullptr;
  bool Group = false;

private:
  std::unique_ptr<XpgGroupHost> host_;
};

class XpgProbeDoc : public TXPGDocBase {
public:
  explicit XpgProbeDoc(const TXpgUnitPolicy& policy) : TXPGDocBase(policy), root_(this) {
    Errors.SetOnError([this](TXpgPErrors& e) {
      ++reports_;
      last_ = ToUtf8(e.LastError());
    });
  }
  int Reports() const { return reports_; }
  const std::string& LastReport() const { return last_; }
  XpgProbeRoot& Probe() { return root_; }

protected:
  TXPGBase& RootObject() override { return root_; }

private:
  XpgProbeRoot root_;
  int reports_ = 0;
  std::string last_;
};

// The object written as one element name (a group: its children inside a wrapper element; open:
// always with start and end tag, as a streaming container writes its items).
inline std::string XpgWriteProbe(TXPGBase& object, std::u16string_view name, bool group, bool open = false) {
  XmlMemoryStream stream;
  TXpgWriteXML writer;
  writer.BeginDocument(stream);
  object.CheckAssigned();
  if (open) {
    object.WriteAttributes(writer);
    object.WriteKeptAttributes(writer);
    writer.WriteTagStart(name);
    object.WriteElements(writer);
    writer.WriteTagEnd();
  } else if (group) {
    writer.WriteTagStart(name);
    object.WriteElements(writer);
    writer.WriteTagEnd();
  } else {
    XpgWriteElement(writer, name, object);
  }
  return stream.Data();
}

inline void XpgReadProbe(XpgProbeDoc& doc, TXPGBase& target, const std::string& xml, bool group) {
  doc.Probe().Target = &target;
  doc.Probe().Group = group;
  XmlMemoryStream stream(xml);
  doc.LoadFromStream(stream);
}

inline std::string XpgSave(TXPGDocBase& doc) {
  XmlMemoryStream stream;
  doc.SaveToStream(stream);
  return stream.Data();
}

inline void XpgLoad(TXPGDocBase& doc, const std::string& xml) {
  XmlMemoryStream stream(xml);
  doc.LoadFromStream(stream);
}

inline ::testing::AssertionResult XpgDiffer(const char* what) {
  return ::testing::AssertionFailure() << what << " differs after the round trip";
}

inline bool XpgSameDouble(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

inline bool XpgSameList(const TBaseXpgList& a, const TBaseXpgList& b) {
  if (a.GetCount() != b.GetCount()) return false;
  for (int i = 0; i < a.GetCount(); ++i)
    if (a.GetAsString(i) != b.GetAsString(i)) return false;
  return true;
}

// One kept element with two attributes, text and a nested element.
inline void XpgPopulateAny(TXPGAnyElements& list) {
  TXPGAnyElement* e = list.Add(u"x14:kept", u"");
  e->Attributes.emplace_back(u"xmlns:x14", u"urn:example:kept");
  e->Attributes.emplace_back(u"val", u"a<b");
  auto child = std::make_unique<TXPGAnyElement>(list.Owner, u"x14:inner", u"text & more");
  child->Attributes.emplace_back(u"n", u"1");
  child->Depth = 1;
  e->Children.push_back(std::move(child));
}

}  // namespace ooxml
