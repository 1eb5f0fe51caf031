// The shared formatting records of a workbook and their lists: the common base of every shared
// record (use count, hash, built-in mark), fonts with their cached screen font and the digit width
// of the default font, fills and gradients, borders, the alignment of a cell format, differential
// formats, table styles and the two colour lists.
//
// Records are shared: many cell formats use one font, and a record is only added when no equal one
// exists. Lists own their records; cell formats refer to parts without owning them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "workbook/colors.h"
#include "workbook/object_list.h"

namespace workbook {

class TXLSStyleObjectList;

// ---------------------------------------------------------------------------------------------
// Base record and list

class TXLSStyleObject : public TIndexObject {
public:
  explicit TXLSStyleObject(TXLSStyleObjectList* AOwner = nullptr) : Owner(AOwner) {}
  TXLSStyleObject(const TXLSStyleObject&) = delete;
  TXLSStyleObject& operator=(const TXLSStyleObject&) = delete;

  std::int32_t RefCount = 0;
  std::uint8_t HashValid = 0;
  std::int32_t HashValue = 0;
  std::uint8_t IsDefault = 0;  // built-in: never purged
  TXLSStyleObjectList* Owner = nullptr;

  // Computes HashValue from the content. Only records that cache their hash set HashValid.
  virtual void CalcHash() = 0;
  // Content equality with a record of the same class.
  virtual bool Equal(const TXLSStyleObject& Other) const = 0;
  // Diagnostic text; lines end with CR LF and are indented by Level.
  virtual void DumpText(int Level, std::u16string& Text) const;

