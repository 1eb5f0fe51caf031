// A mock console window drawn from a loaded skin with the skin engine's drawing routines, so that a
// person can judge the look (title, borders, caption buttons, Chinese captions, a few controls).
#pragma once

#include "platform/gdi/bitmap.h"
#include "skin/skin_objects.h"

namespace skin_gen {

// Two windows, active above inactive, on a neutral desktop.
platform::gdi::Bitmap window_preview(const skin::TSkinObjects& skin);

}  // namespace skin_gen
