// The conditional formats of one .xls sheet in their file form: CONDFMT records with up to three CF
// conditions over a set of cell areas. A condition keeps its formulas as BIFF8 tokens and its
// format as the font, border and pattern blocks of the record, so that a condition read from a file
// is written back byte for byte; the properties read and change the blocks.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "biff/document/cell_areas.h"
#include "biff/document/rule_records.h"
#include "workbook/style_records.h"

namespace biff {

// The comparison of a condition that compares the cell value, as the file numbers it.
enum TConditionOperator : std::uint8_t {
  coNoComparision, coBetween, coNotBetween, coEqual, coNotEqual, coGreater, coLess, coGreateEqual, coLessEqual
};

// CF header flags: the format blocks present and the not-modified bits of the border and pattern.
inline constexpr std::uint32_t CF_HAS_NUMFMT = 0x02000000;
inline constexpr std::uint32_t CF_HAS_FONT = 0x04000000;
inline constexpr std::uint32_t CF_HAS_ALIGN = 0x08000000;
inline constexpr std::uint32_t CF_HAS_BORDER = 0x10000000;
inline constexpr std::uint32_t CF_HAS_PATTERN = 0x20000000;
inline constexpr std::uint32_t CF_HAS_PROTECT = 0x40000000;

// The font block (118 bytes, as in the file).
class TCondFmtFont {
public:
  static constexpr int kSize = 118;
  TCondFmtFont();

  std::array<std::uint8_t, kSize> Block{};
  bool Assigned = false;

  // 64 when not set, else the palette index; 64 stores "not set".
  std::uint8_t Color() const;
  void SetColor(std::uint8_t Value);
  // Bold (weight 700 or more), italic and strike-out.
  workbook::TXc12FontStyles FontStyle() const;
  void SetFontStyle(workbook::TXc12FontStyles Value);
  // Twips; 0 when not set, and 0 stores "not set".
  std::uint32_t Height20() const;
  void SetHeight20(std::uint32_t Value);
  workbook::TXc12SubSuperscript Escapment() const;
  void SetEscapment(workbook::TXc12SubSuperscript Value);
  // 0..4 for the block values 0, 1, 2, 0x21, 0x22.
  workbook::TXc12Underline Underline() const;
  void SetUnderline(workbook::TXc12Underline Value);

  // Which parts the block sets (their not-modified bits clear, or a value given).
  bool StyleSet() const { return (NotModified() & 0x02) == 0; }
  bool StrikeSet() const { return (NotModified() & 0x80) == 0; }
  bool EscapementSet() const { return U32(92) == 0; }
  bool UnderlineSet() const { return U32(96) == 0; }
  bool ColorSet() const { return U32(80) != 0xFFFFFFFF; }
  bool HeightSet() const { return U32(64) != 0xFFFFFFFF; }

  void LoadFromRecord(const std::uint8_t* Data);

private:
  std::uint32_t NotModified() const { return U32(88); }
  std::uint32_t U32(int Offset) const;
  void SetU32(int Offset, std::uint32_t Value);
};

// The border block (8 bytes): line styles, 4 bits each, and the colours, 7 bits each.
class TCondFmtBorder {
public:
  static constexpr int kSize = 8;
  TCondFmtBorder();

  std::array<std::uint8_t, kSize> Block{};
  bool LeftAssigned = false, TopAssigned = false, RightAssigned = false, BottomAssigned = false;

  workbook::TXc12CellBorderStyle LeftStyle() const { return Style(0); }
  workbook::TXc12CellBorderStyle RightStyle() const { return Style(4); }
  workbook::TXc12CellBorderStyle TopStyle() const { return Style(8); }
  workbook::TXc12CellBorderStyle BottomStyle() const { return Style(12); }
  // A side is assigned exactly when its new style is not 0.
  void SetLeftStyle(workbook::TXc12CellBorderStyle Value) { SetStyle(0, Value, LeftAssigned); }
  void SetRightStyle(workbook::TXc12CellBorderStyle Value) { SetStyle(4, Value, RightAssigned); }
  void SetTopStyle(workbook::TXc12CellBorderStyle Value) { SetStyle(8, Value, TopAssigned); }
  void SetBottomStyle(workbook::TXc12CellBorderStyle Value) { SetStyle(12, Value, BottomAssigned); }
  std::uint8_t LeftColor() const { return Color(0); }
  std::uint8_t RightColor() const { return Color(7); }
  std::uint8_t TopColor() const { return Color(16); }
  std::uint8_t BottomColor() const { return Color(23); }
  // Replaces the side's 7 bits; the assigned flags stay.
  void SetLeftColor(std::uint8_t Value) { SetColor(0, Value); }
  void SetRightColor(std::uint8_t Value) { SetColor(7, Value); }
  void SetTopColor(std::uint8_t Value) { SetColor(16, Value); }
  void SetBottomColor(std::uint8_t Value) { SetColor(23, Value); }