  TXLSStyleObject* IncRef() {
    ++RefCount;
    return this;
  }
  void DecRef() { --RefCount; }
  std::int32_t GetHashValue() {
    if (HashValid == 0) CalcHash();
    return HashValue;
  }
};

// An owning list whose items know their position. Slots may hold nil (freed cell formats).
class TXLSIndexObjectList {
public:
  virtual ~TXLSIndexObjectList() = default;
  TXLSIndexObjectList() = default;
  TXLSIndexObjectList(const TXLSIndexObjectList&) = delete;
  TXLSIndexObjectList& operator=(const TXLSIndexObjectList&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  // The item at Index (nil for an empty slot); an index outside the list raises the list error.
  TIndexObject* GetObject(int Index) const {
    Check(Index);
    return items_[static_cast<std::size_t>(Index)].get();
  }
  // Appends; the item's Index becomes its position. Returns the position.
  int AddObject(std::unique_ptr<TIndexObject> Item);
  // Removes and frees the item; the list closes up and renumbers.
  void Delete(int Index);
  std::unique_ptr<TIndexObject> Extract(int Index);
  // Every non-nil item from position Start on gets Index := its position.
  void Reindex(int Start = 0);
  virtual void Clear() { items_.clear(); }

protected:
  void Check(int Index) const;
  std::vector<std::unique_ptr<TIndexObject>> items_;
};

class TXLSStyleObjectList : public TXLSIndexObjectList {
public:
  TXLSStyleObject* GetStyleObject(int Index) const {
    return static_cast<TXLSStyleObject*>(GetObject(Index));
  }
  // Appends a record, makes the list its owner and returns its index.
  int Add(std::unique_ptr<TXLSStyleObject> Item);
  // The number of leading built-in records.
  int GetDefaultCount() const;
  // Adds the built-in records of the list.
  virtual void AddDefaults() = 0;
  // Frees all records, then adds the built-in ones.
  virtual void Reset() {
    Clear();
    AddDefaults();
  }
};

// A list of records of one class T (constructed from the owning list).
template <class T>
class TXLSStyleList : public TXLSStyleObjectList {
public:
  T* GetItem(int Index) const { return static_cast<T*>(GetObject(Index)); }
  T* operator[](int Index) const { return GetItem(Index); }
  // A new record with its defaults, owned by the list and appended.
  T* Add() {
    auto item = std::make_unique<T>(this);
    T* raw = item.get();
    TXLSStyleObjectList::Add(std::move(item));
    return raw;
  }
  // The first record equal to Probe (nil slots skipped), or nil.
  T* Find(const T& Probe) const {
    for (const auto& item : items_)
      if (item && static_cast<const T*>(item.get())->Equal(Probe)) return static_cast<T*>(item.get());
    return nullptr;
  }
  void AddDefaults() override {}
};

// ---------------------------------------------------------------------------------------------
// Enumerations

using TXc12FontStyles = std::uint8_t;  // a set of TXc12FontStyle bits
enum TXc12FontStyle : std::uint8_t {
  xfsBold, xfsItalic, xfsStrikeOut, xfsOutline, xfsShadow, xfsCondense, xfsExtend
};
constexpr TXc12FontStyles FontStyleBit(TXc12FontStyle S) { return static_cast<TXc12FontStyles>(1u << S); }

enum TXc12Underline : std::uint8_t { xulNone, xulSingle, xulDouble, xulSingleAccount, xulDoubleAccount };
enum TXc12SubSuperscript : std::uint8_t { xssNone, xssSuperscript, xssSubscript };
enum TXc12FontScheme : std::uint8_t { efsNone, efsMajor, efsMinor };

enum TXc12FillPattern : std::uint8_t {
  efpNone, efpSolid, efpMediumGray, efpDarkGray, efpLightGray, efpDarkHorizontal, efpDarkVertical,
  efpDarkDown, efpDarkUp, efpDarkGrid, efpDarkTrellis, efpLightHorizontal, efpLightVertical,
  efpLightDown, efpLightUp, efpLightGrid, efpLightTrellis, efpGray125, efpGray0625
};

enum TXc12CellBorderStyle : std::uint8_t {
  cbsNone, cbsThin, cbsMedium, cbsDashed, cbsDotted, cbsThick, cbsDouble, cbsHair, cbsMediumDashed,
  cbsDashDot, cbsMediumDashDot, cbsDashDotDot, cbsMediumDashDotDot, cbsSlantedDashDot
};

using TXc12BorderOptions = std::uint8_t;
enum : TXc12BorderOptions { ecboDiagonalDown = 1, ecboDiagonalUp = 2, ecboOutline = 4 };

enum TXc12HorizAlignment : std::uint8_t {
  chaGeneral, chaLeft, chaCenter, chaRight, chaFill, chaJustify, chaCenterContinuous, chaDistributed
};
enum TXc12VertAlignment : std::uint8_t { cvaTop, cvaCenter, cvaBottom, cvaJustify, cvaDistributed };
using TXc12AlignmentOptions = std::uint8_t;
enum : TXc12AlignmentOptions { foWrapText = 1, foShrinkToFit = 2, foJustifyLastLine = 4 };

// Diagnostic text of a colour (shared by the records' DumpText).
void DumpColorText(const TXc12Color& Color, int Level, std::u16string& Text);

// ---------------------------------------------------------------------------------------------
// Fonts

// The platform-neutral logical font: what a screen font is made from.
struct TXc12LogFont {
  std::int32_t Height = 0;  // 1/20 point, or negative pixels once scaled to a resolution
  std::int32_t Weight = 0;
  std::uint8_t Italic = 0;
  std::uint8_t Underline = 0;
  std::uint8_t StrikeOut = 0;
  std::uint8_t CharSet = 0;
  std::uint8_t OutPrecision = 0;
  std::u16string FaceName;  // at most 32 characters
};

// Screen-font services of the host. The default is deterministic and needs no display: 96 dpi,
// and a digit width derived from the pixel height, so that files and tests do not depend on the
// fonts installed. A host with a real display may plug its own in.
struct TXc12FontMetrics {
  // Logical pixels per inch of the display (horizontal, vertical).
  std::function<void(int& X, int& Y)> GetDisplayDPI;
  // The width in pixels of one character drawn in the font (a pixel-height logical font).
  std::function<int(const TXc12LogFont& Font, char16_t Ch)> MeasureChar;
};
TXc12FontMetrics& Xc12FontMetrics();
void ResetXc12FontMetrics();

class TXc12Fonts;

class TXc12Font : public TXLSStyleObject {
public:
  explicit TXc12Font(TXLSStyleObjectList* AOwner = nullptr);

