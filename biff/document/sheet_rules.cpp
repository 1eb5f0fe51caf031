#include "biff/document/sheet_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <tuple>

#include "biff/biff_error.h"
#include "core/strings.h"
#include "core/unicode.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_references.h"
#include "workbook/comments_data.h"
#include "workbook/conditional_formats.h"
#include "workbook/style_records.h"
#include "workbook/workbook_data.h"
#include "workbook/worksheet_data.h"

namespace biff {

namespace wb = workbook;

namespace {

// Rule types of the model (the cfRule type enumeration) that a CF record can carry.
constexpr std::uint8_t kTypeExpression = 0;
constexpr std::uint8_t kTypeCellIs = 1;

// CF comparison (1 between .. 8 less or equal) to the model's operator (lessThan 0, lessThanOrEqual
// 1, equal 2, notEqual 3, greaterThanOrEqual 4, greaterThan 5, between 6, notBetween 7).
constexpr std::uint8_t kCFToModel[9] = {wb::kXc12NotGiven, 6, 7, 2, 3, 5, 0, 4, 1};
// Validation operator (between, notBetween, equal, notEqual, greater, less, greaterEqual,
// lessEqual) to the model's (between, notBetween, equal, notEqual, lessThan, lessThanOrEqual,
// greaterThan, greaterThanOrEqual), and back.
constexpr std::uint8_t kDVToModel[8] = {0, 1, 2, 3, 6, 4, 7, 5};
constexpr std::uint8_t kModelToDV[8] = {0, 1, 2, 3, 5, 7, 4, 6};
// Filter comparison code (1 less, 2 equal, 3 less or equal, 4 greater, 5 not equal, 6 greater or
// equal) to the model's custom-filter operator (equal, lessThan, lessThanOrEqual, notEqual,
// greaterThanOrEqual, greaterThan), and back.
constexpr std::uint8_t kFilterToModel[7] = {0, 1, 0, 2, 5, 3, 4};
constexpr std::uint8_t kModelToFilter[6] = {afcEqual, afcLess, afcLessEqual, afcNotEqual, afcGreaterEqual, afcGreater};

std::uint8_t ModelOperatorToCF(std::uint8_t Op) {
  for (std::uint8_t i = 1; i < 9; ++i)
    if (kCFToModel[i] == Op) return i;
  return coNoComparision;
}

void SetIndexColor(std::uint8_t Index, wb::TXc12Color& Color, const wb::TXc12Palette& Palette) {
  if (Index >= 64) {
    Color = wb::TXc12Color{};
    Color.ColorType = wb::xctUnassigned;
  } else {
    wb::IndexToXc12Color(Index, Color);
    Color.ARGB = Palette[Index];
  }
}

bool ColorSet(const wb::TXc12Color& Color) {
  return Color.ColorType != wb::xctAuto && Color.ColorType != wb::xctUnassigned;
}

std::uint8_t PaletteIndex(const wb::TXc12Color& Color, const wb::TXc12Palette& Palette) {
  return wb::Xc12ColorToPaletteIndex(Color, 64, Palette);
}

// The areas of a model list inside the legacy grid; the first is the base of relative references.
void AreasFromModel(const wb::TCellAreas& Source, TCellAreas97& Dest) {
  for (int i = 0; i < Source.Count(); ++i) {
    const wb::TCellArea& a = *Source.GetItem(i);
    int c1 = a.GetCol1(), r1 = a.GetRow1(), c2 = a.GetCol2(), r2 = a.GetRow2();
    if (wb::ClipArea97(c1, r1, c2, r2)) Dest.AddArea(c1, r1, c2, r2);
  }
}

void AreasToModel(const TCellAreas97& Source, wb::TCellAreas& Dest) {
  for (int i = 0; i < Source.Count(); ++i) {
    const TCellArea97& a = *Source.Items(i);
    Dest.Add(a.Col1, a.Row1, a.Col2, a.Row2);
  }
}

void Base(const TCellAreas97& Areas, int& Col, int& Row) {
  Col = Row = 0;
  if (Areas.Count() > 0) {
    Col = Areas.Items(0)->Col1;
    Row = Areas.Items(0)->Row1;
  }
}

// The one token of a string constant, else nullptr.
std::uint8_t* SingleString(std::vector<std::uint8_t>& T) {
  if (T.size() < 3 || T[0] != 0x17) return nullptr;
  const std::size_t size = 3 + static_cast<std::size_t>(T[1]) * ((T[2] & 1) ? 2 : 1);
  return size == T.size() ? T.data() : nullptr;
}

// A list of choices is one string whose items are separated by NUL characters in the file and by
// commas in the model.
void ReplaceInString(std::uint8_t* P, char16_t From, char16_t To) {
  const int n = P[1];
  const bool wide = P[2] & 1;
  for (int i = 0; i < n; ++i) {
    std::uint8_t* c = P + 3 + (wide ? 2 * i : i);
    const char16_t v = wide ? static_cast<char16_t>(core::load_le16(c)) : *c;
    if (v != From) continue;
    if (wide)
      core::store_le16(c, To);
    else
      *c = static_cast<std::uint8_t>(To);
  }
}

std::u16string NumberText(double V) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, V);
  return std::u16string(buf, r.ptr);
}

