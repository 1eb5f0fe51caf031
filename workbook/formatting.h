// The formatting surface of the worksheet interface: objects that carry a cell format (a cell, a
// row, a column) with one setter per format property, the worksheet's cell cursor, its range
// object that formats edges, inside lines or whole areas given in A1 text, and the workbook's
// pending-format object. Every setter is one copy-on-write edit of the cell format editor.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "workbook/cell_areas.h"
#include "workbook/cell_store.h"
#include "workbook/style_sheet.h"

namespace workbook {

class TXLSFormattedObj : public TObject {
public:
  explicit TXLSFormattedObj(TXc12DataStyleSheet* StyleSheet) : StyleSheet_(StyleSheet) {}

  // Writes the current format back to what the object stands for.
  virtual void Apply() = 0;

  TXc12XF* GetXF() const { return XF_; }
  void SetXF(TXc12XF* XF) { XF_ = XF; }
  TXc12DataStyleSheet* GetStyleSheet() const { return StyleSheet_; }

  // Colours are 0xRRGGBB.
  void SetBorderLeftColor(std::int32_t Value);
  void SetBorderLeftStyle(TXc12CellBorderStyle Value);
  void SetBorderTopColor(std::int32_t Value);
  void SetBorderTopStyle(TXc12CellBorderStyle Value);
  void SetBorderRightColor(std::int32_t Value);
  void SetBorderRightStyle(TXc12CellBorderStyle Value);
  void SetBorderBottomColor(std::int32_t Value);
  void SetBorderBottomStyle(TXc12CellBorderStyle Value);
  void SetFillColor(std::int32_t Value);
  void SetFontName(const std::u16string& Value);
  void SetFontSize(double Value);
  void SetFontStyle(TXc12FontStyles Value);
  void SetHorizAlignment(std::uint8_t Value);
  void SetVertAlignment(std::uint8_t Value);

protected:
  // BeginEdit with the current format, the change, EndEdit, Apply.
  void Edit(const std::function<void(TXc12XFEditor&)>& Change);

  TXc12DataStyleSheet* StyleSheet_;
  TXc12XF* XF_ = nullptr;
};

// The worksheet's cell cursor, positioned on one stored cell.
class TXLSCell : public TXLSFormattedObj {
public:
  TXLSCell(TXc12DataStyleSheet* StyleSheet, TXLSCellMMU* Cells) : TXLSFormattedObj(StyleSheet), Cells_(Cells) {}

  // Positions the cursor; nullptr (and no current format) when no cell is stored there.
  TXLSCell* SetPos(int Col, int Row);
  void Apply() override;
  int GetCol() const { return Col_; }
  int GetRow() const { return Row_; }
  TXLSCellMMU* GetCells() const { return Cells_; }

private:
  int Col_ = 0;
  int Row_ = 0;
  TXLSCellMMU* Cells_;
  TMMUCellRef Ref_;
};

// An object of the worksheet without data or operations.
class TXLSFormattedCell : public TObject {};

// The worksheet's range: an area in A1 text whose edges, inside lines or cells are formatted.
// Areas of whole columns or rows are clipped to the sheet's used area, so that formatting a
// column touches the cells in use and not a million empty ones.
class TXLSRange : public TCellAreaImpl {
public:
  // Areas above this many cells are refused rather than filled with blank cells one by one.
  static constexpr std::int64_t MaxFormattedCells = 4 * 1024 * 1024;

  explicit TXLSRange(TXLSCell* Cell) : Cell_(Cell) {}

  // Aims the range at Ref (a reference or an area, optional sheet prefix, whole columns or rows)
  // and returns it. A text that is no area leaves the range empty (shape 0, nothing formatted).
  TXLSRange* GetItem(const std::u16string& Ref);
  std::uint8_t Shape() const { return Shape_; }
  bool Valid() const { return Valid_; }
  // Stores a blank cell of format 0 wherever the (clipped) area has no cell.
  void CreateMissingCells();