  void CalcHash() override;
  bool Equal(const TXLSStyleObject& Other) const override;
  void DumpText(int Level, std::u16string& Text) const override;

  const std::u16string& GetName() const { return Name_; }
  std::int32_t GetCharset() const { return Charset_; }
  std::int32_t GetFamily() const { return Family_; }
  TXc12FontStyles GetStyle() const { return Style_; }
  TXc12Underline GetUnderline() const { return Underline_; }
  TXc12SubSuperscript GetSubSuperscript() const { return SubSuperscript_; }
  const TXc12Color& GetColor() const { return Color_; }
  TXc12Color& ColorRef() { return Color_; }  // for palette updates
  double GetSize() const { return Size_; }
  TXc12FontScheme GetScheme() const { return Scheme_; }

  void SetName(const std::u16string& Value);
  void SetCharset(std::int32_t Value);
  void SetFamily(std::int32_t Value);
  void SetStyle(TXc12FontStyles Value);
  void SetUnderline(TXc12Underline Value);
  void SetSubSuperscript(TXc12SubSuperscript Value);
  void SetColor(const TXc12Color& Value);
  void SetSize(double Value);
  void SetScheme(TXc12FontScheme Value);

  // Copies the nine properties.
  void Assign(const TXc12Font& Other);
  void Clear();

  void GetLogFont(TXc12LogFont& LogFont, std::uint32_t& Color) const;
  // The cached screen font; made on first use from the logical font scaled to DPI (DPI <= 0
  // keeps the height in 1/20 point).
  const TXc12LogFont* GetHandle(int DPI);
  void FreeHandle() { Handle_.reset(); }
  bool HasHandle() const { return Handle_ != nullptr; }

private:
  std::u16string Name_;
  std::int32_t Charset_ = 0;
  std::int32_t Family_ = 0;
  TXc12FontStyles Style_ = 0;
  TXc12Underline Underline_ = xulNone;
  TXc12SubSuperscript SubSuperscript_ = xssNone;
  TXc12Color Color_;
  double Size_ = 0;
  TXc12FontScheme Scheme_ = efsNone;
  std::unique_ptr<TXc12LogFont> Handle_;
};

class TXc12Fonts : public TXLSStyleList<TXc12Font> {
public:
  explicit TXc12Fonts() = default;
  std::int32_t MaxDigitWidth = 0;      // pixels
  std::int32_t DefaultFontHeight = 0;  // logical height of font 0 at the last measure (negative pixels)

  void AddDefaults() override;
  // Adopts a free-standing font and appends it.
  TXc12Font* AddFont(std::unique_ptr<TXc12Font> Font);
  TXc12Font* GetDefaultFont() const { return GetItem(0); }
  void ApplyPalette(const TXc12Palette& Palette);
  // The widest of the digits 0..9 of font 0 in screen pixels.
  void CalcMaxDigitWidth();
  // The font of comment texts, added when missing; marked built-in so that it is never purged.
  TXc12Font* GetCommentFont(bool Bold);
};

// ---------------------------------------------------------------------------------------------
// Fills

class TXc12GradientStop : public TObject {
public:
  TXc12Color Color;
  double Position = 0;  // 0..1
};

class TXc12GradientStopList : public TObjectList<TXc12GradientStop> {
public:
  TXc12GradientStop* AddStop(const TXc12Color& Color, double Position);
};

class TXc12Fill;

class TXc12GradientFill : public TXLSStyleObject {
public:
  explicit TXc12GradientFill(TXLSStyleObjectList* AOwner = nullptr) : TXLSStyleObject(AOwner) {}
  void CalcHash() override { HashValue = 0; }
  bool Equal(const TXLSStyleObject& Other) const override;

