// Painting routines the control skinners share: a state frame of a skin object, one frame of a glyph
// strip without its key colour, captions (alone, with an icon, centred on one line), tiny arrows and
// the greyed picture of a disabled glyph. They keep no state and free what they make.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/gdi/gdi.h"
#include "skin/control_skinner.h"
#include "skin/image_util.h"
#include "skin/skin_objects.h"

namespace skin {

// Frame `index` of `count` (side by side) of the object's picture as a nine-grid over `r`.
void DrawSkinObjectFrame(gdi::HDC dc, const gdi::RECT& r, int count, int index, const TDataSkinObject& object);
// Frame `index` of a horizontal strip of `count` stretched to `r`, magenta pixels left out. (The
// device-context, canvas and masked forms of this routine are one here: a canvas is its context.)
void DrawKeyedFrame(gdi::HDC dc, const gdi::RECT& r, int count, int index, const SkinImage& bitmap);
// A caption placed in `r`: centred when `align` is DT_CENTER, else across the whole width.
void DrawCaptionText(const TSkinControl* s, gdi::HDC dc, const gdi::RECT& r, win::UINT align, bool enabled,
                     std::u16string_view text);
// An image-list icon and a caption laid out in `r` (alignment 0 left, 1 centre, 2 right).
void DrawIconAndText(const TSkinControl* s, gdi::HDC dc, const gdi::RECT& r, int alignment, std::u16string_view text,
                     int image, gdi::HIMAGELIST list);
// One line centred in `r` (alignment index 0 left, 1 right, 2 centre).
void DrawCentredText(gdi::HDC dc, const gdi::RECT& r, std::u16string_view text, int alignment, bool enabled);
// A small arrow in the DC's pen: 0 up, 1 down, 2 pointing left, 3 pointing right; others draw nothing.
void DrawSmallArrow(gdi::HDC dc, int x, int y, int direction);
// DrawText flags with right-to-left reading added for a right-to-left control.
win::UINT BiDiFlags(const TSkinControl* s, win::UINT flags);
std::u16string ReplaceFirst(std::u16string_view text, std::u16string_view pattern, std::u16string_view replacement);
void FillRectColor(gdi::HDC dc, const gdi::RECT& r, gdi::COLORREF colour);
// A popup window: WS_POPUP, or a window whose parent is the desktop.
bool IsPopupWindow(win::HWND hwnd);
// The greyed, embossed picture of a button glyph: its black pixels in the button-shadow colour over a
// button-highlight copy one pixel down and right, on the button face.
gdi::Bitmap CreateDisabledGlyph(const gdi::Bitmap& glyph);
// The DrawText flag of an alignment index (0 left, 1 right, 2 centre).
win::UINT AlignmentFlag(int alignment);
// The window's style and extended style bits.
std::uint32_t WindowStyle(win::HWND h);
std::uint32_t WindowExStyle(win::HWND h);
// WM_PAINT of a window the engine paints itself: into the message's DC, or between BeginPaint and
// EndPaint; failures of `paint` are dropped.
void PaintMessage(win::HWND hwnd, const pc::TMessage& m, const std::function<void(gdi::HDC)>& paint);
// A 24-bit work picture of at least 1 x 1 pixels in one colour.
SkinImage FilledPicture(int w, int h, gdi::COLORREF colour);

}  // namespace skin