  void SetBorderLeftColor(std::int32_t Value);
  void SetBorderLeftStyle(TXc12CellBorderStyle Value);
  void SetBorderRightColor(std::int32_t Value);
  void SetBorderRightStyle(TXc12CellBorderStyle Value);
  void SetBorderTopColor(std::int32_t Value);
  void SetBorderTopStyle(TXc12CellBorderStyle Value);
  void SetBorderBottomColor(std::int32_t Value);
  void SetBorderBottomStyle(TXc12CellBorderStyle Value);
  void SetBorderInsideHorizColor(std::int32_t Value);
  void SetBorderInsideHorizStyle(TXc12CellBorderStyle Value);
  void SetBorderInsideVertColor(std::int32_t Value);
  void SetBorderInsideVertStyle(TXc12CellBorderStyle Value);
  void SetBorderOutlineColor(std::int32_t Value);
  void SetBorderOutlineStyle(TXc12CellBorderStyle Value);
  void SetFillColor(std::int32_t Value);
  void SetFontName(const std::u16string& Value);
  void SetFontSize(int Value);
  void SetFontStyle(TXc12FontStyles Value);
  void SetHorizAlignment(std::uint8_t Value);
  void SetVertAlignment(std::uint8_t Value);

private:
  // The cells to format: the range, whole columns and rows clipped to the used area; False when
  // nothing is left.
  bool Target(TXLSCellArea& Area);
  // Calls Set for every cell of the rectangle, row by row, after creating the missing cells.
  void ForCells(int Col1, int Row1, int Col2, int Row2, const std::function<void(TXLSFormattedObj&)>& Set);
  // The cells of one part of the range an edit goes to.
  enum class TPart { Left, Right, Top, Bottom, All, InsideHoriz, InsideVert };
  // Calls Set for every cell of Part after creating the missing cells of the range.
  void ForPart(TPart Part, const std::function<void(TXLSFormattedObj&)>& Set);

  TXLSCell* Cell_;
  std::uint8_t Shape_ = 0;
  bool Valid_ = false;
};

// ---------------------------------------------------------------------------------------------
// The workbook's pending format (data only: no operation of the program applies it to cells).

class TXLSCmdFormatColor : public TObject {
public:
  TXLSCmdFormatColor(TXc12Color* Color, std::function<void()> OnChange)
      : Color_(Color), OnChange_(std::move(OnChange)) {}
  void Reset();
  void SetRGB(std::int32_t Value);
  void SetIndexed(int Index);
  const TXc12Color& Get() const { return *Color_; }

private:
  void Changed() {
    if (OnChange_) OnChange_();
  }
  TXc12Color* Color_;
  std::function<void()> OnChange_;
};

class TXLSCmdFormat;

// One part of the pending format: the format it belongs to and the scratch object it edits.
template <class TScratch>
class TXLSCmdFormatPart : public TObject {
public:
  TScratch* Scratch() const { return Scratch_.get(); }

protected:
  explicit TXLSCmdFormatPart(TXLSCmdFormat* Owner) : Owner_(Owner), Scratch_(std::make_unique<TScratch>()) {}
  TXLSCmdFormat* Owner_;
  std::unique_ptr<TScratch> Scratch_;
};

class TXLSCmdFormatAlignment : public TXLSCmdFormatPart<TXc12XF> {
public:
  explicit TXLSCmdFormatAlignment(TXLSCmdFormat* Owner) : TXLSCmdFormatPart(Owner) {}
  void Reset();
  std::array<std::uint8_t, 9> Flags{};
};

class TXLSCmdFormatProtection : public TXLSCmdFormatPart<TXc12XF> {
public:
  explicit TXLSCmdFormatProtection(TXLSCmdFormat* Owner) : TXLSCmdFormatPart(Owner) {}
  void Reset();
  std::uint8_t Locked = 2;  // 2 = unchanged
  std::uint8_t Hidden = 2;
};

class TXLSCmdFormatNumber : public TXLSCmdFormatPart<TXc12NumberFormat> {
public:
  explicit TXLSCmdFormatNumber(TXLSCmdFormat* Owner) : TXLSCmdFormatPart(Owner) {}
  void Reset();
  std::array<std::int32_t, 5> Settings{};
  std::array<std::uint8_t, 4> Flags{};
};

class TXLSCmdFormatFont : public TXLSCmdFormatPart<TXc12Font> {
public:
  explicit TXLSCmdFormatFont(TXLSCmdFormat* Owner);
  void Reset();
  TXLSCmdFormatColor& Color() { return *Color_; }
  std::array<std::uint8_t, 7> Changed{};  // property flags; 2 is the colour

private:
  std::unique_ptr<TXLSCmdFormatColor> Color_;
};

class TXLSCmdFormatFill : public TXLSCmdFormatPart<TXc12Fill> {
public:
  explicit TXLSCmdFormatFill(TXLSCmdFormat* Owner);
  void Reset();
  TXLSCmdFormatColor& FgColor() { return *FgColor_; }
  TXLSCmdFormatColor& BgColor() { return *BgColor_; }
  void SetPattern(TXc12FillPattern Pattern);
  std::uint8_t Spare = 0;
  bool ForegroundSet = false;
  bool BackgroundSet = false;
  bool PatternSet = false;

private:
  std::unique_ptr<TXLSCmdFormatColor> FgColor_;
  std::unique_ptr<TXLSCmdFormatColor> BgColor_;
};

class TXLSCmdFormatBorder : public TObject {
public:
  explicit TXLSCmdFormatBorder(TXLSCmdFormat* Owner);
  void Reset();
  TXc12CellBorderStyle LineStyle = cbsNone;
  TXc12Color LineColor;
  std::array<TXc12BorderPr, 8> Sides;
  std::array<std::uint8_t, 8> SideStates{};  // 2 = unchanged
  TXLSCmdFormatColor& Color() { return *Color_; }

private:
  TXLSCmdFormat* Owner_;
  std::unique_ptr<TXLSCmdFormatColor> Color_;
};

class TXLSCmdFormat : public TObject {
public:
  enum TChanged { fcAlignment, fcProtection, fcNumber, fcFill, fcFont, fcBorder };

