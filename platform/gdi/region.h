// Regions as canonical lists of rectangles: y-x banded (bands sorted top to bottom, rectangles in a
// band sorted left to right, never touching), and vertically adjacent bands with the same spans
// merged. Two regions covering the same pixels therefore hold the same list.
#pragma once

#include <span>
#include <vector>

#include "platform/gdi/gdi_types.h"

namespace platform::gdi {

class Region {
public:
  Region() = default;
  explicit Region(const RECT& r);
  // The union of any rectangles (empty ones are ignored).
  static Region from_rects(std::span<const RECT> rects);

  const std::vector<RECT>& rects() const { return rects_; }
  bool empty() const { return rects_.empty(); }
  RECT bounds() const { return bounds_; }
  // NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int kind() const;
  bool contains(int x, int y) const;
  bool intersects(const RECT& r) const;
  void offset(int dx, int dy);

  // mode: RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF.
  static Region combine(const Region& a, const Region& b, int mode);
  Region operator&(const Region& o) const { return combine(*this, o, RGN_AND); }
  Region operator|(const Region& o) const { return combine(*this, o, RGN_OR); }
  Region operator^(const Region& o) const { return combine(*this, o, RGN_XOR); }
  Region operator-(const Region& o) const { return combine(*this, o, RGN_DIFF); }

  friend bool operator==(const Region& a, const Region& b) { return a.rects_ == b.rects_; }

private:
  void set_canonical(std::vector<RECT> rects);
  std::vector<RECT> rects_;
  RECT bounds_{};
};

}  // namespace platform::gdi
