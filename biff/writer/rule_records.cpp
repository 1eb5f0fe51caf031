// The conditional formats, data validations and autofilters of the sheets, and the filter-database
// names that give the autofilters their ranges.
#include <algorithm>

#include "biff/formula_encoder/biff_formula_handler.h"
#include "biff/formulas/biff8_decoder.h"
#include "biff/writer/xls_writer.h"
#include "core/unicode.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_references.h"
#include "workbook/comments_data.h"
#include "workbook/error_manager.h"
#include "workbook/manager.h"
#include "workbook/workbook_data.h"
#include "workbook/worksheet_data.h"

namespace biff {

namespace wb = workbook;

void TXLSWriteXLS::PrepareSheetRules() {
  const int n = Doc_.Sheets().Count();
  RuleRecords_.assign(static_cast<std::size_t>(n), TSheetRuleRecords());
  // Only BIFF8 knows these records.
  if (BIFF5_) return;
  const TRuleEncode encode = [this](const std::u16string& Text, std::uint8_t ArgClass, int Col, int Row) {
    std::u16string_view t = Text;
    if (!t.empty() && t.front() == u'=') t.remove_prefix(1);
    std::vector<std::uint8_t> tokens =
        RuleEncoder ? RuleEncoder(std::u16string(t), ArgClass) : Doc_.Formulas().EncodeFormula(t, ArgClass, 1024);
    if (tokens.empty()) throw Exception("Empty formula");
    BIFFMakeRelativePtgs(tokens.data(), static_cast<int>(tokens.size()), Row, Col);
    return tokens;
  };
  const TRuleError onError = [this](const std::u16string& Text, const std::string& Message) {
    // Reported, not dropped in silence: the error manager raises unless it collects errors.
    if (!Manager_.Errors) throw Exception(Message);
    Manager_.Errors->Error(Text, 4006);
  };
  for (int i = 0; i < n; ++i)
    RuleRecords_[static_cast<std::size_t>(i)] =
        SheetRuleRecords(*Manager_.Worksheets->GetItem(i), Doc_.GetSheet(i)->RulesIfAny(),
                         Manager_.StyleSheet->Palette, encode, onError);
  // After the formulas: they may have started the external-sheet list the names then refer through.
  for (int i = 0; i < n; ++i) SyncFilterDatabaseName(i);
}

void TXLSWriteXLS::SyncFilterDatabaseName(int SheetIndex) {
  const wb::TXc12DataWorksheet& sheet = *Manager_.Worksheets->GetItem(SheetIndex);
  if (!sheet.AutoFilter || !wb::CellAreaAssigned(sheet.AutoFilter->Ref)) return;
  int c1 = sheet.AutoFilter->Ref.Col1, r1 = sheet.AutoFilter->Ref.Row1;
  int c2 = sheet.AutoFilter->Ref.Col2, r2 = sheet.AutoFilter->Ref.Row2;
  if (!wb::ClipArea97(c1, r1, c2, r2)) return;
  wb::TXc12DefinedNames& names = *Manager_.Workbook->DefinedNames;
  wb::TXc12DefinedName* name = FindFilterDatabase(names, SheetIndex);
  wb::TXLSCellArea current;
  if (name && FilterDatabaseArea(*name, current) && current == wb::CellAreaFromBox(c1, r1, c2, r2)) return;
  if (!name) {
    name = names.AddBuiltIn(wb::bnFilterDatabase, SheetIndex);
    name->Hidden = true;
  }
  // The name refers to the range absolutely; the NAME writer builds its tokens from the reference.
  name->Compiled.clear();
  name->RefKind = wb::nrkArea;
  name->RefSheet = SheetIndex;
  name->RefArea = wb::CellAreaFromBox(c1 | 0x8000, static_cast<std::int32_t>(r1 | 0x80000000u), c2 | 0x8000,
                                     static_cast<std::int32_t>(r2 | 0x80000000u));
  name->SetDefinition(sheet.GetQuotedName() + u"!" + wb::AreaToRefStrAbs(c1, r1, c2, r2, true, true, true, true));
  // A file's own external-sheet list needs an entry for the sheet.
  if (Doc_.ExternalNames().HasSupBooks())
    name->ExternSheetIndex = Doc_.ExternalNames().GetInternalSheetRef(SheetIndex, Doc_.Sheets().Count());
}

void TXLSWriteXLS::WriteRuleRecords(const std::vector<TRawRecord>& Records) {
  for (const TRawRecord& r : Records) WriteRecordData(r.Id, static_cast<int>(r.Body.size()), r.Body.data());
}

}  // namespace biff