  TXc12GradientStopList Stops;
  std::uint8_t GetGradientType() const { return GradientType_; }
  double GetDegree() const { return Degree_; }
  double GetLeft() const { return Left_; }
  double GetRight() const { return Right_; }
  double GetTop() const { return Top_; }
  double GetBottom() const { return Bottom_; }
  bool LeftAssigned() const { return LeftAssigned_ != 0; }
  bool RightAssigned() const { return RightAssigned_ != 0; }
  bool TopAssigned() const { return TopAssigned_ != 0; }
  bool BottomAssigned() const { return BottomAssigned_ != 0; }
  void SetGradientType(std::uint8_t Value) { GradientType_ = Value; }
  void SetDegree(double Value) { Degree_ = Value; }
  void SetLeft(double Value) { Left_ = Value; LeftAssigned_ = 1; }
  void SetRight(double Value) { Right_ = Value; RightAssigned_ = 1; }
  void SetTop(double Value) { Top_ = Value; TopAssigned_ = 1; }
  void SetBottom(double Value) { Bottom_ = Value; BottomAssigned_ = 1; }
  // Copies the gradient of Fill (stops, type, degree and the four sides).
  void Assign(const TXc12Fill& Fill);
  void Assign(const TXc12GradientFill& Other);

private:
  std::uint8_t GradientType_ = 0;  // 0 linear, 1 path
  double Degree_ = 0, Left_ = 0, Right_ = 0, Top_ = 0, Bottom_ = 0;
  std::uint8_t LeftAssigned_ = 0, RightAssigned_ = 0, TopAssigned_ = 0, BottomAssigned_ = 0;
};

class TXc12Fill : public TXLSStyleObject {
public:
  explicit TXc12Fill(TXLSStyleObjectList* AOwner = nullptr);

  void CalcHash() override;
  bool Equal(const TXLSStyleObject& Other) const override;
  void DumpText(int Level, std::u16string& Text) const override;

  TXc12GradientFill* GetGradient() const { return Gradient_.get(); }
  bool IsGradient() const { return Gradient_ != nullptr; }
  void SetIsGradient(bool Value);
  TXc12FillPattern GetPatternType() const { return PatternType_; }
  TXc12Fill* SetPatternType(TXc12FillPattern Value) {
    PatternType_ = Value;
    return this;
  }
  TXc12Color FgColor;  // the pattern colour
  TXc12Color BgColor;

  void Assign(const TXc12Fill& Other);
  void Clear();

private:
  std::unique_ptr<TXc12GradientFill> Gradient_;
  TXc12FillPattern PatternType_ = efpNone;
};

class TXc12Fills : public TXLSStyleList<TXc12Fill> {
public:
  void AddDefaults() override;
  TXc12Fill* GetDefaultFill() const { return GetItem(0); }
  void ApplyPalette(const TXc12Palette& Palette);
};

// ---------------------------------------------------------------------------------------------
// Borders

class TXc12BorderPr : public TObject {
public:
  TXc12Color Color;
  TXc12CellBorderStyle Style = cbsNone;

  void Assign(const TXc12BorderPr& Other) {
    Color = Other.Color;
    Style = Other.Style;
  }
  void Clear();
  bool Equal(const TXc12BorderPr& Other) const;
  std::int32_t Hash() const;
  // Xc12ColorToRGB of the colour (0x00BBGGRR).
  std::uint32_t GetColorRGB() const { return Xc12ColorToRGB(Color); }
  // The colour becomes the RGB colour Value (0xRRGGBB).
  void SetColorRGB(std::int32_t Value) { SetXc12ColorRGB(Value, Color); }
};

enum TXc12BorderLine : int { xblLeft, xblTop, xblRight, xblBottom, xblDiagonal, xblHorizontal, xblVertical };

class TXc12Border : public TXLSStyleObject {
public:
  explicit TXc12Border(TXLSStyleObjectList* AOwner = nullptr);

  void CalcHash() override;
  bool Equal(const TXLSStyleObject& Other) const override;
  void DumpText(int Level, std::u16string& Text) const override;

  TXc12BorderOptions GetOptions() const { return Options_; }
  void SetOptions(TXc12BorderOptions Value) { Options_ = Value; }
  TXc12BorderPr Left, Top, Right, Bottom, Diagonal, Horizontal, Vertical;
  TXc12BorderPr& Line(TXc12BorderLine L);
  const TXc12BorderPr& Line(TXc12BorderLine L) const;