  explicit TXLSCmdFormat(TXc12DataStyleSheet* StyleSheet);
  ~TXLSCmdFormat() override;
  void Reset();

  TXc12DataStyleSheet* GetStyleSheet() const { return StyleSheet_; }
  TXLSCmdFormatAlignment& Alignment() { return *Alignment_; }
  TXLSCmdFormatProtection& Protection() { return *Protection_; }
  TXLSCmdFormatNumber& Number() { return *Number_; }
  TXLSCmdFormatFont& Font() { return *Font_; }
  TXLSCmdFormatFill& Fill() { return *Fill_; }
  TXLSCmdFormatBorder& Border() { return *Border_; }
  TXc12XF* Scratch() const { return Scratch_.get(); }
  std::array<std::uint8_t, 6> Changed{};
  // Named default formats; empty in this program.
  int DefaultFormatCount() const { return 0; }

private:
  TXc12DataStyleSheet* StyleSheet_;
  std::unique_ptr<TXc12XF> Scratch_;
  std::unique_ptr<TXLSCmdFormatAlignment> Alignment_;
  std::unique_ptr<TXLSCmdFormatProtection> Protection_;
  std::unique_ptr<TXLSCmdFormatNumber> Number_;
  std::unique_ptr<TXLSCmdFormatFont> Font_;
  std::unique_ptr<TXLSCmdFormatFill> Fill_;
  std::unique_ptr<TXLSCmdFormatBorder> Border_;
  // The second scratch format with parts of its own.
  std::unique_ptr<TXc12XF> Scratch2_;
  std::unique_ptr<TXc12NumberFormat> Scratch2NumFmt_;
  std::unique_ptr<TXc12Font> Scratch2Font_;
  std::unique_ptr<TXc12Fill> Scratch2Fill_;
  std::unique_ptr<TXc12Border> Scratch2Border_;
};

}  // namespace workbook
