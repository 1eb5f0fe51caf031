// List controls: a header drawn item by item from the skin's header bar with a hot item under the
// mouse, a list view whose bars are overlaid and whose header is skinned, and a check-list box whose
// items (check glyph from the skin's check strip, and text) the skinner draws itself.
#pragma once

#include <string>
#include <vector>

#include "platform/win/controls.h"
#include "skin/scroll_skinners.h"

namespace skin {

class TSkinHeader : public TSkinControl {
public:
  explicit TSkinHeader(pc::TComponent* owner) : TSkinControl(owner) {}
  std::string ClassName() const override { return "TSkinHeader"; }
  void HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) override;
  void HookHandle(win::HWND handle, TSkinData* sd, TFormSkinner* form, pc::TCanvas* canvas) override;
  bool BeforeMessage(pc::TMessage& m) override;
  void AfterMessage(pc::TMessage& m) override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& r) override;
  void TrackHotItem(const pc::TMessage& m);
  void DrawItem(gdi::HIMAGELIST images, gdi::HDC dc, int index, const gdi::RECT& r);
  // An item's icon and text laid out in `r` (alignment 0 left, 1 centre, 2 right).
  void DrawItemContent(gdi::HDC dc, const gdi::RECT& r, int alignment, std::u16string_view text, int image,
                       gdi::HIMAGELIST images);

  std::vector<gdi::RECT> FItemRects;
  int FHotItem = -1;

private:
  bool HasPicture() const;
};

class TSkinListView : public TSkinScrollbar {
public:
  explicit TSkinListView(pc::TComponent* owner) : TSkinScrollbar(owner) {}
  ~TSkinListView() override;
  std::string ClassName() const override { return "TSkinListView"; }
  void HookScrollControl(pc::TControl* control, TSkinData* sd, TFormSkinner* form, pc::TCanvas* canvas) override;

  TSkinHeader* FHeader = nullptr;

protected:
  void Notification(pc::TComponent* c, pc::TOperation op) override;
};

class TSkinCheckList : public TSkinScrollbar {
public:
  explicit TSkinCheckList(pc::TComponent* owner) : TSkinScrollbar(owner) {}
  std::string ClassName() const override { return "TSkinCheckList"; }
  bool BeforeMessage(pc::TMessage& m) override;
  void DrawListItem(const win::DRAWITEMSTRUCT& item);
  void DrawCheckItem(gdi::HDC dc, int index, unsigned state, const gdi::RECT& r);
};

// The frame of a check strip that shows a check state (0 unchecked, 1 checked, 2 grayed).
int CheckListFrame(int state, int strip_frames);

}  // namespace skin
