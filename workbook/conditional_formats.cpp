#include "workbook/conditional_formats.h"

#include "workbook/workbook_data.h"

namespace workbook {

namespace {
void CheckFormulaIndex(int Index) {
  if (Index < 0 || Index > 2) throw Exception("Index out of range");
}
}  // namespace

void TXc12Colors::GetItem(int Index, TXc12Color& Color) const {
  if (Index < 0 || Index >= Count()) RaiseListIndexError(Index);
  Color = items_[static_cast<std::size_t>(Index)];
}

void TXc12DataBar::Clear() {
  minLength = 10;
  maxLength = 90;
  showValue = true;
  Color = TXc12Color();
  Color.ColorType = xctUnassigned;
  Cfvo1.Clear();
  Cfvo2.Clear();
}

void TXc12CfRule::GetFormula(int Index, std::u16string& Text) const {
  CheckFormulaIndex(Index);
  Text = Formulas[static_cast<std::size_t>(Index)];
}

void TXc12CfRule::SetFormula(int Index, const std::u16string& Text) {
  CheckFormulaIndex(Index);
  Formulas[static_cast<std::size_t>(Index)] = Text;
  TXc12CompiledFormula().swap(Compiled[static_cast<std::size_t>(Index)]);
}

void TXc12CfRule::Clear() {
  type = kXc12NotGiven;
  dxf = nullptr;
  priority = 0;
  stopIfTrue = false;
  aboveAverage = true;
  percent = bottom = false;
  Operator = kXc12NotGiven;
  text.clear();
  timePeriod = kXc12NotGiven;
  rank = stdDev = 0;
  equalAverage = false;
  ColorScale.Clear();
  DataBar.Clear();
  IconSet.Clear();
}

namespace {
void CopyRule(const TXc12CfRule& s, TXc12CfRule& d) {
  d.Formulas = s.Formulas;
  d.Compiled = s.Compiled;
  d.type = s.type;
  d.dxf = s.dxf;
  d.priority = s.priority;
  d.stopIfTrue = s.stopIfTrue;
  d.aboveAverage = s.aboveAverage;
  d.percent = s.percent;
  d.bottom = s.bottom;
  d.Operator = s.Operator;
  d.text = s.text;
  d.timePeriod = s.timePeriod;
  d.rank = s.rank;
  d.stdDev = s.stdDev;
  d.equalAverage = s.equalAverage;
  auto copyCfvos = [](const TXc12Cfvos& from, TXc12Cfvos& to) {
    to.Clear();
    for (const auto& c : from) {
      TXc12Cfvo* n = to.Add();
      n->type = c->type;
      n->val = c->val;
      n->gte = c->gte;
      n->Compiled = c->Compiled;
    }
  };
  copyCfvos(s.ColorScale.Cfvos, d.ColorScale.Cfvos);
  d.ColorScale.Colors = s.ColorScale.Colors;
  d.DataBar.minLength = s.DataBar.minLength;
  d.DataBar.maxLength = s.DataBar.maxLength;
  d.DataBar.showValue = s.DataBar.showValue;
  d.DataBar.Color = s.DataBar.Color;
  for (auto [from, to] : {std::pair{&s.DataBar.Cfvo1, &d.DataBar.Cfvo1}, std::pair{&s.DataBar.Cfvo2, &d.DataBar.Cfvo2}}) {
    to->type = from->type;
    to->val = from->val;
    to->gte = from->gte;
    to->Compiled = from->Compiled;
  }
  d.IconSet.iconSet = s.IconSet.iconSet;
  d.IconSet.showValue = s.IconSet.showValue;
  d.IconSet.percent = s.IconSet.percent;
  d.IconSet.reverse = s.IconSet.reverse;
  copyCfvos(s.IconSet.Cfvos, d.IconSet.Cfvos);
}
}  // namespace

void TXc12ConditionalFormatting::Assign(const TXLSMoveCopyItem& Source) {
  const auto* s = dynamic_cast<const TXc12ConditionalFormatting*>(&Source);
  if (!s || s == this) return;
  pivot = s->pivot;
  Sqref.Assign(s->Sqref);
  Rules.Clear();
  for (const auto& r : s->Rules) CopyRule(*r, *Rules.Add());
}

std::unique_ptr<TXc12ConditionalFormatting> TXc12ConditionalFormattings::CreateItem() {
  return FactoryCreate<TXc12ConditionalFormatting>(ClassFactory, fokConditionalFormat, this);
}

void TXc12DataValidation::Assign(const TXLSMoveCopyItem& Source) {
  const auto* s = dynamic_cast<const TXc12DataValidation*>(&Source);
  if (!s || s == this) return;
  type = s->type;
  errorStyle = s->errorStyle;
  imeMode = s->imeMode;
  Operator = s->Operator;
  allowBlank = s->allowBlank;
  showDropDown = s->showDropDown;
  showInputMessage = s->showInputMessage;
  showErrorMessage = s->showErrorMessage;
  errorTitle = s->errorTitle;
  error = s->error;
  promptTitle = s->promptTitle;
  prompt = s->prompt;
  formula1 = s->formula1;
  formula2 = s->formula2;
  Sqref.Assign(s->Sqref);
}

void TXc12DataValidation::Clear() {
  type = errorStyle = imeMode = Operator = 0;
  allowBlank = showDropDown = showInputMessage = showErrorMessage = false;
  errorTitle.clear();
  error.clear();
  promptTitle.clear();
  prompt.clear();
  Sqref.Clear();
  formula1.clear();
  formula2.clear();
}

TXLSMoveCopyItem* TXc12DataValidations::AddItem() {
  return TXLSMoveCopyList::Add(FactoryCreate<TXc12DataValidation>(ClassFactory, fokDataValidation, this));
}

}  // namespace workbook