std::u16string ConditionText(const TAutoFilterCondition& C) {
  switch (C.Kind) {
    case afkNumber: return NumberText(C.Number);
    case afkString: return C.Text;
    case afkBoolean: return C.Value ? u"TRUE" : u"FALSE";
    case afkError: return wb::BIFFErrorToText(C.Value);
    default: return u"";
  }
}

// A filter value of the model as a condition: a number, a Boolean, an error or a text.
TAutoFilterCondition ConditionOf(const std::u16string& Text, std::uint8_t Operator) {
  TAutoFilterCondition c;
  c.Operator = Operator;
  const std::string s = core::u8(Text);
  double v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (!s.empty() && r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(v)) {
    c.Kind = afkNumber;
    c.Number = v;
  } else if (core::ascii_iequals(Text, u"TRUE") || core::ascii_iequals(Text, u"FALSE")) {
    c.Kind = afkBoolean;
    c.Value = core::ascii_iequals(Text, u"TRUE") ? 1 : 0;
  } else if (const int e = wb::ErrorTextToXc12Error(Text); e > 0) {
    c.Kind = afkError;
    c.Value = wb::Xc12ErrorToBIFFError(static_cast<std::uint8_t>(e));
  } else {
    c.Kind = afkString;
    c.Text = Text.substr(0, 255);
  }
  return c;
}

void AppendRecords(std::vector<TRawRecord>& Dest, std::vector<TRawRecord>&& Source) {
  Dest.insert(Dest.end(), std::make_move_iterator(Source.begin()), std::make_move_iterator(Source.end()));
}

// Raised after a rule's formula error was reported: the rule is left out.
struct TSkipRule {};

}  // namespace

