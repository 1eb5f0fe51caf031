#include "tools/skin-gen/preview.h"

#include <string>

#include "platform/gdi/gdi.h"
#include "skin/draw_primitives.h"
#include "skin/image_util.h"

namespace skin_gen {

namespace gdi = platform::gdi;
using gdi::RECT;

namespace {

constexpr const char* kFace = "WenQuanYi Micro Hei";

void text(gdi::HDC dc, const std::string& s, RECT r, gdi::COLORREF colour, int height, gdi::UINT flags) {
  gdi::HFONT font = gdi::CreateFont(-height, 0, 0, 0, gdi::FW_NORMAL, 0, 0, 0, gdi::GB2312_CHARSET, 0, 0,
                                    gdi::ANTIALIASED_QUALITY, 0, kFace);
  gdi::HGDIOBJ old = gdi::SelectObject(dc, font);
  gdi::SetBkMode(dc, gdi::TRANSPARENT);
  gdi::SetTextColor(dc, colour);
  gdi::DrawText(dc, s, &r, flags | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX);
  gdi::SelectObject(dc, old);
  gdi::DeleteObject(font);
}

void fill(gdi::HDC dc, RECT r, gdi::COLORREF c) {
  gdi::HBRUSH b = gdi::CreateSolidBrush(gdi::resolve_color(c));
  gdi::FillRect(dc, &r, b);
  gdi::DeleteObject(b);
}

void button(gdi::HDC dc, const skin::TSkinObjects& s, RECT r, int frame, const std::string& caption) {
  if (!s.FButtons) return;
  skin::DrawNineGrid(dc, r, s.FButtons->Image, false, s.FButtons->Tile != 0, s.FButtons->Trans != 0,
                     s.FButtons->Frame, frame, s.FButtons->Margins());
  text(dc, caption, r, s.FColours[4], 13, gdi::DT_CENTER | gdi::DT_VCENTER);
}

void window(gdi::HDC dc, const skin::TSkinObjects& s, int x, int y, int w, int h, bool active) {
  const auto& top = *s.FBorders[3];
  const auto& left = *s.FBorders[1];
  const auto& right = *s.FBorders[2];
  const auto& bottom = *s.FBorders[4];
  const int T = top.Image.Height() / std::max(top.Frame, 1), L = left.Image.Width() / std::max(left.Frame, 1);
  const int R = right.Image.Width() / std::max(right.Frame, 1), B = bottom.Image.Height() / std::max(bottom.Frame, 1);
  const int frame = active ? 1 : 2;
  fill(dc, {x + L, y + T, x + w - R, y + h - B}, s.FColours[3]);
  skin::DrawNineGrid(dc, {x, y, x + w, y + T}, top.Image, true, top.Tile != 1, true, top.Frame, frame, top.Margins());
  skin::DrawNineGrid(dc, {x, y + T, x + L, y + h - B}, left.Image, false, left.Tile != 1, true, left.Frame, frame,
                     left.Margins());
  skin::DrawNineGrid(dc, {x + w - R, y + T, x + w, y + h - B}, right.Image, false, right.Tile != 1, true, right.Frame,
                     frame, right.Margins());
  skin::DrawNineGrid(dc, {x, y + h - B, x + w, y + h}, bottom.Image, true, bottom.Tile != 1, true, bottom.Frame, frame,
                     bottom.Margins());
  // Caption and caption buttons (close and minimise shown, maximise disabled as on a fixed window).
  const auto& title = *s.FTitle;
  const RECT caption{x + title.LeftWidth, y + title.TopHeight, x + w - title.RightWidth, y + T};
  text(dc, "温湿度记录仪控制台 - 设备 01", caption,
       active ? title.ActiveText : title.InActiveText, title.FontHeight, gdi::DT_LEFT | gdi::DT_END_ELLIPSIS);
  fill(dc, {x + 8, y + 6, x + 24, y + 22}, gdi::RGB(250, 250, 250));  // stands in for the window icon
  for (const auto& b : s.FSysButtons) {
    if (b->Image.Empty() || b->Visibility == 100 || b->Align != 1) continue;
    const int bw = b->Image.Width() / std::max(b->Frame, 1), bh = b->Image.Height();
    const int bx = x + w - b->Xcoord, by = y + b->Ycoord;
    const int state = !active ? 4 : b->Action == 1 ? 4 : b->Action == 0 ? 3 : 1;
    skin::DrawFrameStretched(dc, {bx, by, bx + bw, by + bh}, b->Image, true, b->Frame, state);
  }
  // Tabs and the pane.
  const int cx = x + L + 10, cy = y + T + 10;
  if (s.FTabs) {
    const char* tabs[3] = {"实时数据", "历史记录", "参数设置"};
    for (int i = 0; i < 3; ++i) {
      const RECT tr{cx + 84 * i, cy, cx + 84 * i + 84, cy + 26};
      skin::DrawNineGrid(dc, tr, s.FTabs->Image, false, s.FTabs->Tile != 0, s.FTabs->Trans != 0, s.FTabs->Frame,
                         i == 0 ? 2 : 1, s.FTabs->Margins());
      text(dc, tabs[i], tr, i == 0 ? s.FTabs->MouseOverColour2 : s.FTabs->NormalColour2, 13,
           gdi::DT_CENTER | gdi::DT_VCENTER);
    }
    skin::DrawNineGrid(dc, {cx, cy + 25, x + w - R - 10, cy + 120}, s.FTabs->Image2, false, false, false, 1, 1,
                       {4, 5, 4, 4});
  }
  // Controls on the pane: an edit, a combo, a check box, a radio button and buttons.
  const int py = cy + 38;
  if (s.FSunkEdge) {
    text(dc, "采样间隔", {cx + 12, py, cx + 80, py + 22}, s.FColours[0], 13, gdi::DT_LEFT | gdi::DT_VCENTER);
    // A combo box: the derived combo picture over the edit's white.
    fill(dc, {cx + 82, py + 2, cx + 198, py + 20}, gdi::RGB(255, 255, 255));
    skin::DrawNineGrid(dc, {cx + 80, py, cx + 200, py + 22}, s.FComboButton->Image, false, false, true,
                       s.FComboButton->Frame, 1, s.FComboButton->Margins());
    text(dc, "60 秒", {cx + 86, py, cx + 180, py + 22}, s.FColours[0], 13, gdi::DT_LEFT | gdi::DT_VCENTER);
  }
  if (s.FButtons && !s.FButtons->CheckButton.Empty()) {
    const int fw = s.FButtons->CheckButton.Width() / s.FButtons->CheckButtonFrame;
    skin::DrawFrameStretched(dc, {cx + 220, py + 4, cx + 220 + fw, py + 4 + s.FButtons->CheckButton.Height()},
                             s.FButtons->CheckButton, true, s.FButtons->CheckButtonFrame, 2);
    text(dc, "超限报警", {cx + 238, py, cx + 320, py + 22}, s.FColours[0], 13, gdi::DT_LEFT | gdi::DT_VCENTER);
    const int rw = s.FButtons->RadioButton.Width() / s.FButtons->RadioButtonFrame;
    skin::DrawFrameStretched(dc, {cx + 320, py + 4, cx + 320 + rw, py + 4 + s.FButtons->RadioButton.Height()},
                             s.FButtons->RadioButton, true, s.FButtons->RadioButtonFrame, 2);
    text(dc, "摄氏度", {cx + 338, py, cx + 420, py + 22}, s.FColours[0], 13, gdi::DT_LEFT | gdi::DT_VCENTER);
  }
  button(dc, s, {cx + 12, py + 40, cx + 100, py + 68}, 1, "读取数据");
  button(dc, s, {cx + 110, py + 40, cx + 198, py + 68}, 4, "保存报表");
  button(dc, s, {cx + 208, py + 40, cx + 296, py + 68}, 5, "设置时钟");
  button(dc, s, {cx + 306, py + 40, cx + 394, py + 68}, 3, "停止");
  // Status bar panels.
  if (s.FStatusBarEdges) {
    const int sy = y + h - B - 22;
    const char* panels[3] = {"COM3 已连接", "温度 23.5 °C", "湿度 45.2 %RH"};
    for (int i = 0; i < 3; ++i) {
      const RECT pr{x + L + 2 + 150 * i, sy + 2, x + L + 148 + 150 * i, sy + 20};
      skin::DrawNineGrid(dc, pr, s.FStatusBarEdges->Image, false, false, false, s.FStatusBarEdges->Frame, 1,
                         s.FStatusBarEdges->Margins());
      text(dc, panels[i], {pr.left + 6, pr.top, pr.right, pr.bottom}, s.FColours[0], 12, gdi::DT_LEFT | gdi::DT_VCENTER);
    }
  }
}

}  // namespace

gdi::Bitmap window_preview(const skin::TSkinObjects& skin) {
  constexpr int W = 520, H = 560;
  skin::SkinImage canvas(gdi::Bitmap(W, H, gdi::PixelFormat::k24bit, gdi::pixel_from_colorref(gdi::RGB(206, 212, 220))));
  {
    skin::SelectedBitmap dc(canvas.Handle());
    window(dc.dc(), skin, 20, 20, W - 40, 250, true);
    window(dc.dc(), skin, 20, 290, W - 40, 250, false);
  }
  return *canvas.Pixels();
}

}  // namespace skin_gen
