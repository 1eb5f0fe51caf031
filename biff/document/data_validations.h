// The data validations of one .xls sheet in their file form: the DVAL record and one DV record per
// rule (type, operator, style, options, prompt and error texts, one or two formulas as BIFF8
// tokens, cell areas). A rule read from a file and not changed keeps its option bits as read.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "biff/document/cell_areas.h"
#include "biff/document/rule_records.h"

namespace biff {

enum TValidationType : std::uint8_t { vtAny, vtInteger, vtNumber, vtList, vtDate, vtTime, vtTextLength, vtCustom };
enum TValidationStyle : std::uint8_t { vsStop, vsWarning, vsInfo };
enum TValidationOperator : std::uint8_t {
  vopBetween, vopNotBetween, vopEqual, vopNotEqual, vopGreater, vopLess, vopGreateEqual, vopLessEqual
};
// A set of these bits.
enum TValidationOption : std::uint8_t {
  voAllowEmptyCells = 1, voSupressDropDown = 2, voShowPromptBox = 4, voShowErrorBox = 8
};

class TDataValidation : public TAreasMoveCopyItem {
public:
  TValidationType ValidationType() const { return Type_; }
  void SetValidationType(TValidationType V) { Type_ = V; Modified_ = true; }
  TValidationStyle ValidationStyle() const { return Style_; }
  void SetValidationStyle(TValidationStyle V) { Style_ = V; Modified_ = true; }
  TValidationOperator ValidationOperator() const { return Operator_; }
  void SetValidationOperator(TValidationOperator V) { Operator_ = V; Modified_ = true; }
  std::uint8_t Options() const { return Options_; }
  void SetOptions(std::uint8_t V) { Options_ = V; Modified_ = true; }
  // The input-method mode (bits 10 to 17 of the option bits).
  std::uint8_t ImeMode() const { return ImeMode_; }
  void SetImeMode(std::uint8_t V) { ImeMode_ = V; Modified_ = true; }

  std::u16string InputTitle, ErrorTitle, InputMsg, ErrorMsg;

  const std::vector<std::uint8_t>& Formula1() const { return Formula1_; }
  const std::vector<std::uint8_t>& Formula2() const { return Formula2_; }
  void SetFormula1Bytes(std::vector<std::uint8_t> Tokens) { Formula1_ = std::move(Tokens); Modified_ = true; }
  void SetFormula2Bytes(std::vector<std::uint8_t> Tokens) { Formula2_ = std::move(Tokens); Modified_ = true; }

  bool Modified() const { return Modified_; }
  std::uint32_t RawOptions() const { return RawOptions_; }
  // The option bits written: as read unless a property was set since.
  std::uint32_t OptionBits() const;

  void Assign(const TDataValidation& Source);


  // A DV body. Raises "Unhandled string in DV" for a text whose option byte is neither 0 nor 1.
  void ReadFromRecord(const std::uint8_t* Body, int Len);
  TRawRecord Record() const;

private:
  bool Modified_ = false;
  std::uint32_t RawOptions_ = 0;
  std::uint8_t Options_ = voAllowEmptyCells | voShowPromptBox | voShowErrorBox;
  std::uint8_t ImeMode_ = 0;
  TValidationType Type_ = vtNumber;
  TValidationStyle Style_ = vsStop;
  TValidationOperator Operator_ = vopEqual;
  std::vector<std::uint8_t> Formula1_, Formula2_;
};

class TDataValidations {
public:
  TDataValidations();
  // The DVAL body: option word (0), x and y of the prompt window (2, 6), drop-down object id (10),
  // DV count (14).
  std::array<std::uint8_t, 18> DVAL{};

  int Count() const { return static_cast<int>(Items_.size()); }
  TDataValidation& Items(int Index) const;
  TDataValidation& Add();
  void Clear();

  // Takes a DVAL body; returns the number of DV records that follow it.
  std::uint32_t ReadDVAL(const std::uint8_t* Body, int Len);
  // DVAL with the item count, then each DV; nothing without items.
  std::vector<TRawRecord> Records();

private:
  std::vector<std::unique_ptr<TDataValidation>> Items_;
};

}  // namespace biff