std::vector<std::uint8_t> RuleTextPrint(const std::u16string& Text, std::uint8_t ArgClass, int, int) {
  std::vector<std::uint8_t> out{0xFF, ArgClass};
  for (char16_t c : Text) {
    out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return out;
}

core::Bytes RecordsBytes(const std::vector<TRawRecord>& Records) {
  core::ByteWriter w;
  for (const TRawRecord& r : Records) {
    w.u16le(r.Id);
    w.u32le(static_cast<std::uint32_t>(r.Body.size()));
    w.bytes(r.Body.data(), r.Body.size());
  }
  return w.data();
}

// ---- conditional formats

void CondFmtToModel(const TConditionalFormat& Source, wb::TXc12ConditionalFormatting& Dest, wb::TXc12DXFs& DXFs,
                    const wb::TXc12Palette& Palette, int& Priority, const TRuleDecode& Decode) {
  AreasToModel(Source.Areas, Dest.Sqref);
  int col, row;
  Base(Source.Areas, col, row);
  const int n = Source.ReadCount >= 0 ? std::min(Source.ReadCount, 3) : 3;
  for (int i = 0; i < n; ++i) {
    const TCondFmtData& c = Source.Conditions[static_cast<std::size_t>(i)];
    if (Source.ReadCount < 0 && !c.IsUsed()) continue;
    wb::TXc12CfRule* rule = Dest.Rules.Add();
    rule->priority = ++Priority;
    if (c.CompareCell()) {
      rule->type = kTypeCellIs;
      rule->Operator = c.CompOperator() < 9 ? kCFToModel[c.CompOperator()] : wb::kXc12NotGiven;
    } else {
      rule->type = kTypeExpression;
    }
    if (!c.Formula1().empty()) rule->SetFormula(0, Decode(c.Formula1(), col, row));
    if (!c.Formula2().empty()) rule->SetFormula(1, Decode(c.Formula2(), col, row));
    if (!c.IsUsed()) continue;
    wb::TXc12DXF* dxf = DXFs.Add();
    rule->dxf = dxf;
    if (c.FmtFont.Assigned) {
      const TCondFmtFont& b = c.FmtFont;
      wb::TXc12Font* f = dxf->AddFont();
      wb::TXc12FontStyles style = 0;
      const wb::TXc12FontStyles s = b.FontStyle();
      if (b.StyleSet()) style |= s & (wb::FontStyleBit(wb::xfsBold) | wb::FontStyleBit(wb::xfsItalic));
      if (b.StrikeSet()) style |= s & wb::FontStyleBit(wb::xfsStrikeOut);
      f->SetStyle(style);
      if (b.UnderlineSet()) f->SetUnderline(b.Underline());
      if (b.EscapementSet()) f->SetSubSuperscript(b.Escapment());
      wb::TXc12Color color;
      SetIndexColor(b.ColorSet() ? b.Color() : 64, color, Palette);
      f->SetColor(color);
      if (b.HeightSet()) f->SetSize(b.Height20() / 20.0);
    }
    if (c.FmtBorder.IsAssigned()) {
      const TCondFmtBorder& b = c.FmtBorder;
      wb::TXc12Border* border = dxf->AddBorder();
      auto side = [&Palette](wb::TXc12BorderPr& P, bool Assigned, wb::TXc12CellBorderStyle Style, std::uint8_t Color) {
        if (!Assigned) return;
        P.Style = Style;
        SetIndexColor(Color, P.Color, Palette);
      };
      side(border->Left, b.LeftAssigned, b.LeftStyle(), b.LeftColor());
      side(border->Right, b.RightAssigned, b.RightStyle(), b.RightColor());
      side(border->Top, b.TopAssigned, b.TopStyle(), b.TopColor());
      side(border->Bottom, b.BottomAssigned, b.BottomStyle(), b.BottomColor());
    }
    if (c.FmtPattern.IsAssigned()) {
      const TCondFmtPattern& b = c.FmtPattern;
      wb::TXc12Fill* fill = dxf->AddFill();
      if (b.PatternAssigned) fill->SetPatternType(b.FillPattern());
      SetIndexColor(b.ForeColorAssigned ? b.ForeColor() : 64, fill->FgColor, Palette);
      SetIndexColor(b.BackColorAssigned ? b.BackColor() : 64, fill->BgColor, Palette);
    }
  }
}

std::vector<TRawRecord> CondFmtRecords(const wb::TXc12ConditionalFormatting& Source, const wb::TXc12Palette& Palette,
                                       const TRuleEncode& Encode) {
  std::vector<TRawRecord> out;
  TCellAreas97 areas;
  AreasFromModel(Source.Sqref, areas);
  if (areas.Count() == 0) return out;
  int col, row;
  Base(areas, col, row);
  std::vector<TCondFmtData> conditions;
  for (int i = 0; i < Source.Rules.Count(); ++i) {
    const wb::TXc12CfRule& rule = *Source.Rules.GetItem(i);
    TCondFmtData c;
    try {
      if (rule.type == kTypeCellIs) {
        const std::uint8_t op = ModelOperatorToCF(rule.Operator);
        if (op == coNoComparision || rule.Formulas[0].empty()) continue;
        c.SetCompareCell(true);
        c.SetCompOperator(static_cast<TConditionOperator>(op));
        c.SetFormula1(Encode(rule.Formulas[0], 0, col, row));
        if ((op == coBetween || op == coNotBetween) && !rule.Formulas[1].empty())
          c.SetFormula2(Encode(rule.Formulas[1], 0, col, row));
      } else if (!rule.Formulas[0].empty() && rule.type != 2 && rule.type != 3 && rule.type != 4) {
        // Expressions, and the rules whose condition the model keeps as a formula (texts,
        // blanks, errors, ...), are formula conditions; colour scales, data bars and icon sets
        // have no form here.
        c.SetCompareCell(false);
        c.SetCompOperator(coNoComparision);
        c.SetFormula1(Encode(rule.Formulas[0], 0, col, row));
      } else {
        continue;
      }
    } catch (const TSkipRule&) {
      continue;  // reported; the format keeps its other rules
    }
    if (const wb::TXc12DXF* dxf = rule.dxf) {
      if (const wb::TXc12Font* f = dxf->GetFont()) {
        const wb::TXc12FontStyles s = f->GetStyle() & (wb::FontStyleBit(wb::xfsBold) | wb::FontStyleBit(wb::xfsItalic) |
                                                       wb::FontStyleBit(wb::xfsStrikeOut));
        if (s != 0) c.FmtFont.SetFontStyle(s);
        if (f->GetUnderline() != wb::xulNone) c.FmtFont.SetUnderline(f->GetUnderline());
        if (f->GetSubSuperscript() != wb::xssNone) c.FmtFont.SetEscapment(f->GetSubSuperscript());
        if (ColorSet(f->GetColor())) c.FmtFont.SetColor(PaletteIndex(f->GetColor(), Palette));
        if (f->GetSize() > 0)
          c.FmtFont.SetHeight20(static_cast<std::uint32_t>(std::clamp(std::lround(f->GetSize() * 20), 20L, 8191L)));
      }
      if (const wb::TXc12Border* b = dxf->GetBorder()) {
        using TStyleSetter = void (TCondFmtBorder::*)(wb::TXc12CellBorderStyle);
        using TColorSetter = void (TCondFmtBorder::*)(std::uint8_t);
        const std::tuple<const wb::TXc12BorderPr*, TStyleSetter, TColorSetter> sides[] = {
            {&b->Left, &TCondFmtBorder::SetLeftStyle, &TCondFmtBorder::SetLeftColor},
            {&b->Right, &TCondFmtBorder::SetRightStyle, &TCondFmtBorder::SetRightColor},
            {&b->Top, &TCondFmtBorder::SetTopStyle, &TCondFmtBorder::SetTopColor},
            {&b->Bottom, &TCondFmtBorder::SetBottomStyle, &TCondFmtBorder::SetBottomColor}};
        for (const auto& [side, style, color] : sides) {
          if (side->Style == wb::cbsNone) continue;
          (c.FmtBorder.*style)(side->Style);
          (c.FmtBorder.*color)(PaletteIndex(side->Color, Palette));
        }
      }
      if (const wb::TXc12Fill* f = dxf->GetFill(); f && !f->IsGradient()) {
        std::uint8_t fore = ColorSet(f->FgColor) ? PaletteIndex(f->FgColor, Palette) : 0;
        std::uint8_t back = ColorSet(f->BgColor) ? PaletteIndex(f->BgColor, Palette) : 0;
        wb::TXc12FillPattern pattern = f->GetPatternType();
        // A differential fill with a colour and no pattern, or a solid one that names its colour
        // as the background, is a solid fill of that colour.
        if (pattern == wb::efpNone && (fore || back)) pattern = wb::efpSolid;
        if (pattern == wb::efpSolid && fore == 0) std::swap(fore, back);
        c.FmtPattern.SetFillPattern(pattern);
        c.FmtPattern.SetForeColor(fore);
        c.FmtPattern.SetBackColor(back);
      }
    }
    if (c.IsUsed()) conditions.push_back(std::move(c));
  }
  for (std::size_t first = 0; first < conditions.size(); first += 3) {
    TConditionalFormat f;
    f.Areas.Assign(areas);
    for (std::size_t k = 0; k < 3 && first + k < conditions.size(); ++k) f.Conditions[k] = conditions[first + k];
    AppendRecords(out, f.Records());
  }
  return out;
}

// ---- validations

void ValidationToModel(const TDataValidation& Source, wb::TXc12DataValidation& Dest, const TRuleDecode& Decode) {
  Dest.type = Source.ValidationType() <= vtCustom ? Source.ValidationType() : 0;
  Dest.errorStyle = std::min<std::uint8_t>(Source.ValidationStyle(), 2);
  Dest.imeMode = Source.ImeMode();
  Dest.Operator = kDVToModel[Source.ValidationOperator() & 7];
  const std::uint8_t o = Source.Options();
  Dest.allowBlank = (o & voAllowEmptyCells) != 0;
  Dest.showDropDown = (o & voSupressDropDown) != 0;
  Dest.showInputMessage = (o & voShowPromptBox) != 0;
  Dest.showErrorMessage = (o & voShowErrorBox) != 0;
  Dest.promptTitle = Source.InputTitle;
  Dest.errorTitle = Source.ErrorTitle;
  Dest.prompt = Source.InputMsg;
  Dest.error = Source.ErrorMsg;
  AreasToModel(Source.Areas, Dest.Sqref);
  int col, row;
  Base(Source.Areas, col, row);
  if (!Source.Formula1().empty()) {
    Dest.formula1 = Decode(Source.Formula1(), col, row);
    if (Source.ValidationType() == vtList) std::replace(Dest.formula1.begin(), Dest.formula1.end(), u'\0', u',');
  }
  // A second formula counts for the comparisons between two values only.
  const bool two = Source.ValidationOperator() == vopBetween || Source.ValidationOperator() == vopNotBetween;
  const TValidationType t = Source.ValidationType();
  if (!Source.Formula2().empty() && two && t != vtAny && t != vtList && t != vtCustom)
    Dest.formula2 = Decode(Source.Formula2(), col, row);
}

void ValidationFromModel(const wb::TXc12DataValidation& Source, TDataValidation& Dest, const TRuleEncode& Encode) {
  Dest.SetValidationType(static_cast<TValidationType>(Source.type <= vtCustom ? Source.type : 0));
  Dest.SetValidationStyle(static_cast<TValidationStyle>(std::min<std::uint8_t>(Source.errorStyle, vsInfo)));
  Dest.SetValidationOperator(static_cast<TValidationOperator>(kModelToDV[Source.Operator & 7]));
  std::uint8_t o = 0;
  if (Source.allowBlank) o |= voAllowEmptyCells;
  if (Source.showDropDown) o |= voSupressDropDown;
  if (Source.showInputMessage) o |= voShowPromptBox;
  if (Source.showErrorMessage) o |= voShowErrorBox;
  Dest.SetOptions(o);
  Dest.SetImeMode(Source.imeMode);
  Dest.InputTitle = Source.promptTitle;
  Dest.ErrorTitle = Source.errorTitle;
  Dest.InputMsg = Source.prompt;
  Dest.ErrorMsg = Source.error;
  AreasFromModel(Source.Sqref, Dest.Areas);
  int col, row;
  Base(Dest.Areas, col, row);
  auto compile = [&](const std::u16string& Text) {
    std::vector<std::uint8_t> t = Encode(Text, 0x20, col, row);
    if (Source.type == vtList)
      if (std::uint8_t* s = SingleString(t)) ReplaceInString(s, u',', u'\0');
    return t;
  };
  Dest.SetFormula1Bytes(Source.formula1.empty() ? std::vector<std::uint8_t>() : compile(Source.formula1));
  Dest.SetFormula2Bytes(Source.formula2.empty() ? std::vector<std::uint8_t>() : compile(Source.formula2));
}

std::vector<TRawRecord> ValidationRecords(const wb::TXc12DataValidation& Source, const TRuleEncode& Encode) {
  TDataValidation v;
  ValidationFromModel(Source, v, Encode);
  if (v.Areas.Count() == 0) return {};
  return {v.Record()};
}

// ---- autofilter

void AutoFilterToModel(const TAutoFilters& Source, wb::TXc12AutoFilter& Dest) {
  Dest.Columns.Clear();
  for (int i = 0; i < Source.Count(); ++i) {
    const TAutoFilter* f = Source.Items(i);
    if (!f) continue;
    wb::TXc12FilterColumn* column = Dest.Columns.Add();
    column->colId = i;
    if (f->Options & AF_TOP10) {
      column->Top10.InUse = true;
      column->Top10.top = (f->Options & AF_TOP) != 0;
      column->Top10.percent = (f->Options & AF_PERCENT) != 0;
      column->Top10.val = f->Options >> 7;
      if (f->Condition1.Kind == afkNumber) column->Top10.filterVal = f->Condition1.Number;
      continue;
    }
    std::vector<const TAutoFilterCondition*> used;
    for (const TAutoFilterCondition* c : {&f->Condition1, &f->Condition2})
      if (c->Kind != afkNone) used.push_back(c);
    const bool orJoin = (f->Options & AF_JOIN_OR) != 0 || used.size() < 2;
    const bool values = orJoin && std::all_of(used.begin(), used.end(), [](const TAutoFilterCondition* c) {
      return c->Operator == afcEqual && (c->Kind == afkNumber || c->Kind == afkString || c->Kind == afkAllBlanks);
    });
    if (values && !used.empty()) {
      for (const TAutoFilterCondition* c : used) {
        if (c->Kind == afkAllBlanks)
          column->Filters.blank = true;
        else
          column->Filters.Values.push_back(ConditionText(*c));
      }
      continue;
    }
    column->CustomFilters.InUse = true;
    column->CustomFilters.And = (f->Options & AF_JOIN_OR) == 0;
    wb::TXc12CustomFilter* filters[2] = {&column->CustomFilters.Filter1, &column->CustomFilters.Filter2};
    for (std::size_t k = 0; k < used.size(); ++k) {
      const TAutoFilterCondition& c = *used[k];
      if (c.Kind == afkAllNonBlanks || c.Kind == afkAllBlanks) {
        // Non-blank cells are those not equal to a single space; blank cells those equal to none.
        filters[k]->Operator = c.Kind == afkAllNonBlanks ? 3 : 0;
        filters[k]->val = c.Kind == afkAllNonBlanks ? u" " : u"";
      } else {
        filters[k]->Operator = c.Operator < 7 ? kFilterToModel[c.Operator] : 0;
        filters[k]->val = ConditionText(c);
      }
    }
  }
}

std::vector<TRawRecord> AutoFilterRecords(const wb::TXc12AutoFilter& Source, bool FilterMode) {
  if (!wb::CellAreaAssigned(Source.Ref)) return {};
  int c1 = Source.Ref.Col1, r1 = Source.Ref.Row1, c2 = Source.Ref.Col2, r2 = Source.Ref.Row2;
  if (!wb::ClipArea97(c1, r1, c2, r2)) return {};
  const int width = c2 - c1 + 1;
  TAutoFilters a;
  a.HasInfo = true;
  a.InfoCount = width;
  a.FilterMode = FilterMode;
  for (int i = 0; i < Source.Columns.Count(); ++i) {
    const wb::TXc12FilterColumn& column = *Source.Columns.GetItem(i);
    if (column.colId < 0 || column.colId >= width) continue;
    TAutoFilter f;
    if (column.Top10.InUse) {
      f.Options = static_cast<std::uint16_t>(AF_TOP10 | (column.Top10.top ? AF_TOP : 0) |
                                             (column.Top10.percent ? AF_PERCENT : 0) |
                                             (std::clamp(static_cast<int>(column.Top10.val), 0, 500) << 7));
      f.Condition1.Kind = afkNumber;
      f.Condition1.Operator = column.Top10.top ? afcGreaterEqual : afcLessEqual;
      f.Condition1.Number = column.Top10.filterVal;
    } else if (column.CustomFilters.InUse) {
      const wb::TXc12CustomFilter* filters[2] = {&column.CustomFilters.Filter1, &column.CustomFilters.Filter2};
      TAutoFilterCondition* conds[2] = {&f.Condition1, &f.Condition2};
      for (int k = 0; k < 2; ++k) {
        const wb::TXc12CustomFilter& m = *filters[k];
        const std::uint8_t op = kModelToFilter[m.Operator < 6 ? m.Operator : 0];
        if (k == 1 && m.val.empty() && m.Operator == 0) break;
        if (op == afcNotEqual && m.val == u" ") {
          conds[k]->Operator = afcNotEqual;
          conds[k]->Kind = afkAllNonBlanks;
        } else if (op == afcEqual && m.val.empty()) {
          conds[k]->Operator = afcEqual;
          conds[k]->Kind = afkAllBlanks;
        } else {
          *conds[k] = ConditionOf(m.val, op);
        }
      }
    } else if (column.Filters.blank || !column.Filters.Values.empty()) {
      // Two values at most: the record has two conditions, joined by "or".
      std::vector<TAutoFilterCondition> conds;
      for (const std::u16string& v : column.Filters.Values) conds.push_back(ConditionOf(v, afcEqual));
      if (column.Filters.blank) {
        TAutoFilterCondition b;
        b.Operator = afcEqual;
        b.Kind = afkAllBlanks;
        conds.push_back(b);
      }
      f.Condition1 = conds[0];
      if (conds.size() > 1) {
        f.Condition2 = conds[1];
        f.Options |= AF_JOIN_OR;
      }
    } else {
      continue;
    }
    // The join counts only between two conditions.
    if (column.CustomFilters.InUse && !column.CustomFilters.And && f.Condition2.Kind != afkNone) f.Options |= AF_JOIN_OR;
    if (f.Condition1.Operator == afcEqual && f.Condition1.Kind != afkNone) f.Options |= AF_SIMPLE1;
    if (f.Condition2.Operator == afcEqual && f.Condition2.Kind != afkNone) f.Options |= AF_SIMPLE2;
    a.Add(column.colId) = f;
  }
  return a.Records();
}

// ---- the filter-database name

wb::TXc12DefinedName* FindFilterDatabase(wb::TXc12DefinedNames& Names, int SheetIndex) {
  for (int i = 0; i < Names.Count(); ++i) {
    wb::TXc12DefinedName* n = Names.GetItems(i);
    if (n->Deleted || n->LocalSheetId != SheetIndex) continue;
    if (n->BuiltIn == wb::bnFilterDatabase || (n->BuiltIn == wb::bnNone && n->RawBuiltInCode == 0x0D)) return n;
  }
  return nullptr;
}

bool FilterDatabaseArea(const wb::TXc12DefinedName& Name, wb::TXLSCellArea& Area) {
  const std::vector<std::uint8_t>& c = Name.Compiled;
  if (!c.empty() && c[0] == 0xFF) {
    const std::uint8_t* t = c.data() + 1;
    const std::size_t n = c.size() - 1;
    if (n == 0) return false;
    const std::uint8_t id = static_cast<std::uint8_t>((t[0] & 0x1F) | 0x20);
    auto word = [t](int At) { return static_cast<int>(core::load_le16(t + At)); };
    switch (id) {
      case 0x3B:
        if (n != 11) return false;
        Area = wb::CellAreaFromBox(word(7) & 0xFF, word(3), word(9) & 0xFF, word(5));
        return true;
      case 0x3A:
        if (n != 7) return false;
        Area = wb::CellAreaFromBox(word(5) & 0xFF, word(3), word(5) & 0xFF, word(3));
        return true;
      case 0x25:
        if (n != 9) return false;
        Area = wb::CellAreaFromBox(word(5) & 0xFF, word(1), word(7) & 0xFF, word(3));
        return true;
      default: return false;
    }
  }
  if (Name.RefKind != wb::nrkArea && Name.RefKind != wb::nrkCell) return false;
  const wb::TXLSCellArea& r = Name.RefArea;
  Area = wb::CellAreaFromBox(r.Col1 & 0x7FFF, r.Row1 & 0x7FFFFFFF, r.Col2 & 0x7FFF, r.Row2 & 0x7FFFFFFF);
  if (Name.RefKind == wb::nrkCell) {
    Area.Col2 = Area.Col1;
    Area.Row2 = Area.Row1;
  }
  return true;
}

// ---- a sheet's records for a save

TSheetRuleRecords SheetRuleRecords(const wb::TXc12DataWorksheet& Sheet, const TSheetRules* Read,
                                   const wb::TXc12Palette& Palette, const TRuleEncode& Encode, const TRuleError& OnError) {
  TSheetRuleRecords out;
  const TRuleEncode encode = [&](const std::u16string& Text, std::uint8_t ArgClass, int Col, int Row) {
    try {
      return Encode(Text, ArgClass, Col, Row);
    } catch (const std::exception& E) {
      OnError(Text, E.what());
      throw TSkipRule{};
    }
  };

  if (Sheet.AutoFilter) {
    core::Bytes print = RecordsBytes(AutoFilterRecords(*Sheet.AutoFilter, Sheet.SheetPr.filterMode));
    if (Read && Read->HasAutoFilter && print == Read->AutoFilter.Print)
      out.AutoFilter = Read->AutoFilter.Records;
    else
      out.AutoFilter = AutoFilterRecords(*Sheet.AutoFilter, Sheet.SheetPr.filterMode);
  }

  if (const wb::TXc12ConditionalFormattings* list = Sheet.ConditionalFormats.get()) {
    for (int i = 0; i < list->Count(); ++i) {
      const wb::TXc12ConditionalFormatting& item = *list->GetItem(i);
      if (Read && i < static_cast<int>(Read->CondFmts.size()) &&
          RecordsBytes(CondFmtRecords(item, Palette, RuleTextPrint)) == Read->CondFmts[static_cast<std::size_t>(i)].Print) {
        const auto& r = Read->CondFmts[static_cast<std::size_t>(i)].Records;
        out.CondFmts.insert(out.CondFmts.end(), r.begin(), r.end());
        continue;
      }
      try {
        AppendRecords(out.CondFmts, CondFmtRecords(item, Palette, encode));
      } catch (const TSkipRule&) {
      }
    }
  }

  if (const wb::TXc12DataValidations* list = Sheet.DataValidations.get()) {
    std::vector<TRawRecord> dvs;
    bool asRead = Read && Read->DVAL.Id == BIFFRECID_DVAL && static_cast<int>(Read->Validations.size()) == list->Count();
    for (int i = 0; i < list->Count(); ++i) {
      const wb::TXc12DataValidation& item = *list->GetItem(i);
      if (Read && i < static_cast<int>(Read->Validations.size()) &&
          RecordsBytes(ValidationRecords(item, RuleTextPrint)) == Read->Validations[static_cast<std::size_t>(i)].Print) {
        const auto& r = Read->Validations[static_cast<std::size_t>(i)].Records;
        dvs.insert(dvs.end(), r.begin(), r.end());
        continue;
      }
      asRead = false;
      try {
        AppendRecords(dvs, ValidationRecords(item, encode));
      } catch (const TSkipRule&) {
      }
    }
    std::vector<std::uint8_t> dval(18, 0);
    if (Read && Read->DVAL.Id == BIFFRECID_DVAL && Read->DVAL.Body.size() >= 18) {
      dval.assign(Read->DVAL.Body.begin(), Read->DVAL.Body.begin() + 18);
    } else {
      core::store_le32(dval.data() + 10, 0xFFFFFFFF);
    }
    const std::uint16_t word = static_cast<std::uint16_t>((core::load_le16(dval.data()) & ~1u) | (list->disablePrompts ? 1 : 0));
    asRead = asRead && word == core::load_le16(dval.data()) &&
             static_cast<std::int32_t>(core::load_le32(dval.data() + 2)) == list->xWindow &&
             static_cast<std::int32_t>(core::load_le32(dval.data() + 6)) == list->yWindow;
    if (asRead) {
      out.Validations.push_back(Read->DVAL);
    } else if (!dvs.empty()) {
      core::store_le16(dval.data(), word);
      core::store_le32(dval.data() + 2, static_cast<std::uint32_t>(list->xWindow));
      core::store_le32(dval.data() + 6, static_cast<std::uint32_t>(list->yWindow));
      core::store_le32(dval.data() + 14, static_cast<std::uint32_t>(dvs.size()));
      out.Validations.push_back({BIFFRECID_DVAL, dval});
    }
    if (!out.Validations.empty()) AppendRecords(out.Validations, std::move(dvs));
  }
  return out;
}

}  // namespace biff