  void Assign(const TXc12Border& Other);
  void Clear();

private:
  TXc12BorderOptions Options_ = 0;
};

class TXc12Borders : public TXLSStyleList<TXc12Border> {
public:
  void AddDefaults() override;
  TXc12Border* GetDefaultBorder() const { return GetItem(0); }
};

// ---------------------------------------------------------------------------------------------
// Alignment (owned by its cell format or differential format, never shared)

class TXc12CellAlignment : public TObject {
public:
  std::uint8_t GetHorizAlignment() const { return HorizAlignment_; }
  std::uint8_t GetVertAlignment() const { return VertAlignment_; }
  std::int32_t GetRotation() const { return Rotation_; }
  TXc12AlignmentOptions GetOptions() const { return Options_; }
  std::int32_t GetIndent() const { return Indent_; }
  std::int32_t GetRelativeIndent() const { return RelativeIndent_; }
  std::uint8_t GetReadingOrder() const { return ReadingOrder_; }
  void SetHorizAlignment(std::uint8_t V) { HorizAlignment_ = V; }
  void SetVertAlignment(std::uint8_t V) { VertAlignment_ = V; }
  void SetRotation(std::int32_t V) { Rotation_ = V; }
  void SetOptions(TXc12AlignmentOptions V) { Options_ = V; }
  void SetIndent(std::int32_t V) { Indent_ = V; }
  void SetRelativeIndent(std::int32_t V) { RelativeIndent_ = V; }
  void SetReadingOrder(std::uint8_t V) { ReadingOrder_ = V; }

  void Assign(const TXc12CellAlignment& Other);
  bool Equal(const TXc12CellAlignment& Other) const;
  // The sum of the seven fields; computed once and then kept (the setters do not invalidate it,
  // as no lookup depends on it).
  std::int32_t GetHashValue();

private:
  std::uint8_t HorizAlignment_ = chaGeneral;
  std::uint8_t VertAlignment_ = cvaBottom;
  std::int32_t Rotation_ = 0;
  TXc12AlignmentOptions Options_ = 0;
  std::int32_t Indent_ = 0;
  std::int32_t RelativeIndent_ = 0;
  std::uint8_t ReadingOrder_ = 0;
  std::int32_t Hash_ = 0;
  std::uint8_t HashValid_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Differential formats

class TXc12NumberFormat;

class TXc12DXF : public TXLSStyleObject {
public:
  explicit TXc12DXF(TXLSStyleObjectList* AOwner = nullptr);
  ~TXc12DXF() override;

  void CalcHash() override;
  bool Equal(const TXLSStyleObject& Other) const override;

  TXc12Font* AddFont();
  TXc12NumberFormat* AddNumFmt();
  TXc12Fill* AddFill();
  TXc12Border* AddBorder();
  TXc12CellAlignment* AddAlignment();
  TXc12Font* GetFont() const { return Font_.get(); }
  TXc12NumberFormat* GetNumFmt() const { return NumFmt_.get(); }
  TXc12Fill* GetFill() const { return Fill_.get(); }
  TXc12Border* GetBorder() const { return Border_.get(); }
  TXc12CellAlignment* GetAlignment() const { return Alignment_.get(); }
  std::uint8_t GetProtection() const { return Protection_; }
  void SetProtection(std::uint8_t Value) { Protection_ = Value; }

private:
  std::unique_ptr<TXc12Font> Font_;
  std::unique_ptr<TXc12NumberFormat> NumFmt_;
  std::unique_ptr<TXc12Fill> Fill_;
  std::unique_ptr<TXc12Border> Border_;
  std::unique_ptr<TXc12CellAlignment> Alignment_;
  std::uint8_t Protection_ = 0;
};

class TXc12DXFs : public TXLSStyleList<TXc12DXF> {};

// ---------------------------------------------------------------------------------------------
// Table styles

class TXc12TableStyleElement : public TObject {
public:
  std::uint8_t GetType() const { return Type_; }
  void SetType(std::uint8_t V) { Type_ = V; }
  std::int32_t GetSize() const { return Size_; }
  void SetSize(std::int32_t V) { Size_ = V; }
  TXc12DXF* GetDXF() const { return DXF_; }
  void SetDXF(TXc12DXF* V) { DXF_ = V; }

private:
  std::uint8_t Type_ = 255;  // unset
  std::int32_t Size_ = 1;
  TXc12DXF* DXF_ = nullptr;  // not owned
};

class TXc12TableStyleElements : public TObjectList<TXc12TableStyleElement> {
public:
  using TObjectList<TXc12TableStyleElement>::Add;
  TXc12TableStyleElement* Add() { return Add(std::make_unique<TXc12TableStyleElement>()); }
};

class TXc12TableStyle : public TXLSStyleObject {
public:
  explicit TXc12TableStyle(TXLSStyleObjectList* AOwner = nullptr) : TXLSStyleObject(AOwner) {}
  void CalcHash() override;
  bool Equal(const TXLSStyleObject& Other) const override;

