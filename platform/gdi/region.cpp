#include "platform/gdi/region.h"

#include <algorithm>

namespace platform::gdi {
namespace {

struct Span {
  LONG left, right;
};

// Combines two sorted, disjoint span lists with a boolean operation.
template <typename Op>
void combine_spans(const std::vector<Span>& a, const std::vector<Span>& b, Op op, std::vector<Span>& out) {
  out.clear();
  std::size_t i = 0, j = 0;
  bool in_a = false, in_b = false;
  LONG start = 0;
  bool inside = false;
  while (i < a.size() * 2 || j < b.size() * 2) {
    const LONG xa = i < a.size() * 2 ? (i % 2 ? a[i / 2].right : a[i / 2].left) : INT32_MAX;
    const LONG xb = j < b.size() * 2 ? (j % 2 ? b[j / 2].right : b[j / 2].left) : INT32_MAX;
    const LONG x = std::min(xa, xb);
    if (xa == x) { in_a = !in_a; ++i; }
    if (xb == x) { in_b = !in_b; ++j; }
    const bool now = op(in_a, in_b);
    if (now && !inside) {
      start = x;
      inside = true;
    } else if (!now && inside) {
      if (!out.empty() && out.back().right == start) out.back().right = x;
      else if (x > start) out.push_back({start, x});
      inside = false;
    }
  }
}

struct BandBuilder {
  std::vector<RECT> rects;
  std::size_t last_band_start = 0;
  bool has_band = false;
  void add(LONG top, LONG bottom, const std::vector<Span>& spans) {
    if (spans.empty()) return;
    if (has_band && rects[last_band_start].bottom == top &&
        rects.size() - last_band_start == spans.size()) {
      bool same = true;
      for (std::size_t k = 0; k < spans.size() && same; ++k)
        same = rects[last_band_start + k].left == spans[k].left && rects[last_band_start + k].right == spans[k].right;
      if (same) {
        for (std::size_t k = last_band_start; k < rects.size(); ++k) rects[k].bottom = bottom;
        return;
      }
    }
    last_band_start = rects.size();
    has_band = true;
    for (const Span& s : spans) rects.push_back({s.left, top, s.right, bottom});
  }
};

// Spans of a canonical region in the band [y0, y1), which must not cross any of its band edges.
void spans_at(const std::vector<RECT>& r, std::size_t& cursor, LONG y0, std::vector<Span>& out) {
  out.clear();
  while (cursor < r.size() && r[cursor].bottom <= y0) ++cursor;
  for (std::size_t k = cursor; k < r.size() && r[k].top == r[cursor].top; ++k)
    if (r[k].top <= y0) out.push_back({r[k].left, r[k].right});
}

}  // namespace

Region::Region(const RECT& r) {
  if (!r.empty()) {
    rects_.push_back(r);
    bounds_ = r;
  }
}

void Region::set_canonical(std::vector<RECT> rects) {
  rects_ = std::move(rects);
  bounds_ = RECT{};
  if (rects_.empty()) return;
  bounds_ = {INT32_MAX, rects_.front().top, INT32_MIN, rects_.back().bottom};
  for (const RECT& r : rects_) {
    bounds_.left = std::min(bounds_.left, r.left);
    bounds_.right = std::max(bounds_.right, r.right);
  }
}

Region Region::from_rects(std::span<const RECT> input) {
  std::vector<RECT> rs;
  rs.reserve(input.size());
  for (const RECT& r : input)
    if (!r.empty()) rs.push_back(r);
  Region out;
  if (rs.empty()) return out;
  std::vector<LONG> ys;
  ys.reserve(rs.size() * 2);
  for (const RECT& r : rs) {
    ys.push_back(r.top);
    ys.push_back(r.bottom);
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  std::sort(rs.begin(), rs.end(), [](const RECT& a, const RECT& b) { return a.top < b.top; });
  std::vector<const RECT*> active;
  std::vector<Span> spans, merged;
  BandBuilder builder;
  std::size_t next = 0;
  for (std::size_t k = 0; k + 1 < ys.size(); ++k) {
    const LONG y0 = ys[k], y1 = ys[k + 1];
    while (next < rs.size() && rs[next].top <= y0) active.push_back(&rs[next++]);
    std::erase_if(active, [&](const RECT* r) { return r->bottom <= y0; });
    spans.clear();
    for (const RECT* r : active) spans.push_back({r->left, r->right});
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.left < b.left; });
    merged.clear();
    for (const Span& s : spans) {
      if (!merged.empty() && s.left <= merged.back().right) merged.back().right = std::max(merged.back().right, s.right);
      else merged.push_back(s);
    }
    builder.add(y0, y1, merged);
  }
  out.set_canonical(std::move(builder.rects));
  return out;
}

int Region::kind() const {
  if (rects_.empty()) return NULLREGION;
  return rects_.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool Region::contains(int x, int y) const {
  if (rects_.empty() || x < bounds_.left || x >= bounds_.right || y < bounds_.top || y >= bounds_.bottom)
    return false;
  for (const RECT& r : rects_) {
    if (r.top > y) break;
    if (y < r.bottom && x >= r.left && x < r.right) return true;
  }
  return false;
}

bool Region::intersects(const RECT& q) const {
  if (q.empty()) return false;
  for (const RECT& r : rects_) {
    if (r.top >= q.bottom) break;
    if (r.bottom > q.top && r.left < q.right && r.right > q.left) return true;
  }
  return false;
}

void Region::offset(int dx, int dy) {
  for (RECT& r : rects_) OffsetRect(&r, dx, dy);
  if (!rects_.empty()) OffsetRect(&bounds_, dx, dy);
}

Region Region::combine(const Region& a, const Region& b, int mode) {
  const auto run = [&](auto op) {
    std::vector<LONG> ys;
    ys.reserve((a.rects_.size() + b.rects_.size()) * 2);
    for (const RECT& r : a.rects_) { ys.push_back(r.top); ys.push_back(r.bottom); }
    for (const RECT& r : b.rects_) { ys.push_back(r.top); ys.push_back(r.bottom); }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    BandBuilder builder;
    std::size_t ca = 0, cb = 0;
    std::vector<Span> sa, sb, out;
    for (std::size_t k = 0; k + 1 < ys.size(); ++k) {
      spans_at(a.rects_, ca, ys[k], sa);
      spans_at(b.rects_, cb, ys[k], sb);
      combine_spans(sa, sb, op, out);
      builder.add(ys[k], ys[k + 1], out);
    }
    Region result;
    result.set_canonical(std::move(builder.rects));
    return result;
  };
  switch (mode) {
    case RGN_AND: return run([](bool x, bool y) { return x && y; });
    case RGN_OR: return run([](bool x, bool y) { return x || y; });
    case RGN_XOR: return run([](bool x, bool y) { return x != y; });
    case RGN_DIFF: return run([](bool x, bool y) { return x && !y; });
    default: return a;
  }
}

}  // namespace platform::gdi
