#include "workbook/style_records.h"

#include <cmath>
#include <cstdio>

#include "workbook/biff_codecs.h"
#include "workbook/exceptions.h"
#include "workbook/library_utils.h"
#include "workbook/style_sheet.h"

namespace workbook {

namespace {

std::u16string Ascii(const char* S) { return std::u16string(S, S + std::char_traits<char>::length(S)); }

void AddLine(std::u16string& Text, int Level, std::u16string_view S) {
  Text += MakeIndent(Level);
  Text += S;
  Text += u"\r\n";
}

std::u16string Fmt(const char* Format, double V) {
  char buf[64];
  std::snprintf(buf, sizeof buf, Format, V);
  return Ascii(buf);
}
std::u16string FmtInt(const char* Format, long long V) {
  char buf[64];
  std::snprintf(buf, sizeof buf, Format, V);
  return Ascii(buf);
}

std::int32_t Wrap(std::uint32_t V) { return static_cast<std::int32_t>(V); }

bool Near(double A, double B) { return std::fabs(A - B) <= 1e-6; }

}  // namespace

bool SameTextAZ(std::u16string_view A, std::u16string_view B) {
  if (A.size() != B.size()) return false;
  for (std::size_t i = 0; i < A.size(); ++i) {
    char16_t a = A[i], b = B[i];
    if (a >= u'A' && a <= u'Z') a = static_cast<char16_t>(a + 32);
    if (b >= u'A' && b <= u'Z') b = static_cast<char16_t>(b + 32);
    if (a != b) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------

void TXLSStyleObject::DumpText(int, std::u16string& Text) const { Text.clear(); }

void TXLSIndexObjectList::Check(int Index) const {
  if (Index < 0 || Index >= Count()) RaiseListIndexError(Index);
}

int TXLSIndexObjectList::AddObject(std::unique_ptr<TIndexObject> Item) {
  items_.push_back(std::move(Item));
  int index = Count() - 1;
  if (items_.back()) items_.back()->Index = index;
  return index;
}

void TXLSIndexObjectList::Delete(int Index) {
  Check(Index);
  std::unique_ptr<TIndexObject> gone = std::move(items_[static_cast<std::size_t>(Index)]);
  items_.erase(items_.begin() + Index);
  Reindex(0);
}

std::unique_ptr<TIndexObject> TXLSIndexObjectList::Extract(int Index) {
  Check(Index);
  std::unique_ptr<TIndexObject> out = std::move(items_[static_cast<std::size_t>(Index)]);
  items_.erase(items_.begin() + Index);
  Reindex(0);
  return out;
}

void TXLSIndexObjectList::Reindex(int Start) {
  for (std::size_t i = static_cast<std::size_t>(Start < 0 ? 0 : Start); i < items_.size(); ++i)
    if (items_[i]) items_[i]->Index = static_cast<int>(i);
}

int TXLSStyleObjectList::Add(std::unique_ptr<TXLSStyleObject> Item) {
  if (Item) Item->Owner = this;
  return AddObject(std::move(Item));
}

int TXLSStyleObjectList::GetDefaultCount() const {
  int n = 0;
  for (const auto& item : items_) {
    if (!item || static_cast<const TXLSStyleObject*>(item.get())->IsDefault == 0) break;
    ++n;
  }
  return n;
}

// ---------------------------------------------------------------------------------------------
// Colours

void DumpColorText(const TXc12Color& Color, int Level, std::u16string& Text) {
  AddLine(Text, Level, u"ARGB: " + FmtInt("%.8llX", Color.ARGB));
  AddLine(Text, Level, u"Tint: " + Fmt("%.2f", Color.Tint));
  AddLine(Text, Level, u"Color type:");
  switch (Color.ColorType) {
    case xctAuto: AddLine(Text, Level + 1, u"Auto"); break;
    case xctIndexed: AddLine(Text, Level + 1, u"Indexed: " + FmtInt("%lld", Color.Index)); break;
    case xctRgb: AddLine(Text, Level + 1, u"RGB: " + FmtInt("%.8llX", Color.RGB)); break;
    case xctTheme: AddLine(Text, Level + 1, u"Theme: " + FmtInt("%lld", Color.Index)); break;
    default: AddLine(Text, Level + 1, u"!UNASSIGNED!"); break;
  }
}

static void ApplyPaletteTo(TXc12Color& C, const TXc12Palette& Palette) {
  if (C.ColorType == xctIndexed && C.Index < kXc12PaletteSize) C.ARGB = Palette[C.Index];
}

// ---------------------------------------------------------------------------------------------
// Font metrics

namespace {
void DefaultDPI(int& X, int& Y) { X = Y = 96; }
// Without a display the widest digit is taken as 7/15 of the pixel height (7 pixels for the
// 11-point default at 96 dpi), one more when bold: stable on every machine.
int DefaultMeasure(const TXc12LogFont& F, char16_t) {
  int h = F.Height < 0 ? -F.Height : F.Height;
  int w = (h * 7 + 7) / 15;
  if (F.Weight >= 700) ++w;
  return w < 1 ? 1 : w;
}
}  // namespace

TXc12FontMetrics& Xc12FontMetrics() {
  static TXc12FontMetrics metrics{DefaultDPI, DefaultMeasure};
  return metrics;
}

void ResetXc12FontMetrics() {
  Xc12FontMetrics().GetDisplayDPI = DefaultDPI;
  Xc12FontMetrics().MeasureChar = DefaultMeasure;
}

// ---------------------------------------------------------------------------------------------
// Fonts

TXc12Font::TXc12Font(TXLSStyleObjectList* AOwner) : TXLSStyleObject(AOwner) {}

void TXc12Font::CalcHash() {
  std::uint32_t h = 0;
  // Upper-cased like the comparison, so that equal fonts hash alike.
  for (char16_t c : UpperCaseW(Name_)) h += c;
  h += static_cast<std::uint32_t>(Charset_) + static_cast<std::uint32_t>(Family_) + Style_ + Underline_ +
       SubSuperscript_ + static_cast<std::uint32_t>(Xc12ColorHash(Color_)) +
       static_cast<std::uint32_t>(static_cast<std::int64_t>(std::llround(Size_ * 100))) + Scheme_;
  HashValue = Wrap(h);
}

bool TXc12Font::Equal(const TXLSStyleObject& Other) const {
  const auto& o = static_cast<const TXc12Font&>(Other);
  return Charset_ == o.Charset_ && Family_ == o.Family_ && Style_ == o.Style_ &&
         Underline_ == o.Underline_ && SubSuperscript_ == o.SubSuperscript_ && Size_ == o.Size_ &&
         Scheme_ == o.Scheme_ && Xc12ColorEqual(Color_, o.Color_) &&
         (Name_ == o.Name_ || UpperCaseW(Name_) == UpperCaseW(o.Name_));
}

void TXc12Font::DumpText(int Level, std::u16string& Text) const {
  Text.clear();
  AddLine(Text, Level, u"Name   : " + Name_);
  AddLine(Text, Level, u"Size   : " + Fmt("%g", Size_));
  if (Charset_ != 0) AddLine(Text, Level, u"CharSet: " + FmtInt("%lld", Charset_));
  if (Family_ != 0) AddLine(Text, Level, u"Family : " + FmtInt("%lld", Family_));
  if (Style_ != 0) {
    AddLine(Text, Level, u"Style  :");
    static const char16_t* names[] = {u"Bold", u"Italic", u"StrikeOut", u"Outline", u"Shadow", u"Condense", u"Extend"};
    for (int b = 0; b < 7; ++b)
      if (Style_ & (1u << b)) AddLine(Text, Level + 1, names[b]);
  }
  static const char16_t* ul[] = {nullptr, u"Underline: Single", u"Underline: Double",
                                 u"Underline: SingleAccount", u"Underline: DoubleAccount"};
  if (Underline_ > 0 && Underline_ <= 4) AddLine(Text, Level, ul[Underline_]);
  if (SubSuperscript_ == xssSuperscript) AddLine(Text, Level, u"SubSuperscript: Superscript");
  if (SubSuperscript_ == xssSubscript) AddLine(Text, Level, u"SubSuperscript: Subscript");
  if (Scheme_ == efsMajor) AddLine(Text, Level, u"Scheme : Major");
  if (Scheme_ == efsMinor) AddLine(Text, Level, u"Scheme : Minor");
  AddLine(Text, Level, u"Color  :");
  DumpColorText(Color_, Level + 1, Text);
}

void TXc12Font::SetName(const std::u16string& Value) {
  Name_ = Value;
  HashValid = 0;
  FreeHandle();
}
void TXc12Font::SetCharset(std::int32_t Value) {
  Charset_ = Value;
  HashValid = 0;
}
void TXc12Font::SetFamily(std::int32_t Value) {
  Family_ = Value;
  HashValid = 0;
  FreeHandle();
}
void TXc12Font::SetStyle(TXc12FontStyles Value) {
  Style_ = Value;
  HashValid = 0;
  FreeHandle();
}
void TXc12Font::SetUnderline(TXc12Underline Value) {
  Underline_ = Value;
  HashValid = 0;
}
void TXc12Font::SetSubSuperscript(TXc12SubSuperscript Value) {
  SubSuperscript_ = Value;
  HashValid = 0;
  FreeHandle();
}
void TXc12Font::SetColor(const TXc12Color& Value) {
  Color_ = Value;
  HashValid = 0;
}
void TXc12Font::SetScheme(TXc12FontScheme Value) {
  Scheme_ = Value;
  HashValid = 0;
}
void TXc12Font::SetSize(double Value) {
  FreeHandle();
  Size_ = Value;
  if (auto* fonts = dynamic_cast<TXc12Fonts*>(Owner); fonts && Value > 0 && fonts->Count() > 0 &&
                                                      fonts->GetItem(0) == this)
    fonts->CalcMaxDigitWidth();
  HashValid = 0;
}

void TXc12Font::Assign(const TXc12Font& Other) {
  if (&Other == this) return;
  SetName(Other.Name_);
  SetCharset(Other.Charset_);
  SetFamily(Other.Family_);
  SetStyle(Other.Style_);
  SetUnderline(Other.Underline_);
  SetSubSuperscript(Other.SubSuperscript_);
  SetColor(Other.Color_);
  SetSize(Other.Size_);
  SetScheme(Other.Scheme_);
}

void TXc12Font::Clear() {
  SetName(u"");
  SetCharset(0);
  SetFamily(0);
  SetStyle(0);
  SetUnderline(xulNone);
  SetSubSuperscript(xssNone);
  SetColor(TXc12Color{});
  Size_ = 0;
  FreeHandle();
  SetScheme(efsNone);
}

void TXc12Font::GetLogFont(TXc12LogFont& LogFont, std::uint32_t& Color) const {
  LogFont = TXc12LogFont{};
  LogFont.Height = static_cast<std::int32_t>(std::llround(Size_ * 20));
  LogFont.Weight = (Style_ & FontStyleBit(xfsBold)) ? 700 : 400;
  LogFont.Italic = (Style_ & FontStyleBit(xfsItalic)) ? 1 : 0;
  LogFont.StrikeOut = (Style_ & FontStyleBit(xfsStrikeOut)) ? 1 : 0;
  LogFont.Underline = Underline_ == xulSingle ? 1 : 0;
  LogFont.CharSet = static_cast<std::uint8_t>(Charset_ & 0xFF);
  LogFont.FaceName = Name_.substr(0, 32);
  Color = Color_.ARGB;
}

const TXc12LogFont* TXc12Font::GetHandle(int DPI) {
  if (Handle_) return Handle_.get();
  auto lf = std::make_unique<TXc12LogFont>();
  std::uint32_t color = 0;
  GetLogFont(*lf, color);
  if (DPI > 0) {
    // Whole points only, scaled with rounding like the platform's MulDiv.
    long long points = lf->Height / 20;
    long long num = points * DPI;
    long long scaled = num >= 0 ? (num + 36) / 72 : -((-num + 36) / 72);
    lf->Height = static_cast<std::int32_t>(-scaled);
    lf->OutPrecision = 7;  // TrueType outlines only
  }
  Handle_ = std::move(lf);
  return Handle_.get();
}

void TXc12Fonts::AddDefaults() {
  TXc12Font* f = Add();
  f->IsDefault = 1;
  f->SetName(u"Calibri");
  TXc12Color c;
  c.ColorType = xctTheme;
  c.Index = 1;
  c.Tint = 0;
  c.ARGB = Xc12ThemeColor(1);
  f->SetColor(c);
  f->SetFamily(2);
  f->SetScheme(efsMinor);
  f->SetSize(11);
}

TXc12Font* TXc12Fonts::AddFont(std::unique_ptr<TXc12Font> Font) {
  TXc12Font* raw = Font.get();
  TXLSStyleObjectList::Add(std::move(Font));
  return raw;
}

void TXc12Fonts::ApplyPalette(const TXc12Palette& Palette) {
  for (const auto& item : items_)
    if (item) ApplyPaletteTo(static_cast<TXc12Font*>(item.get())->ColorRef(), Palette);
}

void TXc12Fonts::CalcMaxDigitWidth() {
  MaxDigitWidth = 0;
  if (Count() == 0) return;
  int dx = 96, dy = 96;
  if (Xc12FontMetrics().GetDisplayDPI) Xc12FontMetrics().GetDisplayDPI(dx, dy);
  TXc12Font* f0 = GetItem(0);
  const TXc12LogFont* h = f0->GetHandle(dy);
  for (char16_t d = u'0'; d <= u'9'; ++d) {
    int w = Xc12FontMetrics().MeasureChar ? Xc12FontMetrics().MeasureChar(*h, d) : 0;
    if (w > MaxDigitWidth) MaxDigitWidth = w;
  }
  DefaultFontHeight = h->Height;
}

TXc12Font* TXc12Fonts::GetCommentFont(bool Bold) {
  auto probe = std::make_unique<TXc12Font>();
  probe->SetName(u"Tahoma");
  probe->SetSize(8);
  TXc12Color c;
  SetXc12ColorRGB(0, c);
  probe->SetColor(c);
  probe->SetFamily(2);
  if (Bold) probe->SetStyle(FontStyleBit(xfsBold));
  TXc12Font* f = Find(*probe);
  if (!f) f = AddFont(std::move(probe));
  f->IsDefault = 1;
  return f;
}

// ---------------------------------------------------------------------------------------------
// Fills

TXc12GradientStop* TXc12GradientStopList::AddStop(const TXc12Color& Color, double Position) {
  auto s = std::make_unique<TXc12GradientStop>();
  s->Color = Color;
  s->Position = Position;
  return Add(std::move(s));
}

bool TXc12GradientFill::Equal(const TXLSStyleObject& Other) const {
  const auto& o = static_cast<const TXc12GradientFill&>(Other);
  if (Stops.Count() != o.Stops.Count()) return false;
  for (int i = 0; i < Stops.Count(); ++i) {
    const auto* a = Stops.GetItem(i);
    const auto* b = o.Stops.GetItem(i);
    if (!Xc12ColorEqual(a->Color, b->Color) || !Near(a->Position, b->Position)) return false;
  }
  return GradientType_ == o.GradientType_ && Near(Degree_, o.Degree_) && Near(Left_, o.Left_) &&
         Near(Right_, o.Right_) && Near(Top_, o.Top_) && Near(Bottom_, o.Bottom_);
}

void TXc12GradientFill::Assign(const TXc12GradientFill& Other) {
  if (&Other == this) return;
  Stops.Clear();
  for (const auto& s : Other.Stops) Stops.AddStop(s->Color, s->Position);
  GradientType_ = Other.GradientType_;
  Degree_ = Other.Degree_;
  SetLeft(Other.Left_);
  SetRight(Other.Right_);
  SetTop(Other.Top_);
  SetBottom(Other.Bottom_);
}

void TXc12GradientFill::Assign(const TXc12Fill& Fill) {
  if (Fill.GetGradient()) Assign(*Fill.GetGradient());
}

TXc12Fill::TXc12Fill(TXLSStyleObjectList* AOwner) : TXLSStyleObject(AOwner) {}

void TXc12Fill::CalcHash() {
  if (Gradient_) {
    HashValue = Gradient_->GetHashValue();
    return;
  }
  HashValue = Wrap(static_cast<std::uint32_t>(Xc12ColorHash(FgColor)) +
                   static_cast<std::uint32_t>(Xc12ColorHash(BgColor)) + PatternType_);
}

bool TXc12Fill::Equal(const TXLSStyleObject& Other) const {
  const auto& o = static_cast<const TXc12Fill&>(Other);
  if ((Gradient_ != nullptr) != (o.Gradient_ != nullptr)) return false;
  if (Gradient_) return Gradient_->Equal(*o.Gradient_);
  return PatternType_ == o.PatternType_ && Xc12ColorEqual(FgColor, o.FgColor) &&
         Xc12ColorEqual(BgColor, o.BgColor);
}

void TXc12Fill::DumpText(int Level, std::u16string& Text) const {
  Text.clear();
  if (Gradient_) {
    AddLine(Text, Level, u"[Gradient - not shown]");
    return;
  }
  static const char16_t* names[] = {
      u"None", u"Solid", u"MediumGray", u"DarkGray", u"LightGray", u"DarkHorizontal", u"DarkVertical",
      u"DarkDown", u"DarkUp", u"DarkGrid", u"DarkTrellis", u"LightHorizontal", u"LightVertical",
      u"LightDown", u"LightUp", u"LightGrid", u"LightTrellis", u"Gray125", u"Gray0625"};
  AddLine(Text, Level, u"Pattern:");
  AddLine(Text, Level + 1, PatternType_ <= efpGray0625 ? names[PatternType_] : u"?");
  AddLine(Text, Level, u"Foreground color:");
  DumpColorText(FgColor, Level + 1, Text);
  AddLine(Text, Level, u"Background color:");
  DumpColorText(BgColor, Level + 1, Text);
}

void TXc12Fill::SetIsGradient(bool Value) {
  if (Value && !Gradient_) Gradient_ = std::make_unique<TXc12GradientFill>();
  if (!Value) Gradient_.reset();
}

void TXc12Fill::Assign(const TXc12Fill& Other) {
  if (&Other == this) return;
  if (Other.Gradient_) {
    SetIsGradient(true);
    Gradient_->Assign(*Other.Gradient_);
  } else {
    Gradient_.reset();
    PatternType_ = Other.PatternType_;
    FgColor = Other.FgColor;
    BgColor = Other.BgColor;
  }
}

void TXc12Fill::Clear() {
  Gradient_.reset();
  PatternType_ = efpNone;
  FgColor = TXc12Color{};
  BgColor = TXc12Color{};
}

void TXc12Fills::AddDefaults() {
  Add()->IsDefault = 1;
  TXc12Fill* f = Add();
  f->SetPatternType(efpGray125);
  f->IsDefault = 1;
}

void TXc12Fills::ApplyPalette(const TXc12Palette& Palette) {
  for (const auto& item : items_) {
    if (!item) continue;
    auto* f = static_cast<TXc12Fill*>(item.get());
    ApplyPaletteTo(f->FgColor, Palette);
    ApplyPaletteTo(f->BgColor, Palette);
    if (f->GetGradient())
      for (const auto& s : f->GetGradient()->Stops) ApplyPaletteTo(s->Color, Palette);
  }
}

// ---------------------------------------------------------------------------------------------
// Borders

void TXc12BorderPr::Clear() {
  Color = TXc12Color{};
  Style = cbsNone;
}
bool TXc12BorderPr::Equal(const TXc12BorderPr& Other) const {
  return Style == Other.Style && Xc12ColorEqual(Color, Other.Color);
}
std::int32_t TXc12BorderPr::Hash() const {
  return Wrap(static_cast<std::uint32_t>(Xc12ColorHash(Color)) + Style);
}

TXc12Border::TXc12Border(TXLSStyleObjectList* AOwner) : TXLSStyleObject(AOwner) {}

TXc12BorderPr& TXc12Border::Line(TXc12BorderLine L) {
  return const_cast<TXc12BorderPr&>(static_cast<const TXc12Border*>(this)->Line(L));
}
const TXc12BorderPr& TXc12Border::Line(TXc12BorderLine L) const {
  switch (L) {
    case xblLeft: return Left;
    case xblTop: return Top;
    case xblRight: return Right;
    case xblBottom: return Bottom;
    case xblDiagonal: return Diagonal;
    case xblHorizontal: return Horizontal;
    default: return Vertical;
  }
}

void TXc12Border::CalcHash() {
  HashValue = Left.Hash() ^ Options_ ^ Top.Hash() ^ Right.Hash() ^ Bottom.Hash() ^ Diagonal.Hash() ^
              Horizontal.Hash() ^ Vertical.Hash();
}

bool TXc12Border::Equal(const TXLSStyleObject& Other) const {
  const auto& o = static_cast<const TXc12Border&>(Other);
  if (Options_ != o.Options_) return false;
  for (int l = xblLeft; l <= xblVertical; ++l)
    if (!Line(static_cast<TXc12BorderLine>(l)).Equal(o.Line(static_cast<TXc12BorderLine>(l)))) return false;
  return true;
}

void TXc12Border::DumpText(int Level, std::u16string& Text) const {
  Text.clear();
  if (Options_ != 0) {
    AddLine(Text, Level, u"Options: ");
    if (Options_ & ecboDiagonalDown) AddLine(Text, Level + 1, u"DiagonalDown");
    if (Options_ & ecboDiagonalUp) AddLine(Text, Level + 1, u"DiagonalUp");
    if (Options_ & ecboOutline) AddLine(Text, Level + 1, u"Outline");
  }
  static const char16_t* lines[] = {u"Left: ", u"Top: ", u"Right: ", u"Bottom: ", u"Diagonal: ", u"Horizontal: ", u"Vertical: "};
  static const char16_t* styles[] = {u"None", u"Thin", u"Medium", u"Dashed", u"Dotted", u"Thick", u"Double",
                                     u"Hair", u"MediumDashed", u"DashDot", u"MediumDashDot", u"DashDotDot",
                                     u"MediumDashDotDot", u"SlantedDashDot"};
  for (int l = xblLeft; l <= xblVertical; ++l) {
    const TXc12BorderPr& p = Line(static_cast<TXc12BorderLine>(l));
    if (p.Style == cbsNone) continue;
    AddLine(Text, Level, lines[l]);
    AddLine(Text, Level + 1, std::u16string(u"Style: ") + (p.Style <= cbsSlantedDashDot ? styles[p.Style] : u"?"));
    AddLine(Text, Level + 1, u"Color: ");
    DumpColorText(p.Color, Level + 2, Text);
  }
}

void TXc12Border::Assign(const TXc12Border& Other) {
  if (&Other == this) return;
  Options_ = Other.Options_;
  for (int l = xblLeft; l <= xblVertical; ++l)
    Line(static_cast<TXc12BorderLine>(l)).Assign(Other.Line(static_cast<TXc12BorderLine>(l)));
}

void TXc12Border::Clear() {
  Options_ = 0;
  for (int l = xblLeft; l <= xblVertical; ++l) Line(static_cast<TXc12BorderLine>(l)).Clear();
}

void TXc12Borders::AddDefaults() { Add()->IsDefault = 1; }

// ---------------------------------------------------------------------------------------------
// Alignment

void TXc12CellAlignment::Assign(const TXc12CellAlignment& Other) {
  HorizAlignment_ = Other.HorizAlignment_;
  VertAlignment_ = Other.VertAlignment_;
  Rotation_ = Other.Rotation_;
  Options_ = Other.Options_;
  Indent_ = Other.Indent_;
  RelativeIndent_ = Other.RelativeIndent_;
  ReadingOrder_ = Other.ReadingOrder_;
}

bool TXc12CellAlignment::Equal(const TXc12CellAlignment& Other) const {
  return HorizAlignment_ == Other.HorizAlignment_ && VertAlignment_ == Other.VertAlignment_ &&
         Rotation_ == Other.Rotation_ && Options_ == Other.Options_ && Indent_ == Other.Indent_ &&
         RelativeIndent_ == Other.RelativeIndent_ && ReadingOrder_ == Other.ReadingOrder_;
}

std::int32_t TXc12CellAlignment::GetHashValue() {
  if (!HashValid_) {
    Hash_ = Wrap(static_cast<std::uint32_t>(HorizAlignment_) + VertAlignment_ + static_cast<std::uint32_t>(Rotation_) +
                 Options_ + static_cast<std::uint32_t>(Indent_) + static_cast<std::uint32_t>(RelativeIndent_) +
                 ReadingOrder_);
    HashValid_ = 1;
  }
  return Hash_;
}

// ---------------------------------------------------------------------------------------------
// Differential formats

TXc12DXF::TXc12DXF(TXLSStyleObjectList* AOwner) : TXLSStyleObject(AOwner) {}
TXc12DXF::~TXc12DXF() = default;

void TXc12DXF::CalcHash() {
  std::int32_t h = 0;
  if (Font_) { Font_->CalcHash(); h ^= Font_->HashValue; }
  if (NumFmt_) { NumFmt_->CalcHash(); h ^= NumFmt_->HashValue; }
  if (Fill_) { Fill_->CalcHash(); h ^= Fill_->HashValue; }
  if (Border_) { Border_->CalcHash(); h ^= Border_->HashValue; }
  if (Alignment_) h ^= Alignment_->GetHashValue();
  HashValue = Wrap(static_cast<std::uint32_t>(h) + Protection_);
}

bool TXc12DXF::Equal(const TXLSStyleObject&) const { throw Exception("TODO"); }

TXc12Font* TXc12DXF::AddFont() {
  if (Font_) throw Exception("DXF->Font is allready set");
  Font_ = std::make_unique<TXc12Font>();
  return Font_.get();
}
TXc12NumberFormat* TXc12DXF::AddNumFmt() {
  if (NumFmt_) throw Exception("DXF->NumFmt is allready set");
  NumFmt_ = std::make_unique<TXc12NumberFormat>();
  return NumFmt_.get();
}
TXc12Fill* TXc12DXF::AddFill() {
  if (Fill_) throw Exception("DXF->Fill is allready set");
  Fill_ = std::make_unique<TXc12Fill>();
  return Fill_.get();
}
TXc12Border* TXc12DXF::AddBorder() {
  if (Border_) throw Exception("DXF->Border is allready set");
  Border_ = std::make_unique<TXc12Border>();
  return Border_.get();
}
TXc12CellAlignment* TXc12DXF::AddAlignment() {
  if (Alignment_) throw Exception("DXF->Alignment is allready set");
  Alignment_ = std::make_unique<TXc12CellAlignment>();
  return Alignment_.get();
}

// ---------------------------------------------------------------------------------------------
// Table styles and colour lists

void TXc12TableStyle::CalcHash() { throw Exception("TODO"); }
bool TXc12TableStyle::Equal(const TXLSStyleObject&) const { throw Exception("TODO"); }
void TXc12TableStyle::Clear() {
  Elements_.Clear();
  Name_.clear();
  Pivot_ = 1;
  Table_ = 1;
}

bool TXc12ColorObj::Equal(const TXLSStyleObject& Other) const {
  return Xc12ColorEqual(Color, static_cast<const TXc12ColorObj&>(Other).Color);
}

TXc12ColorObj* TXc12ColorObjs::AddColor(const TXc12Color& Color) {
  TXc12ColorObj* c = Add();
  c->Color = Color;
  return c;
}

void TXc12ColorObjs::ApplyPalette(const TXc12Palette& Palette) {
  for (const auto& item : items_)
    if (item) ApplyPaletteTo(static_cast<TXc12ColorObj*>(item.get())->Color, Palette);
}

bool TXc12IndexColorObj::Equal(const TXLSStyleObject& Other) const {
  return RGB_ == static_cast<const TXc12IndexColorObj&>(Other).RGB_;
}

}  // namespace workbook
