// Menu items measured and painted from the skin: the drop-downs of a form's main menu, its popup
// menus, the menus of its tool bars and the raw menus of windows that are not forms. Items of the
// component layer are drawn through their OnMeasureItem and OnDrawItem; menus that arrive only as
// handles through the window's WM_MEASUREITEM and WM_DRAWITEM. The background under the items is
// the one the popup-menu skinner painted for that menu.
#pragma once

#include <string>

#include "platform/components/comctrls.h"
#include "platform/win/win.h"
#include "skin/skin_data.h"

namespace skin {

class TFormSkinner;

// Switching owner drawing on and off.
void SetMainMenusOwnerDraw(TFormSkinner* fs, pc::TComponent* owner, bool on);
void SetPopupMenusOwnerDraw(TFormSkinner* fs, pc::TComponent* owner, bool on);
void SetMenuItemsOwnerDraw(TFormSkinner* fs, pc::TMenuItem* item, bool on);

// The handlers the switching installs (the form skinner is that of `window`).
void DrawSkinMenuItem(TSkinData& sd, pc::TMenuItem& item, gdi::HDC dc, const gdi::RECT& r, bool selected);
void MeasurePopupItem(const TSkinData& sd, pc::TMenuItem& item, int& width);
void MeasureBarMenuItem(const TSkinData& sd, pc::TMenuItem& item, pc::TCanvas& canvas, int& width, int& height);
void DrawFlatMenuItem(TSkinData& sd, pc::TMenuItem& item, gdi::HDC dc, const gdi::RECT& r, bool selected);
// A menu item known only by its menu handle and command, drawn like a skinned one.
void DrawRawMenuItem(TSkinData& sd, win::HMENU menu, win::UINT id, gdi::HDC dc, const gdi::RECT& r, bool selected);
void DrawMenuItemContent(const TSkinData& sd, pc::TMenuItem& item, gdi::HDC dc, bool selected, const gdi::RECT& r);
void DrawMenuText(const TSkinData& sd, const pc::TMenuItem& item, gdi::HDC dc, win::UINT flags, bool selected,
                  gdi::RECT& r, std::u16string text);
void DrawMenuSeparator(const TSkinData& sd, gdi::HDC dc, const gdi::RECT& r);

// The screen's menu font (shared, not to be freed).
gdi::HFONT ScreenMenuFont();

}  // namespace skin