  const std::u16string& GetName() const { return Name_; }
  void SetName(const std::u16string& V) { Name_ = V; }
  std::uint8_t GetPivot() const { return Pivot_; }
  void SetPivot(std::uint8_t V) { Pivot_ = V; }
  std::uint8_t GetTable() const { return Table_; }
  void SetTable(std::uint8_t V) { Table_ = V; }
  TXc12TableStyleElements& GetTableStyleElements() { return Elements_; }
  void Clear();

private:
  std::u16string Name_;
  std::uint8_t Pivot_ = 1;
  std::uint8_t Table_ = 1;
  TXc12TableStyleElements Elements_;
};

class TXc12TableStyles : public TXLSStyleList<TXc12TableStyle> {
public:
  std::u16string DefaultTableStyle;
  std::u16string DefaultPivotStyle;
  void Clear() override {
    TXLSStyleList<TXc12TableStyle>::Clear();
    DefaultTableStyle.clear();
    DefaultPivotStyle.clear();
  }
};

// ---------------------------------------------------------------------------------------------
// Colour lists

class TXc12ColorObj : public TXLSStyleObject {
public:
  explicit TXc12ColorObj(TXLSStyleObjectList* AOwner = nullptr) : TXLSStyleObject(AOwner) {}
  void CalcHash() override { HashValue = Xc12ColorHash(Color); }
  bool Equal(const TXLSStyleObject& Other) const override;
  TXc12Color Color;
};

class TXc12ColorObjs : public TXLSStyleList<TXc12ColorObj> {
public:
  using TXLSStyleList<TXc12ColorObj>::Add;
  TXc12ColorObj* AddColor(const TXc12Color& Color);
  void ApplyPalette(const TXc12Palette& Palette);
};

class TXc12IndexColorObj : public TXLSStyleObject {
public:
  explicit TXc12IndexColorObj(TXLSStyleObjectList* AOwner = nullptr) : TXLSStyleObject(AOwner) {}
  void CalcHash() override { HashValue = static_cast<std::int32_t>(RGB_); }
  bool Equal(const TXLSStyleObject& Other) const override;
  std::uint32_t GetRGB() const { return RGB_; }
  void SetRGB(std::uint32_t V) { RGB_ = V; }

private:
  std::uint32_t RGB_ = 0;
};

class TXc12IndexColorObjs : public TXLSStyleList<TXc12IndexColorObj> {};

// ---------------------------------------------------------------------------------------------
// Font runs of rich texts: the run starts at character Index (0-based, UTF-16 units).

struct TXc12FontRun {
  std::int32_t Index = 0;
  TXc12Font* Font = nullptr;  // not owned; nil for a run without formatting
};
using TXc12DynFontRunArray = std::vector<TXc12FontRun>;

// Text comparison that folds the letters A..Z only (names of styles and fonts).
bool SameTextAZ(std::u16string_view A, std::u16string_view B);

}  // namespace workbook
