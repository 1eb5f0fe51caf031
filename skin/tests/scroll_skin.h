// Scroll-bar pictures for the synthetic skin: every frame of every picture one solid colour, so a
// pixel of an overlay tells which frame of which picture is drawn there.
#pragma once

#include <memory>

#include "skin/skin_data.h"

namespace skin::test {

enum ScrollTag { kTagBar = 1, kTagVTrack, kTagVThumb, kTagHTrack, kTagHThumb };
inline constexpr int kBarFrame = 17;  // the arrow size of the window system's metrics

inline gdi::COLORREF scroll_colour(int tag, int k) {
  return gdi::RGB(static_cast<std::uint8_t>(11 * k), static_cast<std::uint8_t>(250 - 9 * k), static_cast<std::uint8_t>(40 * tag));
}

inline std::unique_ptr<TDataSkinObject> scroll_object(int tag, int frames) {
  gdi::Bitmap b(kBarFrame * frames, kBarFrame, gdi::PixelFormat::k24bit);
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) b.set_pixel(x, y, gdi::pixel_from_colorref(scroll_colour(tag, x / kBarFrame + 1)));
  auto o = std::make_unique<TDataSkinObject>();
  o->Image.Assign(std::move(b));
  o->Frame = frames;
  return o;
}

// [Scrollbar] (23 frames), the tracks (4) and the thumbs (3).
inline void install_scroll_skin(TSkinData& sd) {
  sd.FScrollbar = scroll_object(kTagBar, 23);
  sd.FVertScroll = scroll_object(kTagVTrack, 4);
  sd.FVertScrollThumb = scroll_object(kTagVThumb, 3);
  sd.FHorzScroll = scroll_object(kTagHTrack, 4);
  sd.FHorzScrollThumb = scroll_object(kTagHThumb, 3);
}

}  // namespace skin::test
