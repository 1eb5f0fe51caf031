// The style sheet of a workbook: every formatting record, shared and de-duplicated. Cells, rows and
// columns refer to cell formats (XFs) by their index in the cell-format list; an XF refers to its
// number format, font, fill and border, which many XFs share. Formats are changed only through the
// cell format editor (cell_format_editor.h), which keeps the use counts.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "workbook/style_records.h"

namespace workbook {

class TXc12DataStyleSheet;
class TXc12XFEditor;

// Base of the style sheet and of the shared-string table.
class TXc12Data : public TObject {};

// ---------------------------------------------------------------------------------------------
// Number formats; a format's Index is its format id (0..49 built in, user formats above).

inline constexpr int kXc12BuiltinNumberFormatCount = 50;
extern const std::array<const char16_t*, kXc12BuiltinNumberFormatCount> Xc12BuiltinNumberFormats;
// The default number formats of the oldest legacy files, by position.
extern const std::array<const char16_t*, 34> Xc12LegacyNumberFormats;

class TXc12NumberFormat : public TXLSStyleObject {
public:
  explicit TXc12NumberFormat(TXLSStyleObjectList* AOwner = nullptr) : TXLSStyleObject(AOwner) {}

  void CalcHash() override;
  bool Equal(const TXLSStyleObject& Other) const override;
  void DumpText(int Level, std::u16string& Text) const override;

  const std::u16string& GetMask() const { return Mask_; }
  void SetMask(const std::u16string& Value) { Mask_ = Value; }
  std::uint8_t Explicit = 0;  // a built-in id whose mask the file gave

  // Copies Other's mask unless this format is built in.
  void Assign(const TXc12NumberFormat& Other);
  // A mask that is not the built-in one of its id.
  bool IsUserDefined() const;

private:
  std::u16string Mask_;  // '' is the general format
};

class TXc12NumberFormats : public TXLSStyleList<TXc12NumberFormat> {
public:
  void AddDefaults() override;
  TXc12NumberFormat* AddFormat(const std::u16string& Mask, std::uint8_t IsDefault);
  // Stores Mask under format id Id (the readers' formats); ids above the list extend it.
  TXc12NumberFormat* SetFormatById(const std::u16string& Mask, int Id);
  TXc12NumberFormat* GetDefaultFormat() const { return GetItem(0); }
};

// ---------------------------------------------------------------------------------------------
// Cell formats

using TXc12CellProtection = std::uint8_t;  // bit 0 locked, bit 1 hidden
using TXc12XFApply = std::uint8_t;
enum : TXc12XFApply {
  xfaNumberFormat = 1, xfaFont = 2, xfaFill = 4, xfaBorder = 8, xfaAlignment = 16, xfaProtection = 32
};

class TXc12XFs;

class TXc12XF : public TXLSStyleObject {
public:
  explicit TXc12XF(TXLSStyleObjectList* AOwner = nullptr) : TXLSStyleObject(AOwner) {}

  void CalcHash() override;
  bool Equal(const TXLSStyleObject& Other) const override;
  void DumpText(int Level, std::u16string& Text) const override;

  TXc12CellAlignment Alignment;

  TXc12CellProtection GetProtection() const { return Protection_; }
  TXc12NumberFormat* GetNumberFormat() const { return NumberFormat_; }
  TXc12Font* GetFont() const { return Font_; }
  TXc12Border* GetBorder() const { return Border_; }
  TXc12Fill* GetFill() const { return Fill_; }
  TXc12XF* GetStyleXF() const { return StyleXF_; }
  TXc12XFApply GetApply() const { return Apply_; }
  std::uint8_t GetQuotePrefix() const { return QuotePrefix_; }
  std::uint8_t GetPivotButton() const { return PivotButton_; }

  void SetProtection(TXc12CellProtection Value);
  void SetQuotePrefix(std::uint8_t Value);
  void SetPivotButton(std::uint8_t Value);
  void SetNumberFormat(TXc12NumberFormat* Value) { NumberFormat_ = Value; }
  void SetFont(TXc12Font* Value) { Font_ = Value; }
  void SetBorder(TXc12Border* Value) { Border_ = Value; }
  void SetFill(TXc12Fill* Value) { Fill_ = Value; }
  void SetStyleXF(TXc12XF* Value) { StyleXF_ = Value == this ? nullptr : Value; }
  void SetApply(TXc12XFApply Value) { Apply_ = Value; }
  bool IsDefaultXF() const { return Index == 0; }

