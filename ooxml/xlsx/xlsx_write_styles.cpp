// The style sheet into "styles.xml" and the shared-string table into "sharedStrings.xml", with the
// fillers that move one formatting record into one binding object for every part's writer. Every
// list is written whole and in model order: a record's position in the part is its model index,
// which is what cells, formats and differential formats refer to.
#include <algorithm>

#include "ooxml/opc/opc_xlsx.h"
#include "ooxml/spreadsheetml/gen/spreadsheetml.h"
#include "ooxml/xlsx/xlsx_writer.h"
#include "workbook/manager.h"
#include "workbook/shared_strings.h"
#include "workbook/style_sheet.h"

namespace ooxml {

namespace wb = workbook;
using namespace sml;

namespace {

// The binding's underline literals: single 0, double 1, singleAccounting 2, doubleAccounting 3,
// none 4 (which it leaves unwritten).
std::uint8_t UnderlineLiteral(wb::TXc12Underline U) {
  switch (U) {
    case wb::xulSingle: return 0;
    case wb::xulDouble: return 1;
    case wb::xulSingleAccount: return 2;
    case wb::xulDoubleAccount: return 3;
    default: return 4;
  }
}

// A font element and the properties of a rich-text run hold the same leaves under other names.
template <class T>
void FontLeaves(const TXLSWriteXLSX& W, const wb::TXc12Font& Font, T& E) {
  E.charset->val = Font.GetCharset();
  E.family->val = Font.GetFamily();
  TCT_BooleanProperty* bits[] = {E.b.get(), E.i.get(), E.strike.get(), E.outline.get(),
                                 E.shadow.get(), E.condense.get(), E.extend.get()};
  for (int i = 0; i < 7; ++i) bits[i]->val = (Font.GetStyle() & (1 << i)) != 0;
  W.FillColor(Font.GetColor(), *E.color);
  E.sz->val = Font.GetSize();
  E.u->val = UnderlineLiteral(Font.GetUnderline());
  if (Font.GetSubSuperscript() != wb::xssNone) E.vertAlign->val = static_cast<std::uint8_t>(Font.GetSubSuperscript());
  if (Font.GetScheme() != wb::efsNone) E.scheme->val = static_cast<std::uint8_t>(Font.GetScheme());
}

void FillBorderLine(const TXLSWriteXLSX& W, const wb::TXc12BorderPr& Line, TCT_BorderPr& E) {
  if (Line.Style != wb::cbsNone) E.style = static_cast<std::uint8_t>(Line.Style);
  W.FillColor(Line.Color, *E.color);
}

// The number format id of a differential format. Its format is its own record, outside the
// style sheet's list: when it carries no id of its own, the id of the same mask in the list (or of
// the built-in mask) is taken, else one past every id in use, so that no two masks share an id.
int DxfNumFmtId(const wb::TXc12DataStyleSheet& Sheet, const wb::TXc12NumberFormat& F) {
  if (F.Index > 0) return F.Index;
  const wb::TXc12NumberFormats& list = *Sheet.NumberFormats;
  for (int i = 0; i < list.Count(); ++i) {
    const wb::TXc12NumberFormat* f = list.GetItem(i);
    if (f && f->GetMask() == F.GetMask()) return i;
  }
  for (int i = 0; i < wb::kXc12BuiltinNumberFormatCount; ++i)
    if (F.GetMask() == wb::Xc12BuiltinNumberFormats[static_cast<std::size_t>(i)]) return i;
  return std::max(list.Count(), 164);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Fillers

void TXLSWriteXLSX::FillColor(const wb::TXc12Color& Color, TCT_Color& E) const {
  switch (Color.ColorType) {
    case wb::xctAuto: E.automatic = true; break;
    case wb::xctIndexed: E.indexed = Color.Index; break;
    case wb::xctRgb: E.rgb = Color.RGB; break;
    case wb::xctTheme: E.theme = Color.Index; break;
    default: break;
  }
  E.tint = Color.Tint;
}

void TXLSWriteXLSX::FillFont(const wb::TXc12Font& Font, TCT_Font& E) const {
  E.name->val = Font.GetName();
  FontLeaves(*this, Font, E);
}

void TXLSWriteXLSX::FillRunFont(const wb::TXc12Font& Font, TCT_RPrElt& E) const {
  E.rFont->val = Font.GetName();
  FontLeaves(*this, Font, E);
}

void TXLSWriteXLSX::FillFill(const wb::TXc12Fill& Fill, TCT_Fill& E) const {
  if (const wb::TXc12GradientFill* g = Fill.GetGradient()) {
    TCT_GradientFill& e = *E.gradientFill;
    for (const auto& stop : g->Stops) {
      TCT_GradientStop* s = e.stop.Add();
      s->position = stop->Position;
      FillColor(stop->Color, *s->color);
    }
    if (g->GetGradientType() != 0) e.type = g->GetGradientType();
    e.degree = g->GetDegree();
    e.left = g->GetLeft();
    e.right = g->GetRight();
    e.top = g->GetTop();
    e.bottom = g->GetBottom();
    return;
  }
  TCT_PatternFill& p = *E.patternFill;
  p.patternType = EnumOrUnset(Fill.GetPatternType(), wb::efpNone);
  FillColor(Fill.FgColor, *p.fgColor);
  FillColor(Fill.BgColor, *p.bgColor);
  // A fill element needs its pattern, an empty one included: readers refuse a fill without one.
  p.FAssigned |= xaRead;
}

void TXLSWriteXLSX::FillBorder(const wb::TXc12Border& Border, TCT_Border& E) const {
  const wb::TXc12BorderOptions o = Border.GetOptions();
  E.diagonalUp = (o & wb::ecboDiagonalUp) != 0;
  E.diagonalDown = (o & wb::ecboDiagonalDown) != 0;
  E.outline = (o & wb::ecboOutline) != 0;
  FillBorderLine(*this, Border.Left, *E.left);
  FillBorderLine(*this, Border.Right, *E.right);
  FillBorderLine(*this, Border.Top, *E.top);
  FillBorderLine(*this, Border.Bottom, *E.bottom);
  FillBorderLine(*this, Border.Diagonal, *E.diagonal);
  FillBorderLine(*this, Border.Vertical, *E.vertical);
  FillBorderLine(*this, Border.Horizontal, *E.horizontal);
}

void TXLSWriteXLSX::FillAlignment(const wb::TXc12CellAlignment& A, TCT_CellAlignment& E) const {
  E.horizontal = EnumOrUnset(A.GetHorizAlignment(), wb::chaGeneral);
  E.vertical = EnumOrUnset(A.GetVertAlignment(), wb::cvaBottom);
  E.textRotation = A.GetRotation();
  E.indent = A.GetIndent();
  E.relativeIndent = A.GetRelativeIndent();
  E.readingOrder = A.GetReadingOrder() & 0x7F;
  E.wrapText = (A.GetOptions() & wb::foWrapText) != 0;
  E.shrinkToFit = (A.GetOptions() & wb::foShrinkToFit) != 0;
  E.justifyLastLine = (A.GetOptions() & wb::foJustifyLastLine) != 0;
}

void TXLSWriteXLSX::FillProtection(std::uint8_t Protection, TCT_CellProtection& E) const {
  E.locked = (Protection & 1) != 0;
  E.hidden = (Protection & 2) != 0;
}

void TXLSWriteXLSX::FillRichText(const std::u16string& Text, const wb::TXc12DynFontRunArray& FontRuns, TCT_Rst& Rst,
                                 const wb::TXc12DynPhoneticRunArray*) const {
  if (FontRuns.empty()) {
    Rst.t = Text;
    return;
  }
  const std::size_t size = Text.size();
  // A run position outside the text is cut to its end; positions never go backwards.
  auto at = [size](std::int32_t Index) { return std::min(static_cast<std::size_t>(std::max(Index, 0)), size); };
  std::size_t first = at(FontRuns.front().Index);
  if (first > 0) Rst.r.Add()->t = Text.substr(0, first);
  for (std::size_t k = 0; k < FontRuns.size(); ++k) {
    const std::size_t from = std::max(at(FontRuns[k].Index), first);
    const std::size_t to = k + 1 < FontRuns.size() ? std::max(at(FontRuns[k + 1].Index), from) : size;
    first = to;
    TCT_RElt* r = Rst.r.Add();
    r->t = Text.substr(from, to - from);
    if (FontRuns[k].Font) FillRunFont(*FontRuns[k].Font, *r->rPr);
  }
}

// ---------------------------------------------------------------------------------------------
// styles.xml

void TXLSWriteXLSX::FillXfs(const wb::TXc12XFs& List, TCT_XfXpgList& Elements) const {
  for (int i = 0; i < List.Count(); ++i) {
    TCT_Xf& e = *Elements.Add();
    const wb::TXc12XF* xf = List.GetItem(i);
    if (!xf) continue;
    if (xf->GetNumberFormat()) e.numFmtId = xf->GetNumberFormat()->Index;
    if (xf->GetFont()) e.fontId = xf->GetFont()->Index;
    if (xf->GetFill()) e.fillId = xf->GetFill()->Index;
    if (xf->GetBorder()) e.borderId = xf->GetBorder()->Index;
    if (xf->GetStyleXF()) e.xfId = xf->GetStyleXF()->Index;
    e.quotePrefix = xf->GetQuotePrefix() != 0;
    e.pivotButton = xf->GetPivotButton() != 0;
    const wb::TXc12XFApply a = xf->GetApply();
    e.applyNumberFormat = (a & wb::xfaNumberFormat) != 0;
    e.applyFont = (a & wb::xfaFont) != 0;
    e.applyFill = (a & wb::xfaFill) != 0;
    e.applyBorder = (a & wb::xfaBorder) != 0;
    e.applyAlignment = (a & wb::xfaAlignment) != 0;
    e.applyProtection = (a & wb::xfaProtection) != 0;
    FillAlignment(xf->Alignment, *e.alignment);
    FillProtection(xf->GetProtection(), *e.protection);
  }
}

void TXLSWriteXLSX::WriteStyles() {
  TOPCItem* item = Package_->CreateStyles();
  SetRootNamespaces(false);
  const wb::TXc12DataStyleSheet& sheet = *Manager_->StyleSheet;
  TCT_Stylesheet& s = *Doc_->Root().styleSheet;
  s.Clear();

  const wb::TXc12NumberFormats& formats = *sheet.NumberFormats;
  int numFmts = 0;
  for (int i = 0; i < formats.Count(); ++i) {
    const wb::TXc12NumberFormat* f = formats.GetItem(i);
    if (!f || !f->IsUserDefined()) continue;
    TCT_NumFmt* e = s.numFmts->numFmt.Add();
    e->numFmtId = f->Index;
    e->formatCode = f->GetMask();
    ++numFmts;
  }
  s.numFmts->count = numFmts;

  s.fonts->count = sheet.Fonts->Count();
  for (int i = 0; i < sheet.Fonts->Count(); ++i) {
    TCT_Font* e = s.fonts->font.Add();
    if (const wb::TXc12Font* f = sheet.Fonts->GetItem(i)) FillFont(*f, *e);
  }
  s.fills->count = sheet.Fills->Count();
  for (int i = 0; i < sheet.Fills->Count(); ++i) {
    TCT_Fill* e = s.fills->fill.Add();
    if (const wb::TXc12Fill* f = sheet.Fills->GetItem(i)) FillFill(*f, *e);
  }
  s.borders->count = sheet.Borders->Count();
  for (int i = 0; i < sheet.Borders->Count(); ++i) {
    TCT_Border* e = s.borders->border.Add();
    if (const wb::TXc12Border* b = sheet.Borders->GetItem(i)) FillBorder(*b, *e);
  }

  s.cellStyleXfs->count = sheet.StyleXFs->Count();
  FillXfs(*sheet.StyleXFs, s.cellStyleXfs->xf);
  s.cellXfs->count = sheet.XFs->Count();
  FillXfs(*sheet.XFs, s.cellXfs->xf);

  s.cellStyles->count = sheet.CellStyles->Count();
  for (int i = 0; i < sheet.CellStyles->Count(); ++i) {
    const wb::TXc12CellStyle* c = sheet.CellStyles->GetItem(i);
    TCT_CellStyle* e = s.cellStyles->cellStyle.Add();
    if (!c) continue;
    e->name = c->GetName();
    e->xfId = c->GetXF() ? c->GetXF()->Index : 0;
    e->builtinId = c->GetBuiltinId();
    e->iLevel = c->GetILevel();
    e->hidden = c->GetHidden() != 0;
    e->customBuiltin = c->GetCustomBuiltin() != 0;
  }

  s.dxfs->count = sheet.DXFs->Count();
  for (int i = 0; i < sheet.DXFs->Count(); ++i) {
    TCT_Dxf* e = s.dxfs->dxf.Add();
    const wb::TXc12DXF* d = sheet.DXFs->GetItem(i);
    if (!d) continue;
    if (d->GetFont()) FillFont(*d->GetFont(), *e->font);
    if (d->GetNumFmt() && !d->GetNumFmt()->GetMask().empty()) {
      e->numFmt->numFmtId = DxfNumFmtId(sheet, *d->GetNumFmt());
      e->numFmt->formatCode = d->GetNumFmt()->GetMask();
    }
    if (d->GetFill()) FillFill(*d->GetFill(), *e->fill);
    if (d->GetAlignment()) FillAlignment(*d->GetAlignment(), *e->alignment);
    // The reader keeps a differential border: it goes back with the rest.
    if (d->GetBorder()) FillBorder(*d->GetBorder(), *e->border);
    FillProtection(d->GetProtection(), *e->protection);
  }

  wb::TXc12TableStyles& tables = *sheet.TableStyles;
  s.tableStyles->defaultTableStyle = tables.DefaultTableStyle;
  s.tableStyles->defaultPivotStyle = tables.DefaultPivotStyle;
  s.tableStyles->count = tables.Count();
  for (int i = 0; i < tables.Count(); ++i) {
    wb::TXc12TableStyle* t = tables.GetItem(i);
    TCT_TableStyle* e = s.tableStyles->tableStyle.Add();
    if (!t) continue;
    e->name = t->GetName();
    e->pivot = t->GetPivot() != 0;
    e->table = t->GetTable() != 0;
    wb::TXc12TableStyleElements& elements = t->GetTableStyleElements();
    e->count = elements.Count();
    for (const auto& el : elements) {
      TCT_TableStyleElement* x = e->tableStyleElement.Add();
      x->type = el->GetType();
      x->size = el->GetSize();
      if (el->GetDXF()) x->dxfId = el->GetDXF()->Index;
    }
  }

  for (int i = 0; i < sheet.IndexColorObjs->Count(); ++i)
    if (const wb::TXc12IndexColorObj* c = sheet.IndexColorObjs->GetItem(i))
      s.colors->indexedColors->rgbColor.Add()->rgb = c->GetRGB();
  for (int i = 0; i < sheet.ColorObjs->Count(); ++i)
    if (const wb::TXc12ColorObj* c = sheet.ColorObjs->GetItem(i)) FillColor(c->Color, *s.colors->mruColors->color.Add());

  SavePart(item, s);
  Package_->CloseItem(item);
  s.Clear();
}

// ---------------------------------------------------------------------------------------------
// sharedStrings.xml

void TXLSWriteXLSX::WriteSharedStrings() {
  const wb::TXc12DataSST& sst = *Manager_->SST;
  if (sst.Count() == 0) return;
  TOPCItem* item = Package_->CreateSharedStrings();
  SetRootNamespaces(false);
  TCT_Sst& root = *Doc_->Root().sst;
  root.Clear();
  root.count = sst.Count();
  StreamCount_ = sst.Count();
  StreamIndex_ = 0;
  root.OnWriteSi = [this](TCT_Rst& Rst, bool& More) { NextSharedString(Rst, More); };
  StreamPart(item, root);
  Package_->CloseItem(item);
  root.OnWriteSi = nullptr;
  root.Clear();
}

void TXLSWriteXLSX::NextSharedString(TCT_Rst& Rst, bool& More) {
  More = StreamIndex_ < StreamCount_;
  if (!More) return;
  const wb::TXc12DataSST& sst = *Manager_->SST;
  const wb::TXc12SSTString* rec = sst.GetItems(StreamIndex_++);
  Rst.Clear();
  if (!rec) return;
  const std::u16string text = wb::TXc12DataSST::RecordText(rec);
  if ((wb::TXc12DataSST::GetKind(rec) & wb::sstKindRich) == 0) {
    Rst.t = text;
    return;
  }
  wb::TXc12DynFontRunArray runs;
  const int n = wb::TXc12DataSST::GetFontRunCount(rec);
  runs.reserve(static_cast<std::size_t>(n) + 1);
  for (int i = 0; i < n; ++i) runs.push_back(wb::TXc12DataSST::GetFontRun(rec, i));
  if (!runs.empty() && runs.front().Index > 0) runs.insert(runs.begin(), wb::TXc12FontRun{0, nullptr});
  FillRichText(text, runs, Rst);
}

}  // namespace ooxml
