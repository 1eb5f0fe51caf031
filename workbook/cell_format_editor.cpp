#include "workbook/cell_format_editor.h"

#include <unordered_set>

#include "workbook/exceptions.h"

namespace workbook {

namespace {
// A current colour as 0xRRGGBB (the resolved value is 0x00BBGGRR).
std::int32_t CurrentRGB(const TXc12Color& C) {
  std::uint32_t v = Xc12ColorToRGB(C);
  return static_cast<std::int32_t>(((v & 0xFFu) << 16) | (v & 0xFF00u) | ((v >> 16) & 0xFFu));
}

// The record of List equal to Probe, or else a copy of Probe appended to List.
template <class T>
T* FindOrAddCopy(TXLSStyleList<T>& List, const T& Probe) {
  if (T* found = List.Find(Probe)) return found;
  T* added = List.Add();
  added->Assign(Probe);
  return added;
}
}  // namespace

TXc12XFEditor::TXc12XFEditor(TXc12DataStyleSheet* StyleSheet)
    : StyleSheet_(StyleSheet),
      Scratch_(std::make_unique<TXc12XF>()),
      ScratchNumFmt_(std::make_unique<TXc12NumberFormat>()),
      ScratchFont_(std::make_unique<TXc12Font>()),
      ScratchFill_(std::make_unique<TXc12Fill>()),
      ScratchBorder_(std::make_unique<TXc12Border>()) {
  Scratch_->SetNumberFormat(ScratchNumFmt_.get());
  Scratch_->SetFont(ScratchFont_.get());
  Scratch_->SetFill(ScratchFill_.get());
  Scratch_->SetBorder(ScratchBorder_.get());
}

TXc12XFEditor::~TXc12XFEditor() = default;

void TXc12XFEditor::Restart() {
  Source_ = nullptr;
  PurgeCounter_ = 0;
  ProtectionChanged_ = AlignmentChanged_ = NumberFormatChanged_ = false;
  FontChanged_ = FillChanged_ = BorderChanged_ = false;
}

void TXc12XFEditor::AddXFUse(TXc12XF* XF, int Delta) {
  XF->RefCount += Delta;
  if (XF->GetNumberFormat()) XF->GetNumberFormat()->RefCount += Delta;
  if (XF->GetFont()) XF->GetFont()->RefCount += Delta;
  if (XF->GetFill()) XF->GetFill()->RefCount += Delta;
  if (XF->GetBorder()) XF->GetBorder()->RefCount += Delta;
}

// ---------------------------------------------------------------------------------------------
// Edit protocol

void TXc12XFEditor::BeginEdit(TXc12XF* XF) {
  // The format the edit starts from must survive the purge even when nothing uses it yet.
  if (XF) AddXFUse(XF, 1);
  PurgeUnused();
  if (XF) AddXFUse(XF, -1);

  Source_ = XF ? XF : StyleSheet_->XFs->GetItem(0);
  Scratch_->AssignLocal(*Source_);
  // A format made with Add may not have its parts yet: it then looks like the defaults.
  TXc12NumberFormat* nf = Source_->GetNumberFormat() ? Source_->GetNumberFormat() : StyleSheet_->NumberFormats->GetItem(0);
  TXc12Font* font = Source_->GetFont() ? Source_->GetFont() : StyleSheet_->Fonts->GetItem(0);
  TXc12Fill* fill = Source_->GetFill() ? Source_->GetFill() : StyleSheet_->Fills->GetItem(0);
  TXc12Border* border = Source_->GetBorder() ? Source_->GetBorder() : StyleSheet_->Borders->GetItem(0);
  ScratchNumFmt_->Assign(*nf);
  ScratchFont_->Assign(*font);
  ScratchFill_->Assign(*fill);
  ScratchBorder_->Assign(*border);
  ProtectionChanged_ = AlignmentChanged_ = NumberFormatChanged_ = false;
  FontChanged_ = FillChanged_ = BorderChanged_ = false;
}

TXc12XF* TXc12XFEditor::EndEdit() {
  if (!Source_) throw Exception("No cell format edit is pending");
  // Nothing marked: the result is the source itself (a value stored in an unmarked part, such as
  // an indexed colour set again as its RGB value, must not make a twin of the source).
  if (!ProtectionChanged_ && !AlignmentChanged_ && !NumberFormatChanged_ && !FontChanged_ && !FillChanged_ &&
      !BorderChanged_)
    return Source_;
  TXc12XF probe;
  probe.AssignLocal(*Scratch_);
  probe.SetNumberFormat(ScratchNumFmt_.get());
  probe.SetFont(ScratchFont_.get());
  probe.SetFill(ScratchFill_.get());
  probe.SetBorder(ScratchBorder_.get());
  if (TXc12XF* existing = StyleSheet_->XFs->Find(probe)) return existing;

  // Taken before the slot is chosen: a reused slot is reset to the default parts.
  TXc12NumberFormat* srcFormat = Source_->GetNumberFormat();
  TXc12Font* srcFont = Source_->GetFont();
  TXc12Fill* srcFill = Source_->GetFill();
  TXc12Border* srcBorder = Source_->GetBorder();

  TXc12XF* result = StyleSheet_->XFs->AddOrReuse();
  result->AssignLocal(*Scratch_);
  TXc12XFApply apply = result->GetApply();
  if (ProtectionChanged_) apply |= xfaProtection;
  if (AlignmentChanged_) {
    result->Alignment.Assign(Scratch_->Alignment);
    apply |= xfaAlignment;
  }
  if (NumberFormatChanged_) {
    TXc12NumberFormat* f = StyleSheet_->NumberFormats->Find(*ScratchNumFmt_);
    if (!f) f = StyleSheet_->NumberFormats->AddFormat(ScratchNumFmt_->GetMask(), 0);
    result->SetNumberFormat(f);
    apply |= xfaNumberFormat;
  } else if (srcFormat) {
    result->SetNumberFormat(srcFormat);
  }
  if (FontChanged_) {
    result->SetFont(FindOrAddCopy(*StyleSheet_->Fonts, *ScratchFont_));
    apply |= xfaFont;
  } else if (srcFont) {
    result->SetFont(srcFont);
  }
  if (FillChanged_) {
    result->SetFill(FindOrAddCopy(*StyleSheet_->Fills, *ScratchFill_));
    apply |= xfaFill;
  } else if (srcFill) {
    result->SetFill(srcFill);
  }
  if (BorderChanged_) {
    result->SetBorder(FindOrAddCopy(*StyleSheet_->Borders, *ScratchBorder_));
    apply |= xfaBorder;
  } else if (srcBorder) {
    result->SetBorder(srcBorder);
  }
  result->SetApply(apply);
  result->HashValid = 0;
  return result;
}

// ---------------------------------------------------------------------------------------------
// Setters

void TXc12XFEditor::SetHorizAlignment(std::uint8_t Value) {
  if (!AlignmentChanged_ && Value != Scratch_->Alignment.GetHorizAlignment()) AlignmentChanged_ = true;
  Scratch_->Alignment.SetHorizAlignment(Value);
}

void TXc12XFEditor::SetVertAlignment(std::uint8_t Value) {
  if (!AlignmentChanged_ && Value != Scratch_->Alignment.GetVertAlignment()) AlignmentChanged_ = true;
  Scratch_->Alignment.SetVertAlignment(Value);
}

void TXc12XFEditor::SetFontName(const std::u16string& Value) {
  // Compared as UTF-16 with A..Z folded: an 8-bit code page would make different names look alike.
  if (!FontChanged_ && !SameTextAZ(Value, ScratchFont_->GetName())) FontChanged_ = true;
  ScratchFont_->SetName(Value);
}

void TXc12XFEditor::SetFontSize(double Value) {
  if (!FontChanged_ && Value != ScratchFont_->GetSize()) FontChanged_ = true;
  ScratchFont_->SetSize(Value);
}

void TXc12XFEditor::SetFontStyle(TXc12FontStyles Value) {
  if (!FontChanged_ && Value != ScratchFont_->GetStyle()) FontChanged_ = true;
  ScratchFont_->SetStyle(Value);
}

void TXc12XFEditor::SetFillColor(std::int32_t Value) {
  // A fill without pattern shows no colour, and an automatic colour is no colour at all: setting
  // any colour there is a change (black would otherwise match the automatic colour's value 0).
  if (!FillChanged_ && (Value != CurrentRGB(ScratchFill_->FgColor) || ScratchFill_->GetPatternType() == efpNone ||
                        ScratchFill_->FgColor.ColorType == xctAuto)) {
    FillChanged_ = true;
    ScratchFill_->SetPatternType(efpSolid);
  }
  SetXc12ColorRGB(Value, ScratchFill_->FgColor);
  ScratchFill_->HashValid = 0;
}

void TXc12XFEditor::SetBorderColor(TXc12BorderLine L, std::int32_t Value) {
  TXc12BorderPr& line = ScratchBorder_->Line(L);
  if (!BorderChanged_ && (Value != CurrentRGB(line.Color) || line.Color.ColorType == xctAuto)) BorderChanged_ = true;
  line.SetColorRGB(Value);
}

void TXc12XFEditor::SetBorderStyle(TXc12BorderLine L, TXc12CellBorderStyle Value) {
  TXc12BorderPr& line = ScratchBorder_->Line(L);
  if (!BorderChanged_ && Value != line.Style) BorderChanged_ = true;
  line.Style = Value;
}

// ---------------------------------------------------------------------------------------------
// Use counts

void TXc12XFEditor::UseXF(TXc12XF* XF) {
  if (!XF) throw Exception("Cell format is nil");
  AddXFUse(XF, 1);
}

void TXc12XFEditor::UseXFIndex(int Index) {
  TXc12XF* xf = StyleSheet_->XFs->GetItem(Index);
  if (!xf) throw Exception("Cell format slot is empty");
  AddXFUse(xf, 1);
}

void TXc12XFEditor::UseStyleXF(int Index) {
  TXc12XF* xf = StyleSheet_->StyleXFs->GetItem(Index);
  if (!xf) throw Exception("Cell format slot is empty");
  AddXFUse(xf, 1);
}

TXc12XF* TXc12XFEditor::UseDefaultXF() {
  TXc12XF* xf = StyleSheet_->XFs->GetItem(0);
  AddXFUse(xf, 1);
  return xf;
}

void TXc12XFEditor::ReleaseXF(int Index) {
  // An emptied slot has no uses left to give back.
  if (TXc12XF* xf = StyleSheet_->XFs->GetItem(Index)) AddXFUse(xf, -1);
}

TXc12Font* TXc12XFEditor::UseFont(const TXc12Font* Font) {
  TXc12Font* f = Font ? StyleSheet_->Fonts->Find(*Font) : nullptr;
  if (!f) throw Exception("Can not find font");
  f->IncRef();
  return f;
}

bool TXc12XFEditor::FontReferencedByXF(const TXc12Font* Font) const {
  for (const TXc12XFs* list : {StyleSheet_->XFs.get(), StyleSheet_->StyleXFs.get()})
    for (int i = 0; i < list->Count(); ++i)
      if (const TXc12XF* xf = list->GetItem(i); xf && xf->GetFont() == Font) return true;
  return false;
}

void TXc12XFEditor::ReleaseFont(TXc12Font* Font) {
  if (!Font) return;
  Font->DecRef();
  if (Font->IsDefault != 0 || Font->RefCount != 0) return;
  TXc12Fonts& fonts = *StyleSheet_->Fonts;
  if (Font->Owner != &fonts) return;
  // A cell format that nobody uses yet may still point at the font (a fresh edit result, a
  // cell-style format): such a font waits for the next purge instead of leaving at once.
  if (FontReferencedByXF(Font)) return;
  int index = Font->Index;
  if (index < 0 || index >= fonts.Count() || fonts.GetItem(index) != Font) index = -1;
  if (index < 0)
    for (int i = 0; i < fonts.Count(); ++i)
      if (fonts.GetItem(i) == Font) index = i;
  if (index >= 0) fonts.Delete(index);
}

void TXc12XFEditor::UseFontRuns(const TXc12DynFontRunArray& Runs) {
  for (const TXc12FontRun& run : Runs)
    if (run.Font) run.Font->IncRef();
}

void TXc12XFEditor::ReleaseFontRuns(const TXc12DynFontRunArray& Runs) {
  for (const TXc12FontRun& run : Runs)
    if (run.Font) ReleaseFont(run.Font);
}

void TXc12XFEditor::ReleaseFontRunItems(const TXc12FontRun* Runs, int Count) {
  for (int i = 0; i < Count; ++i)
    if (Runs[i].Font) ReleaseFont(Runs[i].Font);
}

// ---------------------------------------------------------------------------------------------
// Maintenance

void TXc12XFEditor::PurgeUnused() {
  if (++PurgeCounter_ < kPurgeInterval) return;
  PurgeCounter_ = 0;
  Purge();
}

void TXc12XFEditor::Purge() {
  TXc12DataStyleSheet& ss = *StyleSheet_;
  auto unused = [](const TXLSStyleObject* o) { return o && o->IsDefault == 0 && o->RefCount <= 0; };
  // Purges come every few edits, mostly with nothing to remove: a plain look first.
  auto anyUnused = [&](const TXLSStyleObjectList& list) {
    for (int i = 0; i < list.Count(); ++i)
      if (unused(list.GetStyleObject(i))) return true;
    return false;
  };
  if (!anyUnused(*ss.XFs) && !anyUnused(*ss.Fonts) && !anyUnused(*ss.Fills) && !anyUnused(*ss.Borders)) {
    Source_ = nullptr;
    return;
  }
  // Parts still referenced by a format that survives the purge stay, whatever their count says:
  // the cell-style formats are never purged, and a used format keeps its parts.
  std::unordered_set<const TXLSStyleObject*> kept;
  auto keepParts = [&](const TXc12XF* xf) {
    kept.insert(xf->GetFont());
    kept.insert(xf->GetFill());
    kept.insert(xf->GetBorder());
  };
  for (int i = 0; i < ss.XFs->Count(); ++i)
    if (const TXc12XF* xf = ss.XFs->GetItem(i); xf && !unused(xf)) keepParts(xf);
  for (int i = 0; i < ss.StyleXFs->Count(); ++i)
    if (const TXc12XF* xf = ss.StyleXFs->GetItem(i)) keepParts(xf);

  auto purgeList = [&](TXLSStyleObjectList& list) {
    for (int i = list.Count() - 1; i >= 0; --i) {
      TXLSStyleObject* o = list.GetStyleObject(i);
      if (unused(o) && !kept.count(o)) list.Delete(i);
    }
  };
  purgeList(*ss.Fonts);
  purgeList(*ss.Fills);
  purgeList(*ss.Borders);

  TXc12XFs& xfs = *ss.XFs;
  while (xfs.Count() > 0 && unused(xfs.GetItem(xfs.Count() - 1))) xfs.Delete(xfs.Count() - 1);
  for (int i = 0; i < xfs.Count(); ++i)
    if (TXc12XF* xf = xfs.GetItem(i); unused(xf)) xfs.FreeSlot(xf);
  Source_ = nullptr;
}

void TXc12XFEditor::MarkAllDefault() {
  TXc12DataStyleSheet& ss = *StyleSheet_;
  for (TXLSStyleObjectList* list : std::initializer_list<TXLSStyleObjectList*>{
           ss.NumberFormats.get(), ss.Fonts.get(), ss.Fills.get(), ss.Borders.get()})
    for (int i = 0; i < list->Count(); ++i)
      if (TXLSStyleObject* o = list->GetStyleObject(i)) o->IsDefault = 1;
}

}  // namespace workbook
