// The conditional formats, data validations and autofilter of an .xls sheet between their records
// and the workbook model. A read turns the records into the model's items and keeps, per item, the
// records as read and a fingerprint of the model item made from them; a save writes an item whose
// fingerprint is unchanged as it was read, byte for byte, and builds every other one afresh from
// the model.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "biff/document/autofilters.h"
#include "biff/document/conditional_formats.h"
#include "biff/document/data_validations.h"
#include "core/byte_io.h"

namespace workbook {
class TXc12AutoFilter;
class TXc12ConditionalFormatting;
class TXc12DataValidation;
class TXc12DataValidations;
class TXc12DataWorksheet;
class TXc12DefinedName;
class TXc12DefinedNames;
class TXc12DXFs;
struct TXLSCellArea;
}  // namespace workbook

namespace biff {

// Tokens of a formula whose relative references count from the cell (BaseCol, BaseRow) to text.
// Raises on tokens it cannot read.
using TRuleDecode = std::function<std::u16string(const std::vector<std::uint8_t>& Tokens, int BaseCol, int BaseRow)>;
// Formula text to BIFF8 tokens of operand class ArgClass (0 value, 0x20 reference), relative
// references as offsets from (BaseCol, BaseRow). Raises when the text does not compile.
using TRuleEncode =
    std::function<std::vector<std::uint8_t>(const std::u16string& Text, std::uint8_t ArgClass, int BaseCol, int BaseRow)>;

// The encoder of fingerprints: the text itself stands for its tokens.
std::vector<std::uint8_t> RuleTextPrint(const std::u16string& Text, std::uint8_t ArgClass, int BaseCol, int BaseRow);
// Records as one byte string (id, length, body each).
core::Bytes RecordsBytes(const std::vector<TRawRecord>& Records);

// ---- file to model

// The conditions of Source become rules of Dest (their formats new differential formats of DXFs,
// their colour indexes entries of the workbook's Palette); Priority counts the rules of the sheet on.
void CondFmtToModel(const TConditionalFormat& Source, workbook::TXc12ConditionalFormatting& Dest,
                    workbook::TXc12DXFs& DXFs, const workbook::TXc12Palette& Palette, int& Priority,
                    const TRuleDecode& Decode);
void ValidationToModel(const TDataValidation& Source, workbook::TXc12DataValidation& Dest, const TRuleDecode& Decode);
// The columns of Source; the range (Ref) is the filter-database name's and set by the caller.
void AutoFilterToModel(const TAutoFilters& Source, workbook::TXc12AutoFilter& Dest);

// ---- model to file

// CONDFMT and CF records of Source: three rules to a CONDFMT, rules that cannot be written as a
// cell-value or formula condition left out; colours are matched to the workbook's Palette. Nothing
// without areas.
std::vector<TRawRecord> CondFmtRecords(const workbook::TXc12ConditionalFormatting& Source,
                                       const workbook::TXc12Palette& Palette, const TRuleEncode& Encode);
void ValidationFromModel(const workbook::TXc12DataValidation& Source, TDataValidation& Dest, const TRuleEncode& Encode);
std::vector<TRawRecord> ValidationRecords(const workbook::TXc12DataValidation& Source, const TRuleEncode& Encode);
// Nothing when the autofilter has no range.
std::vector<TRawRecord> AutoFilterRecords(const workbook::TXc12AutoFilter& Source, bool FilterMode);

// ---- the filter-database name

// The sheet's built-in filter-database name, nullptr when none.
workbook::TXc12DefinedName* FindFilterDatabase(workbook::TXc12DefinedNames& Names, int SheetIndex);
// The area a filter-database name refers to (its BIFF8 tokens or its resolved reference); False
// when it refers to no area.
bool FilterDatabaseArea(const workbook::TXc12DefinedName& Name, workbook::TXLSCellArea& Area);

// What a read left of one sheet's rules.
struct TReadRule {
  std::vector<TRawRecord> Records;  // as read
  core::Bytes Print;                // of the model item made from them
};

struct TSheetRules {
  std::vector<TReadRule> CondFmts;
  std::vector<TReadRule> Validations;
  TRawRecord DVAL;  // as read (empty id: none)
  bool HasAutoFilter = false;
  TReadRule AutoFilter;

  void Clear() { *this = TSheetRules(); }
};

// The records of a sheet's rules as a save writes them, decided before the workbook globals are
// written (new formulas may add external-sheet entries, a new autofilter its name).
struct TSheetRuleRecords {
  std::vector<TRawRecord> AutoFilter;  // after DEFCOLWIDTH
  std::vector<TRawRecord> CondFmts;    // after the merged cells
  std::vector<TRawRecord> Validations; // after the hyperlinks
};

// Reports a rule whose formula does not compile (the text and the compiler's message); the rule
// is then left out of the file.
using TRuleError = std::function<void(const std::u16string& Text, const std::string& Message)>;

// The records of Sheet's rules: unchanged items as Read holds them, the others from the model.
TSheetRuleRecords SheetRuleRecords(const workbook::TXc12DataWorksheet& Sheet, const TSheetRules* Read,
                                   const workbook::TXc12Palette& Palette, const TRuleEncode& Encode,
                                   const TRuleError& OnError);

}  // namespace biff