  // Flags: the CF header flags, whose bits 10 to 13 are the sides' not-modified bits.
  void LoadFromRecord(const std::uint8_t* Data, std::uint32_t Flags);
  bool IsAssigned() const { return LeftAssigned || TopAssigned || RightAssigned || BottomAssigned; }

private:
  workbook::TXc12CellBorderStyle Style(int Shift) const;
  void SetStyle(int Shift, workbook::TXc12CellBorderStyle Value, bool& Assigned);
  std::uint8_t Color(int Shift) const;
  void SetColor(int Shift, std::uint8_t Value);
};

// The pattern block (4 bytes): the fill pattern in bits 10-15 of the first word; the back colour
// in bits 0-6 and the fore colour in bits 7-13 of the second.
class TCondFmtPattern {
public:
  static constexpr int kSize = 4;
  std::array<std::uint8_t, kSize> Block{};
  bool PatternAssigned = false, BackColorAssigned = false, ForeColorAssigned = false;

  workbook::TXc12FillPattern FillPattern() const;
  void SetFillPattern(workbook::TXc12FillPattern Value);
  // 0 reads as 64; writing 0 or 64 clears the colour and its flag.
  std::uint8_t BackColor() const { return Color(0); }
  std::uint8_t ForeColor() const { return Color(7); }
  void SetBackColor(std::uint8_t Value) { SetColor(0, Value, BackColorAssigned); }
  void SetForeColor(std::uint8_t Value) { SetColor(7, Value, ForeColorAssigned); }

  void LoadFromRecord(const std::uint8_t* Data, std::uint32_t Flags);
  bool IsAssigned() const { return PatternAssigned || BackColorAssigned || ForeColorAssigned; }

private:
  std::uint8_t Color(int Shift) const;
  void SetColor(int Shift, std::uint8_t Value, bool& Assigned);
};

// One condition: the 12-byte CF header, the formulas and the format blocks.
class TCondFmtData {
public:
  TCondFmtData();

  // True: compares the cell value (type 1); False: a formula (type 2).
  bool CompareCell() const { return Header[0] == 1; }
  void SetCompareCell(bool Value) { Header[0] = Value ? 1 : 2; }
  TConditionOperator CompOperator() const { return static_cast<TConditionOperator>(Header[1]); }
  void SetCompOperator(TConditionOperator Value) { Header[1] = Value; }
  std::uint32_t Flags() const;
  void SetFlags(std::uint32_t Value);

  const std::vector<std::uint8_t>& Formula1() const { return Formula1_; }
  const std::vector<std::uint8_t>& Formula2() const { return Formula2_; }
  void SetFormula1(std::vector<std::uint8_t> Tokens) { Formula1_ = std::move(Tokens); }
  void SetFormula2(std::vector<std::uint8_t> Tokens) { Formula2_ = std::move(Tokens); }

  TCondFmtFont FmtFont;
  TCondFmtBorder FmtBorder;
  TCondFmtPattern FmtPattern;

  bool IsUsed() const { return FmtFont.Assigned || FmtBorder.IsAssigned() || FmtPattern.IsAssigned(); }

  // A CF body: the header, the blocks its flags announce, the two formulas. The blocks this
  // system does not edit (number format, alignment, protection) are kept as they came.
  void ReadFromRecord(const std::uint8_t* Body, int Len);
  // The CF record: the header flags say which blocks are present and which sides and colours are
  // set; the formula lengths follow the formulas.
  TRawRecord Record() const;

  std::array<std::uint8_t, 12> Header{};

private:
  std::vector<std::uint8_t> Formula1_, Formula2_;
  std::vector<std::uint8_t> NumFmt_, Align_, Protect_;
};

class TConditionalFormat : public TAreasMoveCopyItem {
public:
  std::array<TCondFmtData, 3> Conditions;
  // The 16-bit word after the condition count, as read (1 for a new format).
  std::uint16_t Options = 1;

  TCondFmtData& Condition1() { return Conditions[0]; }
  TCondFmtData& Condition2() { return Conditions[1]; }
  TCondFmtData& Condition3() { return Conditions[2]; }
  // How many of the three conditions are used.
  int ConditionCount() const;
  // The conditions read from the file; -1 for an item made here (the used ones count then).
  int ReadCount = -1;

  void Assign(const TConditionalFormat& Source);

  // The CONDFMT body: its areas are appended; returns the number of CF records that follow.
  // Raises "Bad number of CF records." for 0 or more than 3.
  int ReadCONDFMT(const std::uint8_t* Body, int Len);
  // CONDFMT and its CF records, nothing for a format without a used condition or without areas.
  // Conditions read from a file are written whether used or not, so that a format comes back as
  // it was read.
  std::vector<TRawRecord> Records();
};

class TConditionalFormats {
public:
  int Count() const { return static_cast<int>(Items_.size()); }
  TConditionalFormat& Items(int Index) const;
  TConditionalFormat& Add();
  void Clear() { Items_.clear(); }
  std::vector<TRawRecord> Records();

private:
  std::vector<std::unique_ptr<TConditionalFormat>> Items_;
};

}  // namespace biff
