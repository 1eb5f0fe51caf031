// A document that reads the sheet-data elements of a worksheet part into their bindings (the
// worksheet's own element class comes with the sheet roots): any document element is read through,
// and sheetData, cols, mergeCells, hyperlinks, dimension, sheetFormatPr and sheetCalcPr below it go
// to their objects. For the fuzz target, the benchmark and the fixture checks; no gtest here.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ooxml/spreadsheetml/gen/spreadsheetml.h"

namespace ooxml::sml {

class SheetDataHost : public TXPGDocXLSX {
public:
  SheetDataHost() : host_(*this) {}

  TCT_SheetData data{this};
  TCT_Cols cols{this};
  TCT_MergeCells merges{this};
  TCT_Hyperlinks links{this};
  TCT_SheetDimension dimension{this};
  TCT_SheetFormatPr format{this};
  TCT_SheetCalcPr calc{this};

  // The bound elements in worksheet order, each written when it holds anything.
  void WriteSheet(TXpgWriteXML& writer) {
    Write(writer, u"dimension", dimension);
    Write(writer, u"sheetFormatPr", format);
    Write(writer, u"cols", cols);
    writer.WriteTagStart(u"sheetData");  // a worksheet always has one
    data.WriteElements(writer);
    writer.WriteTagEnd();
    Write(writer, u"sheetCalcPr", calc);
    Write(writer, u"mergeCells", merges);
    Write(writer, u"hyperlinks", links);
  }

protected:
  TXPGBase& RootObject() override { return host_; }

private:
  static void Write(TXpgWriteXML& writer, std::u16string_view name, TXPGBase& object) {
    if (object.CheckAssigned() > 0) XpgWriteElement(writer, name, object);
  }

  class Host : public TXPGBase {
  public:
    explicit Host(SheetDataHost& doc) : TXPGBase(&doc), doc_(doc) {}
    TXPGBase* HandleElement(TXPGReader& reader) override {
      const std::string_view name = reader.RawQualifiedName();
      TXPGBase* o = nullptr;
      if (name == "sheetData") o = &doc_.data;
      else if (name == "cols") o = &doc_.cols;
      else if (name == "mergeCells") o = &doc_.merges;
      else if (name == "hyperlinks") o = &doc_.links;
      else if (name == "dimension") o = &doc_.dimension;
      else if (name == "sheetFormatPr") o = &doc_.format;
      else if (name == "sheetCalcPr") o = &doc_.calc;
      if (!o) {
        // The document element's attributes (namespace declarations) are written back; those of
        // other elements read through are neither kept nor reported.
        if (reader.Depth() == 1)
          for (int i = 0; i < reader.Attributes.GetCount(); ++i)
            root_attributes_.emplace_back(reader.Attributes.GetName(i), reader.Attributes.GetValue(i));
        reader.AttributesTaken();
        return this;
      }
      o->FAssigned = xaRead;
      o->ReadContent(reader);
      return o;
    }
    void WriteElements(TXpgWriteXML& writer) override {
      for (const auto& [name, value] : root_attributes_) writer.AddAttribute(name, value);
      writer.WriteTagStart(u"worksheet");
      doc_.WriteSheet(writer);
      writer.WriteTagEnd();
    }
    int CheckAssigned() override { return 1; }

  private:
    SheetDataHost& doc_;
    std::vector<std::pair<std::u16string, std::u16string>> root_attributes_;
  };
  Host host_;
};

}  // namespace ooxml::sml
