// The skinned menu bar: a skinned window's menu is taken off the window and drawn in the menu-bar
// strip of its frame, one item per top-level entry; an item's drop-down is tracked as a popup menu,
// and a message-filter hook lets the arrow keys and the pointer move along the bar while it is open.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/components/comctrls.h"
#include "skin/form_skinner.h"

namespace skin {

class TMenuBarSkinner;

class TMenuBtn : public TNCObject {
public:
  TMenuBtn(TFormSkinner* form, TMenuBarSkinner* bar) : TNCObject(form), Bar(bar) {}
  void Paint() override;

  TMenuBarSkinner* Bar;
  pc::TMenuItem* MenuItem = nullptr;
  int Index = 0;
  std::u16string Caption;
  bool ItemEnabled = true;
  win::HMENU SubMenu = nullptr;
  win::UINT Command = 0;
};

class TMenuBarSkinner {
public:
  explicit TMenuBarSkinner(TFormSkinner* form);

  void BuildItems();
  void RebuildFromHandle();
  void LayoutItems();
  void PaintBar(gdi::HDC dc, const gdi::RECT& r);
  // The item under a point in window coordinates (one with a caption), or null.
  TMenuBtn* ItemAt(gdi::POINT p) const;
  // Where the first item starts in a bar of this width.
  int StartOffset(int bar_width) const;
  // The bar's rectangle in window coordinates.
  gdi::RECT Strip() const;

  std::vector<std::unique_ptr<TMenuBtn>> MenuButtons;
  pc::TMainMenu* Menu = nullptr;
  gdi::RECT BarRect{};
  TSkinData* SkinData;
  TFormSkinner* Form;
  SkinImage Background;
  int ItemCount = 0;
  bool Painting = false;
  win::HMENU MenuHandle = nullptr;

private:
  void FillFromHandle(bool consult_items_for_empty_text_only);
  int ItemWidth(gdi::HDC dc, const TMenuBtn& b) const;
};

// Whether `caption` has `key` as its '&' accelerator (letters compared without case).
bool IsAccel(win::UINT key, std::u16string_view caption);

}  // namespace skin
