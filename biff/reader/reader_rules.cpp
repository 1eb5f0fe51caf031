// Conditional formats (CONDFMT, CF), data validations (DVAL, DV) and the autofilter (FILTERMODE,
// AUTOFILTERINFO, AUTOFILTER) of a sheet, read into the workbook model. The records as read stay
// with the sheet, so that a save writes the items nobody changed as they came.
#include "biff/biff_error.h"
#include "biff/document/biff5_document.h"
#include "biff/document/sheet_rules.h"
#include "biff/formula_encoder/biff_formula_handler.h"
#include "biff/formulas/biff8_decoder.h"
#include "biff/reader/body_reader.h"
#include "biff/reader/xls_reader.h"
#include "core/unicode.h"
#include "workbook/comments_data.h"
#include "workbook/conditional_formats.h"
#include "workbook/error_manager.h"
#include "workbook/manager.h"
#include "workbook/style_sheet.h"
#include "workbook/workbook_data.h"
#include "workbook/worksheet_data.h"

namespace biff {

namespace wb = workbook;

std::u16string TXLSReadXLS::DecodeRuleFormula(const std::vector<std::uint8_t>& Tokens, int BaseCol, int BaseRow) {
  TFormulaHandler& f = Doc_.Formulas();
  std::u16string text;
  try {
    DecodeFormulaBIFF(
        Tokens.data(), static_cast<int>(Tokens.size()), -1, text, u',',
        [&f](std::uint8_t Kind, int Index, std::u16string& T, int A, int B, int NameIndex) {
          f.RefText(Kind, Index, T, A, B, NameIndex);
        },
        BaseRow, BaseCol);
  } catch (const std::exception& E) {
    // The rule stays in the file as it was read; the model shows no formula for it.
    if (M_.Errors) M_.Errors->Warning(core::u16(E.what()), 4006);
    text.clear();
  }
  return text;
}

void TXLSReadXLS::RecCONDFMT() {
  StoreRaw_ = false;
  TConditionalFormat f;
  TReadRule read;
  read.Records.push_back({BIFFRECID_CONDFMT, std::vector<std::uint8_t>(Buf_.begin(), Buf_.begin() + Header_.Length)});
  const int count = f.ReadCONDFMT(Buf_.data(), Header_.Length);
  std::uint16_t id;
  for (int i = 0; i < count; ++i) {
    if (!ReadNext(BIFFRECID_CF, BIFFRECID_CF, id, Buf2_)) {
      // Some writers count rules they cannot store in this form and write an empty record of id
      // $FFFF in their place, or nothing: the format is left out, the rest of the sheet is read.
      while (i++ < count && ReadNext(0xFFFF, 0xFFFF, id, Buf2_) && Buf2_.empty()) {
      }
      if (M_.Errors) M_.Errors->Warning(u"Expected record missing: CF; conditional format left out", 4006);
      return;
    }
    f.Conditions[static_cast<std::size_t>(i)].ReadFromRecord(Buf2_.data(), static_cast<int>(Buf2_.size()));
    read.Records.push_back({BIFFRECID_CF, Buf2_});
  }
  if (!Worksheet_ || SheetIndex_ < 0 || SheetIndex_ >= Doc_.Sheets().Count()) return;
  wb::TXc12ConditionalFormattings& list = *Worksheet_->ConditionalFormats;
  int priority = 0;
  for (int i = 0; i < list.Count(); ++i) priority += list.GetItem(i)->Rules.Count();
  wb::TXc12ConditionalFormatting& item = *list.Add();
  CondFmtToModel(f, item, *M_.StyleSheet->DXFs, M_.StyleSheet->Palette, priority,
                 [this](const std::vector<std::uint8_t>& T, int Col, int Row) { return DecodeRuleFormula(T, Col, Row); });
  read.Print = RecordsBytes(CondFmtRecords(item, M_.StyleSheet->Palette, RuleTextPrint));
  Doc_.Sheets().Items(SheetIndex_)->Rules().CondFmts.push_back(std::move(read));
}

void TXLSReadXLS::RecDVAL() {
  StoreRaw_ = false;
  TDataValidations v;
  const std::uint32_t count = v.ReadDVAL(Buf_.data(), Header_.Length);
  const bool take = Worksheet_ && SheetIndex_ >= 0 && SheetIndex_ < Doc_.Sheets().Count();
  TSheetRules* rules = take ? &Doc_.Sheets().Items(SheetIndex_)->Rules() : nullptr;
  if (rules) {
    rules->DVAL = {BIFFRECID_DVAL, std::vector<std::uint8_t>(Buf_.begin(), Buf_.begin() + Header_.Length)};
    wb::TXc12DataValidations& list = *Worksheet_->DataValidations;
    list.disablePrompts = (v.DVAL[0] & 1) != 0;
    list.xWindow = static_cast<std::int32_t>(core::load_le32(v.DVAL.data() + 2));
    list.yWindow = static_cast<std::int32_t>(core::load_le32(v.DVAL.data() + 6));
  }
  std::uint16_t id;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!ReadNext(BIFFRECID_DV, BIFFRECID_DV, id, Buf2_)) throw Exception("Excpected record missing: DV");
    TDataValidation d;
    d.ReadFromRecord(Buf2_.data(), static_cast<int>(Buf2_.size()));
    if (!rules) continue;
    wb::TXc12DataValidation& item = *Worksheet_->DataValidations->Add();
    ValidationToModel(d, item,
                      [this](const std::vector<std::uint8_t>& T, int Col, int Row) { return DecodeRuleFormula(T, Col, Row); });
    TReadRule read;
    read.Records.push_back({BIFFRECID_DV, Buf2_});
    read.Print = RecordsBytes(ValidationRecords(item, RuleTextPrint));
    rules->Validations.push_back(std::move(read));
  }
}