  // Everything but Apply.
  void Assign(const TXc12XF& Other);
  // Alignment, protection, quote prefix and pivot button.
  void AssignLocal(const TXc12XF& Other);

private:
  TXc12CellProtection Protection_ = 1;
  TXc12NumberFormat* NumberFormat_ = nullptr;  // shared, not owned
  TXc12Font* Font_ = nullptr;
  TXc12Border* Border_ = nullptr;
  TXc12Fill* Fill_ = nullptr;
  TXc12XF* StyleXF_ = nullptr;
  TXc12XFApply Apply_ = 0;
  std::uint8_t QuotePrefix_ = 0;
  std::uint8_t PivotButton_ = 0;
};

class TXc12XFs : public TXLSStyleList<TXc12XF> {
public:
  explicit TXc12XFs(TXc12DataStyleSheet* StyleSheet) : StyleSheet_(StyleSheet) {}
  void AddDefaults() override;
  // Appends an existing XF and returns its index.
  int AddXF(std::unique_ptr<TXc12XF> XF);
  // The slot for a new shared XF: the first free or unused slot above 0, else a new one.
  TXc12XF* AddOrReuse();
  // Frees the XF and leaves nil in its slot; the other XFs keep their indexes.
  void FreeSlot(TXc12XF* XF);
  TXc12XF* GetDefaultXF() const { return GetItem(0); }
  // Frees all, adds the built-in XF and gives every XF the default part references.
  void Reset() override;
  TXc12DataStyleSheet* GetStyleSheet() const { return StyleSheet_; }

private:
  TXc12DataStyleSheet* StyleSheet_;
};

// ---------------------------------------------------------------------------------------------
// Named cell styles

class TXc12CellStyle : public TXLSStyleObject {
public:
  explicit TXc12CellStyle(TXLSStyleObjectList* AOwner = nullptr) : TXLSStyleObject(AOwner) {}
  void CalcHash() override;
  bool Equal(const TXLSStyleObject& Other) const override;

  std::int32_t GetBuiltinId() const { return BuiltinId_; }
  void SetBuiltinId(std::int32_t V) { BuiltinId_ = V; }
  std::uint8_t GetCustomBuiltin() const { return CustomBuiltin_; }
  void SetCustomBuiltin(std::uint8_t V) { CustomBuiltin_ = V; }
  std::uint8_t GetHidden() const { return Hidden_; }
  void SetHidden(std::uint8_t V) { Hidden_ = V; }
  std::int32_t GetILevel() const { return ILevel_; }
  void SetILevel(std::int32_t V) { ILevel_ = V; }
  const std::u16string& GetName() const { return Name_; }
  void SetName(const std::u16string& V) { Name_ = V; }
  TXc12XF* GetXF() const { return XF_; }
  void SetXF(TXc12XF* V) { XF_ = V; }

private:
  std::int32_t BuiltinId_ = 0;
  std::uint8_t CustomBuiltin_ = 0;
  std::uint8_t Hidden_ = 0;
  std::int32_t ILevel_ = 0;
  std::u16string Name_;
  TXc12XF* XF_ = nullptr;  // a cell-style format, not owned
};

class TXc12CellStyles : public TXLSStyleList<TXc12CellStyle> {
public:
  using TXLSStyleList<TXc12CellStyle>::Find;
  void AddDefaults() override;
  // The first style whose name equals Name, letters A..Z compared without case; nil when none.
  TXc12CellStyle* Find(const std::u16string& Name) const;
  TXc12CellStyle* FindOrAdd(const std::u16string& Name);
};

// ---------------------------------------------------------------------------------------------
// The style sheet

class TXc12DataStyleSheet : public TXc12Data {
public:
  TXc12DataStyleSheet();
  ~TXc12DataStyleSheet() override;
  TXc12DataStyleSheet(const TXc12DataStyleSheet&) = delete;
  TXc12DataStyleSheet& operator=(const TXc12DataStyleSheet&) = delete;

  std::unique_ptr<TXc12XFs> XFs;
  std::unique_ptr<TXc12DXFs> DXFs;
  std::unique_ptr<TXc12XFs> StyleXFs;
  std::unique_ptr<TXc12NumberFormats> NumberFormats;
  std::unique_ptr<TXc12Fonts> Fonts;
  std::unique_ptr<TXc12Fills> Fills;
  std::unique_ptr<TXc12Borders> Borders;
  std::unique_ptr<TXc12CellStyles> CellStyles;
  std::unique_ptr<TXc12TableStyles> TableStyles;
  std::unique_ptr<TXc12ColorObjs> ColorObjs;
  std::unique_ptr<TXc12IndexColorObjs> IndexColorObjs;
  std::unique_ptr<TXc12XFEditor> XFEditor;
  std::function<void(int& X, int& Y)> OnGetDPI;
  // This workbook's indexed colours: a file's palette lands here, never in the process.
  TXc12Palette Palette = Xc12StartPalette();

  // Back to the built-in records.
  void Clear();
  // Gives XF the default part references (no use counts change).
  void ResetXF(TXc12XF& XF);
  // Purges unused records now, then renumbers every list from 0.
  void Compact();
  // Indexed colours of fills, colour entries and fonts take their value in Palette.
  void ApplyPalette();
  void GetDPI(int& X, int& Y) const;
};

}  // namespace workbook
