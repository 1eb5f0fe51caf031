// Drawing skin pictures: one frame of a multi-frame bitmap stretched or centred, nine-grids,
// three-part strips, tiling, copies that leave the magenta key out, and window regions from the
// non-key pixels. Every routine composes off screen and puts the result on the target with one blit.
// Frame counts below 1 count as 1, frame indexes are kept inside the bitmap's frames, and margins
// larger than the frame are cut to it, so no routine reads outside its picture.
#pragma once

#include "platform/gdi/gdi.h"
#include "skin/skin_image.h"

namespace skin {

// Frame k (1-based) of `count` frames laid side by side (or stacked when `vertical`).
gdi::RECT FrameRect(const SkinImage& bitmap, int count, int index, bool vertical = false);

void DrawFrameStretched(gdi::HDC dc, const gdi::RECT& target, const SkinImage& bitmap, bool transparent,
                        int frame_count, int frame_index);
void DrawFrameCentred(gdi::HDC dc, const gdi::RECT& target, const SkinImage& bitmap, bool transparent,
                      int frame_count, int frame_index);
// The nine-grid of one frame at the target's size (Left/Top/Right/Bottom of `margins` are the fixed
// border widths); the caller owns the result. Empty when the target has no area.
SkinImage BuildNineGridBitmap(const gdi::RECT& target, const SkinImage& bitmap, const gdi::RECT& margins,
                              bool vertical, bool tile_centre, int frame_count, int frame_index);
void DrawNineGrid(gdi::HDC dc, const gdi::RECT& target, const SkinImage& bitmap, bool vertical, bool tile_centre,
                  bool transparent, int frame_count, int frame_index, const gdi::RECT& margins);
// Fixed caps (Left and Right of `caps`) and a middle repeated across; pieces stretch only across the
// strip. A frame with no middle pixel is stretched over the whole target instead.
void DrawThreePartStrip(gdi::HDC dc, const gdi::RECT& target, const SkinImage& bitmap, bool vertical,
                        bool transparent, int frame_count, int frame_index, const gdi::RECT& caps);
// Fixed caps and a stretched middle; a target narrower than the frame gets the whole frame stretched.
void DrawThreePartStretched(gdi::HDC dc, const gdi::RECT& target, const SkinImage& bitmap, bool vertical,
                            int frame_count, int frame_index, const gdi::RECT& caps);
// Repeats `source` (a part of the bitmap) from the target's top-left; pieces at the right and bottom
// may reach past the target.
void TileBitmapPart(gdi::HDC dc, const gdi::RECT& target, const SkinImage& bitmap, const gdi::RECT& source);
// Copies the bitmap from its (0, 0) to the target's top-left at the target's size, leaving the
// destination alone where the bitmap has the key colour.
void DrawTransparentBitmap(gdi::HDC dc, const gdi::RECT& target, const SkinImage& bitmap, gdi::COLORREF key);
// The region of the pixels outside the key range (key .. key + tolerance per channel), offset by
// (dx, dy); the caller owns it. Rectangles reach the region API in batches of at most 2000.
gdi::HRGN BitmapToRegion(const SkinImage& bitmap, int dx, int dy, int blue_tolerance, int green_tolerance,
                         int red_tolerance, gdi::COLORREF key);

}  // namespace skin