void TXLSReadXLS::RecAutoFilter() {
  StoreRaw_ = false;
  // Older versions keep their filters in another form: dropped.
  if (Version_ < 6 || !Worksheet_ || SheetIndex_ < 0 || SheetIndex_ >= Doc_.Sheets().Count()) return;
  TSheetRules& rules = Doc_.Sheets().Items(SheetIndex_)->Rules();
  // The records of the sheet's autofilter, with those of an earlier group the file split off.
  std::vector<TRawRecord>& records = rules.AutoFilter.Records;
  records.push_back({Header_.RecID, std::vector<std::uint8_t>(Buf_.begin(), Buf_.begin() + Header_.Length)});
  std::uint16_t id;
  if (Header_.RecID == BIFFRECID_FILTERMODE && ReadNext(BIFFRECID_AUTOFILTERINFO, BIFFRECID_AUTOFILTERINFO, id, Buf2_))
    records.push_back({id, Buf2_});
  while (ReadNext(BIFFRECID_AUTOFILTER, BIFFRECID_AUTOFILTER, id, Buf2_)) records.push_back({id, Buf2_});
  TAutoFilters filters;
  for (const TRawRecord& r : records) {
    const int len = static_cast<int>(r.Body.size());
    if (r.Id == BIFFRECID_FILTERMODE) filters.ReadFILTERMODE();
    if (r.Id == BIFFRECID_AUTOFILTERINFO) filters.ReadAUTOFILTERINFO(r.Body.data(), len);
    if (r.Id == BIFFRECID_AUTOFILTER) filters.ReadAUTOFILTER(r.Body.data(), len);
  }
  rules.HasAutoFilter = true;
  Worksheet_->SheetPr.filterMode = filters.FilterMode;
  wb::TXc12AutoFilter* af = Worksheet_->AutoFilter.get();
  if (!af) return;
  af->Clear();
  // The range is the sheet's filter-database name (read with the workbook globals); without
  // AUTOFILTERINFO the name belongs to an advanced filter, which the model does not hold.
  wb::TXLSCellArea area;
  const wb::TXc12DefinedName* name = FindFilterDatabase(*M_.Workbook->DefinedNames, SheetIndex_);
  if (filters.HasInfo && name && FilterDatabaseArea(*name, area)) {
    af->Ref = area;
    AutoFilterToModel(filters, *af);
  }
  rules.AutoFilter.Print = RecordsBytes(AutoFilterRecords(*af, Worksheet_->SheetPr.filterMode));
}

}  // namespace biff
