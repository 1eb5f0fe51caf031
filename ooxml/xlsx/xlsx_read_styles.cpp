// The styles part into the style sheet and the shared-strings part into the shared-string table.
// Every record keeps its file index: the n-th font, fill, border, format and string of the file is
// record n of the model, so the indexes the cells carry need no translation.
#include <algorithm>

#include "ooxml/opc/opc_xlsx.h"
#include "ooxml/spreadsheetml/gen/spreadsheetml.h"
#include "ooxml/xlsx/xlsx_reader.h"
#include "workbook/cell_format_editor.h"
#include "workbook/exceptions.h"
#include "workbook/manager.h"
#include "workbook/shared_strings.h"
#include "workbook/style_sheet.h"

namespace ooxml {

namespace wb = workbook;
using namespace sml;

namespace {

constexpr std::uint8_t kUnsetEnum = 255;

std::uint8_t EnumOrDefault(std::uint8_t Value, std::uint8_t Default) {
  return Value == kUnsetEnum ? Default : Value;
}

// An index of a record list as a file gives it; an index outside the list is a damaged file.
template <class TList>
auto* Record(const TList& List, int Index, const char* What) {
  if (Index < 0 || Index >= List.Count())
    throw wb::Exception(std::string("The styles part refers to ") + What + " " + std::to_string(Index) +
                        ", which it does not hold");
  return List.GetItem(Index);
}

// A font list element or the properties of a rich-text run: the same leaves under other names.
template <class T>
void FontFromLeaves(const T& E, const std::u16string& Name, wb::TXc12Font& Font) {
  Font.SetCharset(E.charset->Assigned() ? E.charset->val : 0);
  if (E.family->Assigned()) Font.SetFamily(E.family->val);
  Font.SetName(Name);
  if (E.scheme->Assigned() && E.scheme->val != kUnsetEnum) Font.SetScheme(static_cast<wb::TXc12FontScheme>(E.scheme->val));
  // The binding's underline: single 0, double 1, singleAccounting 2, doubleAccounting 3, none 4.
  const std::uint8_t u = E.u->Assigned() ? E.u->val : 4;
  Font.SetUnderline(static_cast<wb::TXc12Underline>(u >= 4 ? 0 : u + 1));
  if (E.vertAlign->Assigned() && E.vertAlign->val != kUnsetEnum)
    Font.SetSubSuperscript(static_cast<wb::TXc12SubSuperscript>(E.vertAlign->val));
  Font.SetSize(E.sz->Assigned() ? E.sz->val : 0);
  wb::TXc12FontStyles st = 0;
  const TCT_BooleanProperty* bits[] = {E.b.get(), E.i.get(), E.strike.get(), E.outline.get(),
                                       E.shadow.get(), E.condense.get(), E.extend.get()};
  for (int i = 0; i < 7; ++i)
    if (bits[i]->Assigned() && bits[i]->val) st |= static_cast<wb::TXc12FontStyles>(1 << i);
  Font.SetStyle(st);
}

}  // namespace

void TXLSReadXLSX::ReadStyles() {
  // A package's indexed colours 0..7 are the eight basic colours.
  Manager_->StyleSheet->Palette = wb::Xc12FullDefaultPalette();
  std::unique_ptr<wb::TStream> part = Package_->ReadStyles();
  if (!part) return;
  std::unique_ptr<TXPGDocXLSX> doc = NewDocument();
  LoadPart(*doc, *part);
  const TCT_Stylesheet& s = *doc->Root().styleSheet;
  // The palette first: the colours of fonts and fills resolve against this workbook's own.
  ReadPalette(s);
  ReadNumFmts(s);
  ReadFonts(s);
  ReadFills(s);
  ReadBorders(s);
  wb::TXc12DataStyleSheet& sheet = *Manager_->StyleSheet;
  ReadXFs(*sheet.StyleXFs, s.cellStyleXfs->xf);
  ReadXFs(*sheet.XFs, s.cellXfs->xf);
  ReadCellStyles(s);
  ReadDXFs(s);
  ReadTableStyles(s);
  for (int i = 0; i < s.colors->mruColors->color.Count(); ++i) {
    wb::TXc12Color c;
    ReadColor(*s.colors->mruColors->color[i], c);
    sheet.ColorObjs->AddColor(c);
  }
}

void TXLSReadXLSX::ReadPalette(const TCT_Stylesheet& S) {
  const TCT_RgbColorXpgList& list = S.colors->indexedColors->rgbColor;
  // The file's entries are kept as written for the next save; only the entries the workbook's
  // palette has room for take part in resolving colours (64 and 65 stay the automatic colours).
  wb::TXc12Palette& palette = Manager_->StyleSheet->Palette;
  for (int i = 0; i < list.Count(); ++i) {
    const std::uint32_t argb = static_cast<std::uint32_t>(list[i]->rgb < 0 ? 0 : list[i]->rgb);
    Manager_->StyleSheet->IndexColorObjs->Add()->SetRGB(argb);
    if (i < 64)
      palette[static_cast<std::size_t>(i)] = ((argb & 0xFF) << 16) | (argb & 0xFF00) | ((argb >> 16) & 0xFF);
  }
}

void TXLSReadXLSX::ReadNumFmts(const TCT_Stylesheet& S) {
  const TCT_NumFmtXpgList& list = S.numFmts->numFmt;
  for (int i = 0; i < list.Count(); ++i) {
    const TCT_NumFmt& f = *list[i];
    // Ids far beyond any file's would make the list as long as the id.
    if (f.numFmtId < 0 || f.numFmtId > 0xFFFF)
      throw wb::Exception("The styles part holds number format id " + std::to_string(f.numFmtId));
    Manager_->StyleSheet->NumberFormats->SetFormatById(f.formatCode, f.numFmtId);
  }
}

// The first records of a fresh list are built in: the file's first elements overwrite them, the
// rest are appended, so that record i is element i of the file.
template <class TList, class TElements, class TRead>
static void OverwriteThenAppend(TList& List, const TElements& Elements, TRead Read) {
  const int builtin = List.GetDefaultCount();
  for (int i = 0; i < Elements.Count(); ++i) {
    auto* record = i < builtin && i < List.Count() ? List.GetItem(i) : List.Add();
    if (i < builtin) record->Clear();
    Read(*Elements[i], *record);
  }
}

void TXLSReadXLSX::ReadFonts(const TCT_Stylesheet& S) {
  OverwriteThenAppend(*Manager_->StyleSheet->Fonts, S.fonts->font,
                      [this](const TCT_Font& e, wb::TXc12Font& f) { ReadFont(e, f); });
}

void TXLSReadXLSX::ReadFills(const TCT_Stylesheet& S) {
  OverwriteThenAppend(*Manager_->StyleSheet->Fills, S.fills->fill,
                      [this](const TCT_Fill& e, wb::TXc12Fill& f) { ReadFill(e, f); });
}

void TXLSReadXLSX::ReadBorders(const TCT_Stylesheet& S) {
  OverwriteThenAppend(*Manager_->StyleSheet->Borders, S.borders->border,
                      [this](const TCT_Border& e, wb::TXc12Border& b) { ReadBorder(e, b); });
}

template <class TList>
void TXLSReadXLSX::ReadXFs(wb::TXc12XFs& List, const TList& XFs) {
  wb::TXc12DataStyleSheet& sheet = *Manager_->StyleSheet;
  const int builtin = List.GetDefaultCount();
  for (int i = 0; i < XFs.Count(); ++i) {
    const TCT_Xf& e = *XFs[i];
    wb::TXc12XF* xf = i < builtin && i < List.Count() ? List.GetItem(i) : List.GetItem(List.AddXF(std::make_unique<wb::TXc12XF>()));
    xf->SetApply(static_cast<wb::TXc12XFApply>((e.applyNumberFormat ? 1 : 0) | (e.applyFont ? 2 : 0) |
                                               (e.applyFill ? 4 : 0) | (e.applyBorder ? 8 : 0) |
                                               (e.applyAlignment ? 16 : 0) | (e.applyProtection ? 32 : 0)));
    xf->SetFill(Record(*sheet.Fills, e.fillId, "fill"));
    xf->SetBorder(Record(*sheet.Borders, e.borderId, "border"));
    xf->SetFont(Record(*sheet.Fonts, e.fontId, "font"));
    wb::TXc12NumberFormat* nf = e.numFmtId >= 0 && e.numFmtId < sheet.NumberFormats->Count()
                                    ? sheet.NumberFormats->GetItem(e.numFmtId)
                                    : nullptr;
    if (!nf) throw wb::Exception("The styles part refers to number format " + std::to_string(e.numFmtId) +
                                 ", which it does not hold");
    xf->SetNumberFormat(nf);
    // A style format refers to nothing when the list has no such entry yet (style formats
    // themselves, and damaged files).
    xf->SetStyleXF(e.xfId >= 0 && e.xfId < sheet.StyleXFs->Count() ? sheet.StyleXFs->GetItem(e.xfId) : nullptr);
    if (e.alignment->Assigned()) ReadAlignment(*e.alignment, xf->Alignment);
    if (e.protection->Assigned())
      xf->SetProtection(static_cast<wb::TXc12CellProtection>((e.protection->locked ? 1 : 0) | (e.protection->hidden ? 2 : 0)));
    xf->SetQuotePrefix(e.quotePrefix ? 1 : 0);
    xf->SetPivotButton(e.pivotButton ? 1 : 0);
  }
}

void TXLSReadXLSX::ReadCellStyles(const TCT_Stylesheet& S) {
  wb::TXc12DataStyleSheet& sheet = *Manager_->StyleSheet;
  const TCT_CellStyleXpgList& list = S.cellStyles->cellStyle;
  for (int i = 0; i < list.Count(); ++i) {
    const TCT_CellStyle& e = *list[i];
    wb::TXc12CellStyle* style = sheet.CellStyles->FindOrAdd(e.name);
    style->SetBuiltinId(e.builtinId);
    style->SetCustomBuiltin(e.customBuiltin ? 1 : 0);
    style->SetHidden(e.hidden ? 1 : 0);
    style->SetILevel(e.iLevel);
    style->SetXF(Record(*sheet.StyleXFs, e.xfId, "cell style format"));
    sheet.XFEditor->UseStyleXF(e.xfId);
  }
}

void TXLSReadXLSX::ReadColor(const TCT_Color& E, wb::TXc12Color& Color) const {
  if (!E.Assigned()) {
    // No colour element: the automatic colour (never white).
    wb::SetXc12ColorAuto(0, Color);
    return;
  }
  if (E.automatic) {
    Color.ColorType = wb::xctAuto;
  } else if (E.theme >= 0) {
    Color.ColorType = wb::xctTheme;
    Color.Index = static_cast<std::uint8_t>(std::min(E.theme, 255));
  } else if (E.indexed >= 0) {
    Color.ColorType = wb::xctIndexed;
    Color.Index = static_cast<std::uint8_t>(std::min(E.indexed, 255));
  } else if (E.rgb >= 0) {
    Color.ColorType = wb::xctRgb;
    Color.RGB = static_cast<std::uint32_t>(E.rgb);
  } else {
    wb::SetXc12ColorAuto(0, Color);
  }
  Color.Tint = E.tint;
  if (Color.ColorType == wb::xctIndexed)
    Color.ARGB = Color.Index < wb::kXc12PaletteSize ? Manager_->StyleSheet->Palette[Color.Index] : 0;
  else
    Color.ARGB = wb::Xc12ColorToRGB(Color);
}

void TXLSReadXLSX::ReadFont(const TCT_Font& E, wb::TXc12Font& Font) const {
  FontFromLeaves(E, E.name->val, Font);
  wb::TXc12Color c;
  if (E.color->Assigned())
    ReadColor(*E.color, c);
  else
    wb::SetXc12ColorAuto(0, c);
  Font.SetColor(c);
}

wb::TXc12Font* TXLSReadXLSX::ReadRunFont(const TCT_RPrElt& E) {
  auto scratch = std::make_unique<wb::TXc12Font>();
  FontFromLeaves(E, E.rFont->val, *scratch);
  wb::TXc12Color c;
  if (E.color->Assigned())
    ReadColor(*E.color, c);
  else
    wb::SetXc12ColorAuto(0, c);
  scratch->SetColor(c);
  wb::TXc12Fonts& fonts = *Manager_->StyleSheet->Fonts;
  // Producers write run fonts that no cell format uses: such a font joins the list rather than
  // failing the read.
  wb::TXc12Font* f = fonts.Find(*scratch);
  if (!f) f = fonts.AddFont(std::move(scratch));
  return f;
}

void TXLSReadXLSX::ReadFill(const TCT_Fill& E, wb::TXc12Fill& Fill) const {
  if (E.patternFill->Assigned()) {
    Fill.SetPatternType(static_cast<wb::TXc12FillPattern>(EnumOrDefault(E.patternFill->patternType, 0)));
    ReadColor(*E.patternFill->fgColor, Fill.FgColor);
    ReadColor(*E.patternFill->bgColor, Fill.BgColor);
  } else if (E.gradientFill->Assigned()) {
    const TCT_GradientFill& g = *E.gradientFill;
    Fill.SetIsGradient(true);
    wb::TXc12GradientFill& gf = *Fill.GetGradient();
    for (int i = 0; i < g.stop.Count(); ++i) {
      wb::TXc12Color c;
      ReadColor(*g.stop[i]->color, c);
      gf.Stops.AddStop(c, g.stop[i]->position);
    }
    gf.SetGradientType(g.type);
    gf.SetDegree(g.degree);
    gf.SetLeft(g.left);
    gf.SetRight(g.right);
    gf.SetTop(g.top);
    gf.SetBottom(g.bottom);
  }
}

void TXLSReadXLSX::ReadBorder(const TCT_Border& E, wb::TXc12Border& Border) const {
  Border.SetOptions(static_cast<wb::TXc12BorderOptions>((E.diagonalDown ? 1 : 0) | (E.diagonalUp ? 2 : 0) |
                                                        (E.outline ? 4 : 0)));
  ReadBorderPr(*E.left, Border.Left);
  ReadBorderPr(*E.right, Border.Right);
  ReadBorderPr(*E.top, Border.Top);
  ReadBorderPr(*E.bottom, Border.Bottom);
  ReadBorderPr(*E.diagonal, Border.Diagonal);
  ReadBorderPr(*E.vertical, Border.Vertical);
  ReadBorderPr(*E.horizontal, Border.Horizontal);
}

void TXLSReadXLSX::ReadBorderPr(const TCT_BorderPr& E, wb::TXc12BorderPr& Line) const {
  ReadColor(*E.color, Line.Color);
  Line.Style = static_cast<wb::TXc12CellBorderStyle>(E.style);
}

void TXLSReadXLSX::ReadAlignment(const TCT_CellAlignment& E, wb::TXc12CellAlignment& A) const {
  A.SetHorizAlignment(EnumOrDefault(E.horizontal, 0));
  A.SetVertAlignment(EnumOrDefault(E.vertical, 2));
  A.SetRotation(E.textRotation);
  A.SetOptions(static_cast<wb::TXc12AlignmentOptions>((E.wrapText ? 1 : 0) | (E.shrinkToFit ? 2 : 0) |
                                                      (E.justifyLastLine ? 4 : 0)));
  A.SetIndent(E.indent);
  A.SetRelativeIndent(E.relativeIndent);
  A.SetReadingOrder(static_cast<std::uint8_t>(E.readingOrder));
}

// ---------------------------------------------------------------------------------------------
// Shared strings

void TXLSReadXLSX::ReadSharedStrings() {
  std::unique_ptr<wb::TStream> part = Package_->ReadSharedStrings();
  if (!part) return;
  std::unique_ptr<TXPGDocXLSX> doc = NewDocument();
  doc->Root().sst->OnReadSi = [this](TCT_Rst& si) { ReadSharedString(si); };
  LoadPart(*doc, *part);
}

void TXLSReadXLSX::ReadSharedString(TCT_Rst& Si) {
  wb::TXc12DataSST& sst = *Manager_->SST;
  if (Si.r.Count() == 0) {
    sst.AddStringNoDedupe(Si.t);
  } else {
    std::u16string text;
    wb::TXc12DynFontRunArray runs;
    ReadRichText(Si, text, runs);
    if (runs.empty())
      sst.AddStringNoDedupe(text);
    else
      sst.AddRichString(text, runs);
  }
}

void TXLSReadXLSX::ReadRichText(const TCT_Rst& E, std::u16string& Text, wb::TXc12DynFontRunArray& Runs) {
  Text.clear();
  Runs.clear();
  if (E.r.Count() == 0) {
    Text = E.t;
    return;
  }
  int first = 0;
  if (!E.r[0]->rPr->Assigned()) {
    Text = E.r[0]->t;
    first = 1;
  }
  for (int i = first; i < E.r.Count(); ++i) {
    const TCT_RElt& run = *E.r[i];
    wb::TXc12FontRun fr;
    fr.Index = static_cast<std::int32_t>(Text.size());
    fr.Font = run.rPr->Assigned() ? ReadRunFont(*run.rPr) : nullptr;
    Runs.push_back(fr);
    Text += run.t;
  }
}

}  // namespace ooxml
