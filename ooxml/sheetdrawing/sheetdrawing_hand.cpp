// The operations of the drawing classes that the tables cannot express: the cell marker's paired
// write, the graphic frame's chart (read from the package with its style parts, written as new
// parts), and leaving out the frames that hold no chart together with their anchor.
#include <algorithm>
#include <memory>
#include <string>

#include "core/unicode.h"
#include "ooxml/opc/opc_streams.h"
#include "ooxml/sheetdrawing/conventional_prefixes.h"
#include "ooxml/sheetdrawing/drawing_document.h"

namespace ooxml::sheetdrawing {

namespace {

TXpgDrawingHost* HostOf(const TXPGBase& object) { return dynamic_cast<TXpgDrawingHost*>(object.Owner); }

TOPC_XLSX* PackageOf(const TXPGBase& object) {
  TXpgDrawingHost* host = HostOf(object);
  return host ? host->Package : nullptr;
}

// With a package the chart is written as new parts; without one, the reference goes back as read.
bool WritesChart(const TCT_GraphicalObjectData& data) {
  if (data.Chart) return true;
  return !PackageOf(data) && !data.ChartId.empty();
}

bool FrameWritten(const TCT_GraphicalObjectFrame& frame) {
  return frame.graphic && frame.graphic->graphicData && WritesChart(*frame.graphic->graphicData);
}

const TEG_ObjectChoices* ObjectOf(const TXPGBase& anchor) {
  if (auto* a = dynamic_cast<const TCT_TwoCellAnchor*>(&anchor)) return a->object.get();
  if (auto* a = dynamic_cast<const TCT_OneCellAnchor*>(&anchor)) return a->object.get();
  if (auto* a = dynamic_cast<const TCT_AbsoluteAnchor*>(&anchor)) return a->object.get();
  return nullptr;
}

// A frame that holds no chart (a diagram, an ink drawing, a frame whose chart went missing) has
// nothing left to show: its anchor is not written rather than written as an empty frame.
bool AnchorLeftOut(const TXPGBase& anchor) {
  const TEG_ObjectChoices* object = ObjectOf(anchor);
  return object && object->graphicFrame && !FrameWritten(*object->graphicFrame);
}

bool MemberLeftOut(const TXPGBase& member) {
  auto* frame = dynamic_cast<const TCT_GraphicalObjectFrame*>(&member);
  return frame && !FrameWritten(*frame);
}

void ReportLeftOut(const TXPGBase& object) {
  if (object.Owner) object.Owner->Errors.Error(2, u"xdr:graphicFrame", 0);
}

// The items of an ordered list that are written (an item read or added counts even when it holds
// nothing); those left out are reported.
int CheckMembers(TXPGOrderedList& list, bool (*left_out)(const TXPGBase&), const TXPGBase& owner) {
  int sum = 0;
  for (int i = 0; i < list.Count(); ++i) {
    TXPGBase* item = list.GetItems(i);
    if (left_out(*item))
      ReportLeftOut(owner);
    else
      sum += std::max(1, item->CheckAssigned());
  }
  return sum;
}

void WriteMembers(TXPGOrderedList& list, bool (*left_out)(const TXPGBase&), TXpgWriteXML& writer) {
  for (int i = 0; i < list.Count(); ++i) {
    TXPGBase* item = list.GetItems(i);
    if (!left_out(*item)) XpgWriteElement(writer, list.NameAt(i), *item, true);
  }
}

void WriteRequired(TXpgWriteXML& writer, std::u16string_view name, TXPGBase* child) {
  if (child && child->Assigned())
    XpgWriteElement(writer, name, *child);
  else
    writer.WriteTag(name);
}

std::unique_ptr<TXpgSimpleDOM> ReadStylePart(std::unique_ptr<io::TStream> stream) {
  auto dom = std::make_unique<TXpgSimpleDOM>();
  XmlOverTStream xml(*stream);
  dom->Parse(xml);
  return dom;
}

// Stores text as the data of a part created for writing, then closes it.
void StorePart(TOPC_XLSX& package, TOPCItem* item, const std::string& text) {
  io::TMemoryStream data;
  if (!text.empty()) data.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  data.SetPosition(0);
  package.WriteItem(item, data);
  package.CloseItem(item);
}

}  // namespace

// ---- cell marker ---------------------------------------------------------------------------

int TCT_Marker_Pos::CheckAssigned() {
  FAssigned = 0;
  const int set = (col != XPG_UNSET_INT) + (colOff != XPG_UNSET_INT) + (row != XPG_UNSET_INT) +
                  (rowOff != XPG_UNSET_INT);
  if (set > 0) FAssigned |= xaElements;
  return set;
}

void TCT_Marker_Pos::WriteElements(TXpgWriteXML& writer) {
  auto pair = [&writer](std::u16string_view name, std::int32_t value, std::u16string_view offset_name,
                        std::int32_t offset) {
    writer.WriteTagText(name, XmlIntToStr(value));
    writer.WriteTagText(offset_name, XmlIntToStr(offset == XPG_UNSET_INT ? 0 : offset));
  };
  if (col != XPG_UNSET_INT) pair(u"xdr:col", col, u"xdr:colOff", colOff);
  if (row != XPG_UNSET_INT) pair(u"xdr:row", row, u"xdr:rowOff", rowOff);
}

// ---- graphic data ---------------------------------------------------------------------------

TXPGBase* TCT_GraphicalObjectData::HandleElement(TXPGReader& reader) {
  if (reader.RawQualifiedName() != "c:chart") {
    // Graphic data of another kind is not kept.
    Foreign = true;
    reader.AttributesTaken();
    return this;
  }
  for (int i = 0; i < reader.Attributes.GetCount(); ++i) {
    if (!(TXpgAttrName(reader.Attributes, i) == "r:id")) continue;
    // A second reference replaces the first.
    Chart.reset();
    ChartId = reader.Attributes.GetValue(i);
    TXpgDrawingHost* host = HostOf(*this);
    TOPC_XLSX* package = host ? host->Package : nullptr;
    if (!package) continue;
    auto chart = std::make_unique<chart::TXPGDocXLSXChart>();
    if (host->ChartReports) chart->Errors.SetOnError(host->ChartReports);
    const std::string id = core::u8(ChartId);
    TOPCItem* item = package->GetChartItem(id);
    // The style parts first, as the chart part names them.
    for (int k = 0; k < item->GetCount(); ++k) {
      TOPCItem* related = item->GetItem(k);
      if (related->RelType == reltype::kChartStyle)
        chart->ChartStyle = ReadStylePart(package->ReadChartStyle(item, related->GetId()));
      else if (related->RelType == reltype::kChartColorStyle)
        chart->ColorStyle = ReadStylePart(package->ReadChartColors(item, related->GetId()));
    }
    item->Close();
    std::unique_ptr<io::TStream> part = package->ReadChart(id);
    chart->LoadFromStream(*ConventionalPart(*part));
    Chart = std::move(chart);
  }
  reader.AttributesTaken();
  return this;
}

int TCT_GraphicalObjectData::CheckAssigned() {
  FAssigned = 0;
  int count = 0;
  if (!uri.empty()) {
    FAssigned |= xaAttributes;
    ++count;
  }
  if (WritesChart(*this)) {
    FAssigned |= xaElements;
    ++count;
  }
  return count;
}

void TCT_GraphicalObjectData::WriteElements(TXpgWriteXML& writer) {
  TOPC_XLSX* package = PackageOf(*this);
  std::u16string id = ChartId;
  if (package && Chart) {
    XmlMemoryStream text;
    Chart->SaveToStream(text);
    TOPCItem* item = package->CreateChart();
    StorePart(*package, item, text.Data());
    id = core::u16(item->GetId());
    // The style parts take the chart's number.
    if (Chart->ChartStyle) {
      XmlMemoryStream style;
      Chart->ChartStyle->SaveToStream(style);
      StorePart(*package, package->CreateChartStyle(item), style.Data());
    }
    if (Chart->ColorStyle) {
      XmlMemoryStream colors;
      Chart->ColorStyle->SaveToStream(colors);
      StorePart(*package, package->CreateChartColors(item), colors.Data());
    }
  } else if (!WritesChart(*this)) {
    return;
  }
  writer.AddAttribute(u"xmlns:c", kChartNamespace);
  writer.AddAttribute(u"xmlns:r", drawingml::kRelationshipsNamespace);
  writer.AddAttribute(u"r:id", id);
  writer.WriteTag(u"c:chart");
}

void TCT_GraphicalObjectData::Clear() {
  TXPGBase::Clear();
  uri.clear();
  Chart.reset();
  ChartId.clear();
  Foreign = false;
}

// ---- anchors and groups ---------------------------------------------------------------------

int TEG_Anchor::CheckAssigned() {
  FAssigned = 0;
  const int sum = CheckMembers(anchors, AnchorLeftOut, *this);
  if (sum > 0) FAssigned |= xaElements;
  return sum;
}

void TEG_Anchor::WriteElements(TXpgWriteXML& writer) { WriteMembers(anchors, AnchorLeftOut, writer); }

int TCT_GroupShape::CheckAssigned() {
  // Whenever written, a group holds its two required children (empty ones included).
  FAssigned = xaElements;
  int sum = 0;
  if (nvGrpSpPr) sum += nvGrpSpPr->CheckAssigned();
  if (grpSpPr) sum += grpSpPr->CheckAssigned();
  return sum + CheckMembers(members, MemberLeftOut, *this);
}

void TCT_GroupShape::WriteElements(TXpgWriteXML& writer) {
  WriteRequired(writer, u"xdr:nvGrpSpPr", nvGrpSpPr.get());
  WriteRequired(writer, u"xdr:grpSpPr", grpSpPr.get());
  WriteMembers(members, MemberLeftOut, writer);
}

// ---- queries and additions ------------------------------------------------------------------

bool HasAnchors(const TCT_Drawing& Drawing) { return Drawing.anchors->anchors.Count() > 0; }

bool HasChart(const TCT_GraphicalObjectFrame& Frame) {
  return Frame.graphic && Frame.graphic->graphicData && Frame.graphic->graphicData->Chart;
}

TCT_TwoCellAnchor* AddTwoCellAnchor(TCT_Drawing& Drawing) {
  return Drawing.anchors->anchors.Add<TCT_TwoCellAnchor>(u"xdr:twoCellAnchor");
}

}  // namespace ooxml::sheetdrawing
