#include "workbook/style_sheet.h"

#include <cstdio>

#include "workbook/cell_format_editor.h"
#include "workbook/exceptions.h"
#include "workbook/library_utils.h"

namespace workbook {

const std::array<const char16_t*, kXc12BuiltinNumberFormatCount> Xc12BuiltinNumberFormats = {
    u"",           u"0",          u"0.00",        u"#,##0",       u"#,##0.00",
    u"",           u"",           u"",            u"",            u"0%",
    u"0.00%",      u"0.00E+00",   u"# ?/?",       u"# ?""?/?""?", u"m/d/yy",
    u"d-mmm-y",    u"d-mmm",      u"mmmm-yy",     u"h:mm AM/PM",  u"h:mm:ss AM/PM",
    u"h:mm",       u"h:mm:SS",    u"m/d/yy h:mm", u"",            u"",
    u"",           u"",           u"",            u"",            u"",
    u"",           u"",           u"",            u"",            u"",
    u"",           u"",           u"_(#,##0_);(#,##0)", u"_(#,##0_);[Red](#,##0)", u"_(#,##0.00_);(#,##0.00)",
    u"_(#,##0.00_);[Red](#,##0.00)", u"", u"", u"", u"",
    u"mm:ss",      u"[h]:mm:ss",  u"mm:ss.0",     u"# #0.0E+0",   u"@"};

const std::array<const char16_t*, 34> Xc12LegacyNumberFormats = {
    u"General",
    u"0",
    u"0.00",
    u"#,##0",
    u"#,##0.00",
    u"#,##0\\ _$;\\-#,##0\\ _$",
    u"#,##0\\ _$;[Red]\\-#,##0\\ _$",
    u"#,##0.00\\ _$;\\-#,##0.00\\ _$",
    u"#,##0.00\\ _$;[Red]\\-#,##0.00\\ _$",
    u"#,##0\\ \"kr\";\\-#,##0\\ \"kr\"",
    u"#,##0\\ \"kr\";[Red]\\-#,##0\\ \"kr\"",
    u"#,##0.00\\ \"kr\";\\-#,##0.00\\ \"kr\"",
    u"#,##0.00\\ \"kr\";[Red]\\-#,##0.00\\ \"kr\"",
    u"0%",
    u"0.00%",
    u"0.00E+00",
    u"#\" \"?/?",
    u"#\" \"?""?/?""?",
    u"yyyy/mm/dd",
    u"dd/mmm/yy",
    u"dd/mmm",
    u"mmm/yy",
    u"h:mm\\ AM/PM",
    u"h:mm:ss\\ AM/PM",
    u"hh:mm",
    u"hh:mm:ss",
    u"yyyy/mm/dd\\ hh:mm",
    u"##0.0E+0",
    u"mm:ss",
    u"@",
    u"_-* #,##0\\ \"$\"_-;\\-* #,##0\\ \"$\"_-;_-* \"-\"\\ \"$\"_-;_-@_-",
    u"_-* #,##0\\ _$_-;\\-* #,##0\\ _$_-;_-* \"-\"\\ _$_-;_-@_-",
    u"_-* #,##0.00\\ \"kr\"_-;\\-* #,##0.00\\ \"kr\"_-;_-* \"-\"??\\ \"kr\"_-;_-@_-",
    u"_-* #,##0.00\\ _$_-;\\-* #,##0.00\\ _$_-;_-* \"-\"??\\ _$_-;_-@_-",
};

namespace {
void AddLine(std::u16string& Text, int Level, std::u16string_view S) {
  Text += MakeIndent(Level);
  Text += S;
  Text += u"\r\n";
}
std::u16string IntText(long long V) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld", V);
  return std::u16string(buf, buf + std::char_traits<char>::length(buf));
}
std::int32_t Wrap(std::uint32_t V) { return static_cast<std::int32_t>(V); }
// Parts compare by content; a missing part equals only a missing part.
template <class T>
bool SamePart(const T* A, const T* B) {
  if (!A || !B) return A == B;
  return A == B || A->Equal(*B);
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Number formats

void TXc12NumberFormat::CalcHash() { HashValue = Wrap(CalcCRC32(Mask_)); }

bool TXc12NumberFormat::Equal(const TXLSStyleObject& Other) const {
  return Mask_ == static_cast<const TXc12NumberFormat&>(Other).Mask_;
}

void TXc12NumberFormat::DumpText(int Level, std::u16string& Text) const {
  Text.clear();
  AddLine(Text, Level, Mask_.empty() ? u"@" : Mask_);
}

void TXc12NumberFormat::Assign(const TXc12NumberFormat& Other) {
  if (IsDefault == 0) Mask_ = Other.Mask_;
}

bool TXc12NumberFormat::IsUserDefined() const {
  if (Mask_.empty()) return false;
  if (Index < 0 || Index >= kXc12BuiltinNumberFormatCount) return true;
  return Mask_ != Xc12BuiltinNumberFormats[static_cast<std::size_t>(Index)];
}

void TXc12NumberFormats::AddDefaults() {
  for (const char16_t* mask : Xc12BuiltinNumberFormats) AddFormat(mask, 1);
}

TXc12NumberFormat* TXc12NumberFormats::AddFormat(const std::u16string& Mask, std::uint8_t IsDefault) {
  TXc12NumberFormat* f = Add();
  f->SetMask(Mask);
  f->IsDefault = IsDefault;
  return f;
}

TXc12NumberFormat* TXc12NumberFormats::SetFormatById(const std::u16string& Mask, int Id) {
  // Format ids come from files: both formats store them in 16 bits at most, and a larger id
  // would make the list grow without bound.
  if (Id < 0 || Id > 0xFFFF) throw Exception("Number format id out of range");
  if (Id < kXc12BuiltinNumberFormatCount && Id < Count()) {
    TXc12NumberFormat* f = GetItem(Id);
    f->SetMask(Mask);
    f->Explicit = 1;
    return f;
  }
  while (Count() <= Id) Add();
  TXc12NumberFormat* f = GetItem(Id);
  f->SetMask(Mask);
  return f;
}

// ---------------------------------------------------------------------------------------------
// Cell formats

void TXc12XF::CalcHash() {
  std::int32_t h = Alignment.GetHashValue() ^ Protection_;
  if (NumberFormat_) h ^= NumberFormat_->GetHashValue();
  if (Font_) h ^= Font_->GetHashValue();
  if (Fill_) h ^= Fill_->GetHashValue();
  if (Border_) h ^= Border_->GetHashValue();
  if (StyleXF_) h ^= StyleXF_->GetHashValue();
  HashValue = Wrap(static_cast<std::uint32_t>(h) + QuotePrefix_ + PivotButton_);
  HashValid = 1;
}

bool TXc12XF::Equal(const TXLSStyleObject& Other) const {
  const auto& o = static_cast<const TXc12XF&>(Other);
  if (!Alignment.Equal(o.Alignment) || Protection_ != o.Protection_ || QuotePrefix_ != o.QuotePrefix_ ||
      PivotButton_ != o.PivotButton_)
    return false;
  if (!SamePart(NumberFormat_, o.NumberFormat_) || !SamePart(Font_, o.Font_) || !SamePart(Fill_, o.Fill_) ||
      !SamePart(Border_, o.Border_))
    return false;
  if (StyleXF_ && o.StyleXF_ && StyleXF_->Index != o.StyleXF_->Index) return false;
  return true;
}

void TXc12XF::DumpText(int Level, std::u16string& Text) const {
  Text.clear();
  std::u16string part;
  AddLine(Text, Level, u"This XF: " + IntText(Index));
  auto dumpPart = [&](const char16_t* label, const TXLSStyleObject* p) {
    AddLine(Text, Level, label + (p ? IntText(p->Index) : std::u16string(u"-")));
    if (p) {
      p->DumpText(Level + 1, part);
      Text += part;
    }
  };
  dumpPart(u"NumberFormat: ", NumberFormat_);
  dumpPart(u"Font: ", Font_);
  dumpPart(u"Fill: ", Fill_);
  dumpPart(u"Border: ", Border_);
  AddLine(Text, Level, u"Alignment: ");
  if (StyleXF_) AddLine(Text, Level, u"XF: " + IntText(StyleXF_->Index));
  if (Protection_ != 0) {
    AddLine(Text, Level, u"Protection:");
    if (Protection_ & 1) AddLine(Text, Level + 1, u"Locked");
    if (Protection_ & 2) AddLine(Text, Level + 1, u"Hidden");
  }
  if (QuotePrefix_) AddLine(Text, Level, u"QuotePrfix: True");
  if (PivotButton_) AddLine(Text, Level, u"PivotButton: True");
}

void TXc12XF::SetProtection(TXc12CellProtection Value) {
  if (Value != Protection_) HashValid = 0;
  Protection_ = Value;
}
void TXc12XF::SetQuotePrefix(std::uint8_t Value) {
  if (Value != QuotePrefix_) HashValid = 0;
  QuotePrefix_ = Value;
}
void TXc12XF::SetPivotButton(std::uint8_t Value) {
  if (Value != PivotButton_) HashValid = 0;
  PivotButton_ = Value;
}

void TXc12XF::Assign(const TXc12XF& Other) {
  if (&Other == this) return;
  AssignLocal(Other);
  NumberFormat_ = Other.NumberFormat_;
  Font_ = Other.Font_;
  Border_ = Other.Border_;
  Fill_ = Other.Fill_;
  SetStyleXF(Other.StyleXF_);
  HashValid = 0;
}

void TXc12XF::AssignLocal(const TXc12XF& Other) {
  if (&Other == this) return;
  Alignment.Assign(Other.Alignment);
  SetProtection(Other.Protection_);
  SetQuotePrefix(Other.QuotePrefix_);
  SetPivotButton(Other.PivotButton_);
  HashValid = 0;
}

void TXc12XFs::AddDefaults() { Add()->IsDefault = 1; }

int TXc12XFs::AddXF(std::unique_ptr<TXc12XF> XF) { return TXLSStyleObjectList::Add(std::move(XF)); }

TXc12XF* TXc12XFs::AddOrReuse() {
  for (int i = 1; i < Count(); ++i) {
    TXc12XF* xf = GetItem(i);
    if (xf && (xf->IsDefault != 0 || xf->RefCount > 0)) continue;
    if (!xf) {
      auto fresh = std::make_unique<TXc12XF>(this);
      xf = fresh.get();
      items_[static_cast<std::size_t>(i)] = std::move(fresh);
    }
    Reindex(0);
    StyleSheet_->ResetXF(*xf);
    return xf;
  }
  return Add();
}

void TXc12XFs::FreeSlot(TXc12XF* XF) {
  if (!XF) return;
  for (auto& item : items_)
    if (item.get() == XF) {
      item.reset();
      return;
    }
}

void TXc12XFs::Reset() {
  Clear();
  AddDefaults();
  for (const auto& item : items_)
    if (item) StyleSheet_->ResetXF(*static_cast<TXc12XF*>(item.get()));
}

// ---------------------------------------------------------------------------------------------
// Cell styles

void TXc12CellStyle::CalcHash() {
  std::uint32_t h = CalcCRC32(Name_) + CustomBuiltin_ + static_cast<std::uint32_t>(BuiltinId_) + Hidden_ +
                    static_cast<std::uint32_t>(ILevel_);
  if (XF_) h ^= static_cast<std::uint32_t>(XF_->HashValue);
  HashValue = Wrap(h);
}

bool TXc12CellStyle::Equal(const TXLSStyleObject& Other) const {
  const auto& o = static_cast<const TXc12CellStyle&>(Other);
  return BuiltinId_ == o.BuiltinId_ && CustomBuiltin_ == o.CustomBuiltin_ && Hidden_ == o.Hidden_ &&
         ILevel_ == o.ILevel_ && Name_ == o.Name_ && SamePart(XF_, o.XF_);
}

void TXc12CellStyles::AddDefaults() {
  TXc12CellStyle* s = Add();
  s->SetName(u"Normal");
  s->IsDefault = 1;
}

TXc12CellStyle* TXc12CellStyles::Find(const std::u16string& Name) const {
  for (const auto& item : items_)
    if (item && SameTextAZ(static_cast<const TXc12CellStyle*>(item.get())->GetName(), Name))
      return static_cast<TXc12CellStyle*>(item.get());
  return nullptr;
}

TXc12CellStyle* TXc12CellStyles::FindOrAdd(const std::u16string& Name) {
  if (TXc12CellStyle* s = Find(Name)) return s;
  TXc12CellStyle* s = Add();
  s->SetName(Name);
  return s;
}

// ---------------------------------------------------------------------------------------------
// Style sheet

TXc12DataStyleSheet::TXc12DataStyleSheet()
    : XFs(std::make_unique<TXc12XFs>(this)),
      DXFs(std::make_unique<TXc12DXFs>()),
      StyleXFs(std::make_unique<TXc12XFs>(this)),
      NumberFormats(std::make_unique<TXc12NumberFormats>()),
      Fonts(std::make_unique<TXc12Fonts>()),
      Fills(std::make_unique<TXc12Fills>()),
      Borders(std::make_unique<TXc12Borders>()),
      CellStyles(std::make_unique<TXc12CellStyles>()),
      TableStyles(std::make_unique<TXc12TableStyles>()),
      ColorObjs(std::make_unique<TXc12ColorObjs>()),
      IndexColorObjs(std::make_unique<TXc12IndexColorObjs>()),
      XFEditor(std::make_unique<TXc12XFEditor>(this)) {
  Clear();
}

TXc12DataStyleSheet::~TXc12DataStyleSheet() = default;

void TXc12DataStyleSheet::Clear() {
  XFEditor->Restart();  // no pending edit may point at records about to go
  // Cell formats refer to the parts, so the parts go last and come back first.
  XFs->Clear();
  StyleXFs->Clear();
  DXFs->Clear();
  CellStyles->Clear();
  NumberFormats->Reset();
  Fonts->Reset();
  Fills->Reset();
  Borders->Reset();
  CellStyles->Reset();
  TableStyles->Clear();
  ColorObjs->Clear();
  IndexColorObjs->Clear();
  XFs->Reset();
  StyleXFs->Reset();
  DXFs->Clear();
  Palette = Xc12StartPalette();
  XFEditor->Restart();
}

void TXc12DataStyleSheet::ResetXF(TXc12XF& XF) {
  XF.SetBorder(Borders->GetItem(0));
  XF.SetFill(Fills->GetItem(0));
  XF.SetFont(Fonts->GetItem(0));
  XF.SetNumberFormat(NumberFormats->GetItem(0));
  XF.SetStyleXF(nullptr);
}

void TXc12DataStyleSheet::Compact() {
  XFEditor->ForcePurgeNext();
  XFEditor->PurgeUnused();
  NumberFormats->Reindex(0);
  Fonts->Reindex(0);
  Fills->Reindex(0);
  Borders->Reindex(0);
  CellStyles->Reindex(0);
  TableStyles->Reindex(0);
  ColorObjs->Reindex(0);
  IndexColorObjs->Reindex(0);
  XFs->Reindex(0);
  StyleXFs->Reindex(0);
  DXFs->Reindex(0);
}

void TXc12DataStyleSheet::ApplyPalette() {
  Fills->ApplyPalette(Palette);
  ColorObjs->ApplyPalette(Palette);
  Fonts->ApplyPalette(Palette);
}

void TXc12DataStyleSheet::GetDPI(int& X, int& Y) const {
  if (OnGetDPI) {
    OnGetDPI(X, Y);
    return;
  }
  X = Y = 96;
  if (Xc12FontMetrics().GetDisplayDPI) Xc12FontMetrics().GetDisplayDPI(X, Y);
}

}  // namespace workbook
