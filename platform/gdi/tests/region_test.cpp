#include <gtest/gtest.h>

#include <random>

#include "platform/gdi/gdi.h"

namespace platform::gdi {
namespace {

const RECT* ptr_rect(const RECT& r) { return &r; }
constexpr int kGrid = 24;

// The pixels of a region on a small grid, the brute-force model.
std::vector<bool> pixels_of(const Region& r, int dx = 0, int dy = 0) {
  std::vector<bool> px(kGrid * kGrid, false);
  for (const RECT& q : r.rects())
    for (int y = q.top; y < q.bottom; ++y)
      for (int x = q.left; x < q.right; ++x) {
        const int gx = x + dx, gy = y + dy;
        EXPECT_TRUE(gx >= 0 && gx < kGrid && gy >= 0 && gy < kGrid);
        if (gx >= 0 && gx < kGrid && gy >= 0 && gy < kGrid) {
          EXPECT_FALSE(px[gy * kGrid + gx]) << "rectangles of a region overlap";
          px[gy * kGrid + gx] = true;
        }
      }
  return px;
}

// The canonical form: bands sorted, spans in a band sorted and apart, equal neighbouring bands merged.
void expect_canonical(const Region& r) {
  const auto& v = r.rects();
  for (std::size_t i = 0; i < v.size(); ++i) {
    ASSERT_FALSE(v[i].empty());
    if (i == 0) continue;
    const RECT& a = v[i - 1];
    const RECT& b = v[i];
    if (a.top == b.top) {
      EXPECT_EQ(a.bottom, b.bottom);
      EXPECT_LT(a.right, b.left) << "spans of one band touch or overlap";
    } else {
      EXPECT_GE(b.top, a.bottom);
    }
  }
  // Bands that touch must differ in their spans.
  std::size_t i = 0;
  std::vector<std::pair<LONG, std::vector<std::pair<LONG, LONG>>>> bands;
  while (i < v.size()) {
    std::vector<std::pair<LONG, LONG>> spans;
    const LONG top = v[i].top, bottom = v[i].bottom;
    while (i < v.size() && v[i].top == top) spans.push_back({v[i].left, v[i].right}), ++i;
    if (!bands.empty() && bands.back().first == top) {
      EXPECT_NE(bands.back().second, spans);
    }
    bands.push_back({bottom, spans});
  }
}

RECT random_rect(std::mt19937& rng) {
  std::uniform_int_distribution<int> c(0, kGrid);
  int l = c(rng), r = c(rng), t = c(rng), b = c(rng);
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  return {l, t, r, b};
}

Region random_region(std::mt19937& rng) {
  std::uniform_int_distribution<int> n(0, 6);
  std::vector<RECT> rects;
  for (int k = n(rng); k > 0; --k) rects.push_back(random_rect(rng));
  return Region::from_rects(rects);
}

TEST(Region, OperationsAgreeWithAPixelModelOnRandomRectangles) {
  std::mt19937 rng(20261210);
  for (int round = 0; round < 400; ++round) {
    const Region a = random_region(rng), b = random_region(rng);
    const auto pa = pixels_of(a), pb = pixels_of(b);
    struct Op { int mode; bool (*f)(bool, bool); };
    const Op ops[] = {{RGN_AND, [](bool x, bool y) { return x && y; }},
                      {RGN_OR, [](bool x, bool y) { return x || y; }},
                      {RGN_XOR, [](bool x, bool y) { return x != y; }},
                      {RGN_DIFF, [](bool x, bool y) { return x && !y; }}};
    for (const Op& op : ops) {
      const Region r = Region::combine(a, b, op.mode);
      expect_canonical(r);
      const auto pr = pixels_of(r);
      for (int i = 0; i < kGrid * kGrid; ++i)
        ASSERT_EQ(pr[i], op.f(pa[i], pb[i])) << "mode " << op.mode << " round " << round << " pixel " << i;
      // Contains, bounds and kind agree with the pixels too.
      RECT box{kGrid, kGrid, 0, 0};
      bool any = false;
      for (int y = 0; y < kGrid; ++y)
        for (int x = 0; x < kGrid; ++x) {
          ASSERT_EQ(r.contains(x, y), pr[y * kGrid + x]);
          if (pr[y * kGrid + x]) {
            any = true;
            box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                   std::max<LONG>(box.bottom, y + 1)};
          }
        }
      EXPECT_EQ(r.empty(), !any);
      if (any) {
        EXPECT_EQ(r.bounds(), box);
      }
    }
    // The same pixels give the same rectangle list, however they were built.
    EXPECT_EQ((a | b) - (a & b), a ^ b);
  }
}

TEST(Region, HandleCallsFollowThePlatformAnswers) {
  HRGN a = CreateRectRgn(0, 0, 10, 10), b = CreateRectRgn(5, 5, 15, 15), r = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(r, a, b, RGN_AND), SIMPLEREGION);
  RECT box;
  EXPECT_EQ(GetRgnBox(r, &box), SIMPLEREGION);
  EXPECT_EQ(box, (RECT{5, 5, 10, 10}));
  EXPECT_EQ(CombineRgn(r, a, b, RGN_OR), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(r, 14, 14));
  EXPECT_FALSE(PtInRegion(r, 14, 2));
  EXPECT_FALSE(PtInRegion(r, 15, 15)) << "right and bottom edges are outside";
  EXPECT_EQ(CombineRgn(r, a, a, RGN_DIFF), NULLREGION);
  EXPECT_EQ(GetRgnBox(r, &box), NULLREGION);
  EXPECT_EQ(box, RECT{});
  EXPECT_EQ(CombineRgn(r, a, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_EQ(OffsetRgn(r, 3, -2), SIMPLEREGION);
  GetRgnBox(r, &box);
  EXPECT_EQ(box, (RECT{3, -2, 13, 8}));
  EXPECT_EQ(CombineRgn(r, a, nullptr, RGN_OR), ERROR);
  EXPECT_EQ(CombineRgn(r, a, b, 9), ERROR);
  // Inverted corners are put in order.
  HRGN inv = CreateRectRgn(10, 10, 0, 0);
  EXPECT_TRUE(EqualRgn(inv, a));
  EXPECT_TRUE(RectInRegion(b, ptr_rect(RECT{14, 14, 20, 20})));
  for (HRGN h : {a, b, r, inv}) EXPECT_TRUE(DeleteObject(h));
}

TEST(Region, ExtCreateRegionChecksItsData) {
  RGNDATA data;
  data.Buffer = {{0, 0, 4, 1}, {2, 0, 6, 1}, {0, 1, 6, 2}};
  data.rdh.nCount = 3;
  HRGN r = ExtCreateRegion(nullptr, 32 + 16 * 3, &data);
  ASSERT_NE(r, nullptr);
  RECT box;
  EXPECT_EQ(GetRgnBox(r, &box), SIMPLEREGION) << "overlapping input rectangles merge";
  EXPECT_EQ(box, (RECT{0, 0, 6, 2}));
  XFORM shift;
  shift.eDx = 10;
  HRGN moved = ExtCreateRegion(&shift, 32 + 16 * 3, &data);
  GetRgnBox(moved, &box);
  EXPECT_EQ(box, (RECT{10, 0, 16, 2}));
  // A count beyond the rectangles given, a short stated size or a wrong header are refused.
  RGNDATA bad = data;
  bad.rdh.nCount = 4;
  EXPECT_EQ(ExtCreateRegion(nullptr, 32 + 16 * 4, &bad), nullptr);
  EXPECT_EQ(ExtCreateRegion(nullptr, 32 + 16 * 2, &data), nullptr);
  bad = data;
  bad.rdh.iType = 2;
  EXPECT_EQ(ExtCreateRegion(nullptr, 32 + 16 * 3, &bad), nullptr);
  XFORM scale;
  scale.eM11 = 2;
  EXPECT_EQ(ExtCreateRegion(&scale, 32 + 16 * 3, &data), nullptr);
  // Round trip through GetRegionData.
  const DWORD size = GetRegionData(r, 0, nullptr);
  RGNDATA back;
  EXPECT_EQ(GetRegionData(r, size, &back), size);
  HRGN again = ExtCreateRegion(nullptr, size, &back);
  EXPECT_TRUE(EqualRgn(r, again));
  for (HRGN h : {r, moved, again}) DeleteObject(h);
}

TEST(Region, ManyOneRowRunsBuildTheSameRegionInOneGoOrInBatches) {
  // A checkerboard-like set of 3000 runs: built at once, or ORed together in batches of 1000.
  std::vector<RECT> runs;
  for (int y = 0; y < 100; ++y)
    for (int k = 0; k < 30; ++k) runs.push_back({k * 4 + (y % 2), y, k * 4 + (y % 2) + 2, y + 1});
  const Region whole = Region::from_rects(runs);
  Region batched;
  for (std::size_t i = 0; i < runs.size(); i += 1000)
    batched = batched | Region::from_rects(std::span(runs).subspan(i, 1000));
  EXPECT_EQ(whole, batched);
  EXPECT_EQ(whole.rects().size(), 3000u);
}

TEST(Region, EllipticRegionIsSymmetricAndInsideItsBox) {
  HRGN e = CreateEllipticRgn(0, 0, 9, 7);
  RECT box;
  GetRgnBox(e, &box);
  EXPECT_EQ(box, (RECT{0, 0, 9, 7}));
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) {
      EXPECT_EQ(PtInRegion(e, x, y), PtInRegion(e, 8 - x, y));
      EXPECT_EQ(PtInRegion(e, x, y), PtInRegion(e, x, 6 - y));
    }
  EXPECT_TRUE(PtInRegion(e, 4, 3));
  EXPECT_FALSE(PtInRegion(e, 0, 0));
  DeleteObject(e);
}

}  // namespace
}  // namespace platform::gdi
