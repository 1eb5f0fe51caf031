// Copy-on-write editing of shared cell formats, and the use counts of cell formats and their parts.
//
// A format is never changed in place: BeginEdit copies a cell's format into a scratch record, the
// setters change the scratch record, and EndEdit returns the shared format equal to the result (an
// existing one, or a new or reused slot whose parts are found or added). The caller stores the
// returned index and moves its use from the old format to the new one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "workbook/style_sheet.h"

namespace workbook {

class TXc12XFEditor : public TObject {
public:
  explicit TXc12XFEditor(TXc12DataStyleSheet* StyleSheet);
  ~TXc12XFEditor() override;

  // Edit protocol: BeginEdit, setters, EndEdit. A new BeginEdit discards a pending edit.
  void BeginEdit(TXc12XF* XF);
  TXc12XF* EndEdit();

  void SetHorizAlignment(std::uint8_t Value);
  void SetVertAlignment(std::uint8_t Value);
  void SetFontName(const std::u16string& Value);
  void SetFontSize(double Value);
  void SetFontStyle(TXc12FontStyles Value);
  // Colours are 0xRRGGBB.
  void SetFillColor(std::int32_t Value);
  void SetBorderLeftColor(std::int32_t Value) { SetBorderColor(xblLeft, Value); }
  void SetBorderTopColor(std::int32_t Value) { SetBorderColor(xblTop, Value); }
  void SetBorderRightColor(std::int32_t Value) { SetBorderColor(xblRight, Value); }
  void SetBorderBottomColor(std::int32_t Value) { SetBorderColor(xblBottom, Value); }
  void SetBorderLeftStyle(TXc12CellBorderStyle Value) { SetBorderStyle(xblLeft, Value); }
  void SetBorderTopStyle(TXc12CellBorderStyle Value) { SetBorderStyle(xblTop, Value); }
  void SetBorderRightStyle(TXc12CellBorderStyle Value) { SetBorderStyle(xblRight, Value); }
  void SetBorderBottomStyle(TXc12CellBorderStyle Value) { SetBorderStyle(xblBottom, Value); }

  // Use counts: a use of an XF is one use of the XF and one of each of its four parts.
  void UseXF(TXc12XF* XF);
  void UseXFIndex(int Index);
  void UseStyleXF(int Index);
  TXc12XF* UseDefaultXF();
  void ReleaseXF(int Index);
  void DecXFRefs(int Index) { ReleaseXF(Index); }

  // The list's font equal to Font, with one use taken; raises "Can not find font" when none.
  TXc12Font* UseFont(const TXc12Font* Font);
  // Gives one use back; a font nobody uses any more leaves the list at once.
  void ReleaseFont(TXc12Font* Font);
  void UseFontRuns(const TXc12DynFontRunArray& Runs);
  void ReleaseFontRuns(const TXc12DynFontRunArray& Runs);
  void ReleaseFontRunItems(const TXc12FontRun* Runs, int Count);

  // Counts one call and purges unused records every 25th time.
  void PurgeUnused();
  // Makes the next PurgeUnused purge.
  void ForcePurgeNext() { PurgeCounter_ = kPurgeInterval - 1; }
  // Marks every number format, font, fill and border built in, so that none is ever purged.
  void MarkAllDefault();
  // Forgets a pending edit and the purge count (the style sheet was cleared).
  void Restart();

  // The scratch records of the pending edit.
  TXc12XF* EditXF() const { return Scratch_.get(); }
  TXc12Font* EditFont() const { return ScratchFont_.get(); }
  TXc12Fill* EditFill() const { return ScratchFill_.get(); }
  TXc12Border* EditBorder() const { return ScratchBorder_.get(); }
  TXc12NumberFormat* EditNumberFormat() const { return ScratchNumFmt_.get(); }

  static constexpr int kPurgeInterval = 25;

private:
  void SetBorderColor(TXc12BorderLine Line, std::int32_t Value);
  void SetBorderStyle(TXc12BorderLine Line, TXc12CellBorderStyle Value);
  void Purge();
  bool FontReferencedByXF(const TXc12Font* Font) const;
  static void AddXFUse(TXc12XF* XF, int Delta);

  TXc12DataStyleSheet* StyleSheet_;
  std::unique_ptr<TXc12XF> Scratch_;
  std::unique_ptr<TXc12NumberFormat> ScratchNumFmt_;
  std::unique_ptr<TXc12Font> ScratchFont_;
  std::unique_ptr<TXc12Fill> ScratchFill_;
  std::unique_ptr<TXc12Border> ScratchBorder_;
  TXc12XF* Source_ = nullptr;
  bool ProtectionChanged_ = false;
  bool AlignmentChanged_ = false;
  bool NumberFormatChanged_ = false;
  bool FontChanged_ = false;
  bool FillChanged_ = false;
  bool BorderChanged_ = false;
  int PurgeCounter_ = 0;
};

}  // namespace workbook
