#include "skin/value_skinners.h"

#include <algorithm>

#include "skin/control_painting.h"
#include "skin/draw_primitives.h"
#include "skin/image_util.h"

namespace skin {

namespace {

std::uint32_t style_of(win::HWND h) { return static_cast<std::uint32_t>(win::GetWindowLong(h, win::GWL_STYLE)); }


}  // namespace

int ProgressFillWidth(int width, int pos, int min, int max) {
  if (max <= min || pos <= min) return 0;
  return std::max(0, gdi::MulDiv(width, std::min(pos, max) - min, max - min));
}

// ---- track bar ----

bool TSkinTrackBar::BeforeMessage(pc::TMessage& m) {
  if (m.Msg == win::WM_NOTIFY || m.Msg == pc::CN_NOTIFY) {
    const auto* hdr = reinterpret_cast<const win::NMHDR*>(m.LParam);
    if (!hdr || hdr->code != win::NM_CUSTOMDRAW) return true;
    m.Result = CustomDraw(*reinterpret_cast<const win::NMCUSTOMDRAW*>(m.LParam));
    return false;
  }
  return TSkinControl::BeforeMessage(m);
}

void TSkinTrackBar::RefreshSkin() {
  const win::HWND before = win::GetFocus();
  win::SetFocus(FHandle);
  if (before && before != FHandle) win::SetFocus(before);
}

win::LRESULT TSkinTrackBar::CustomDraw(const win::NMCUSTOMDRAW& info) {
  if (info.dwDrawStage == win::CDDS_PREPAINT) return win::CDRF_NOTIFYITEMDRAW;
  if (info.dwDrawStage != win::CDDS_ITEMPREPAINT) return win::CDRF_DODEFAULT;
  switch (info.dwItemSpec) {
    case win::TBCD_THUMB: DrawThumb(info); return win::CDRF_SKIPDEFAULT;
    case win::TBCD_CHANNEL: DrawChannel(info); return win::CDRF_SKIPDEFAULT;
    default: return win::CDRF_DODEFAULT;
  }
}

void TSkinTrackBar::DrawChannel(const win::NMCUSTOMDRAW& info) {
  gdi::RECT c{};
  win::SendMessage(FHandle, win::TBM_GETCHANNELRECT, 0, reinterpret_cast<win::LPARAM>(&c));
  const bool vertical = style_of(FHandle) & win::TBS_VERT;
  const TDataSkinObject* o = vertical && FSkinData->FTrackVert ? FSkinData->FTrackVert.get() : FSkinData->FTrack.get();
  if (!o || o->Image.Empty()) return;
  const int w = o->Image.Width(), h = o->Image.Height();
  SelectedBitmap from(o->Image.Handle());
  gdi::HDC dc = info.hdc;
  const int old_mode = gdi::SetStretchBltMode(dc, gdi::COLORONCOLOR);
  if (vertical && FSkinData->FTrackVert) {
    // The control reports a vertical channel with x and y exchanged.
    const gdi::RECT r{c.top, c.left, c.bottom, c.right};
    const int x = w < r.width() ? (r.width() - w) / 2 : 0;
    const int top = o->TopHeight, bottom = o->BottomHeight;
    gdi::StretchBlt(dc, r.left + x, r.top, w, top, from.dc(), 0, 0, w, top, gdi::SRCCOPY);
    gdi::StretchBlt(dc, r.left + x, r.top + top, w, r.height() - top - bottom, from.dc(), 0, top, w, h - top - bottom,
                    gdi::SRCCOPY);
    gdi::StretchBlt(dc, r.left + x, r.bottom - bottom, w, bottom, from.dc(), 0, h - bottom, w, bottom, gdi::SRCCOPY);
  } else {
    const int y = h < c.height() ? (c.height() - h) / 2 : 0;
    const int left = o->LeftWidth, right = o->RightWidth;
    gdi::StretchBlt(dc, c.left, c.top + y, left, h, from.dc(), 0, 0, left, h, gdi::SRCCOPY);
    gdi::StretchBlt(dc, c.left + left, c.top + y, c.width() - left - right, h, from.dc(), left, 0, w - left - right, h,
                    gdi::SRCCOPY);
    gdi::StretchBlt(dc, c.right - right, c.top + y, right, h, from.dc(), w - right, 0, right, h, gdi::SRCCOPY);
  }
  gdi::SetStretchBltMode(dc, old_mode);
}

void TSkinTrackBar::DrawThumb(const win::NMCUSTOMDRAW& info) {
  if (!win::IsWindow(FHandle)) return;
  gdi::RECT t{};
  win::SendMessage(FHandle, win::TBM_GETTHUMBRECT, 0, reinterpret_cast<win::LPARAM>(&t));
  const bool vertical = style_of(FHandle) & win::TBS_VERT;
  const SkinImage* picture = nullptr;
  if (vertical && FSkinData->FThumbVert) picture = &FSkinData->FThumbVert->Image;
  else if (FSkinData->FThumbHorz) picture = &FSkinData->FThumbHorz->Image;
  if (picture && !picture->Empty()) {
    DrawKeyedFrame(info.hdc, t, 5, 2, *picture);
    return;
  }
  gdi::HPEN pen = gdi::CreatePen(gdi::PS_SOLID, 1, gdi::resolve_color(FSkinData->FColours[7]));
  gdi::HGDIOBJ old_pen = gdi::SelectObject(info.hdc, pen);
  gdi::HGDIOBJ old_brush = gdi::SelectObject(info.hdc, gdi::GetStockObject(gdi::WHITE_BRUSH));
  gdi::Rectangle(info.hdc, t.left, t.top, t.right, t.bottom);
  gdi::SelectObject(info.hdc, old_brush);
  gdi::SelectObject(info.hdc, old_pen);
  gdi::DeleteObject(pen);
}

// ---- up-down ----

bool TSkinUpDown::BeforeMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_PAINT: PaintOnWMPaint(*this, m); return false;
    case win::WM_ERASEBKGND:
      if (!FControl) {
        gdi::RECT r;
        win::GetClientRect(FHandle, &r);
        FillRectColor(reinterpret_cast<gdi::HDC>(m.WParam), r, 0xFFFFFF);
      }
      m.Result = 1;
      return false;
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK:
      CallPrevious(m);
      FMouseFlags |= kPressed;
      PaintWindow(nullptr);
      return false;
    case win::WM_LBUTTONUP:
      FMouseFlags &= static_cast<std::uint8_t>(~kPressed);
      CallPrevious(m);
      PaintWindow(nullptr);
      return false;
    default: return TSkinControl::BeforeMessage(m);
  }
}

void TSkinUpDown::PaintSkin(gdi::HDC dc, const gdi::RECT& rect) {
  gdi::RECT R = rect;
  if (FEmbedded) {
    gdi::RECT client;
    win::GetClientRect(FHandle, &client);
    FillRectColor(dc, client, 0xFFFFFF);
    gdi::RECT own, parent;
    win::GetWindowRect(FHandle, &own);
    if (win::GetWindowRect(win::GetParent(FHandle), &parent)) {
      if (const int d = own.top - parent.top; d < 3) R.top += 3 - d;
      if (const int d = parent.bottom - own.bottom; d < 3) R.bottom -= 3 - d;
      if (const int d = parent.right - own.right; d < 3) R.right -= 3 - d;
    }
  }
  if (R.width() <= 0 || R.height() <= 0) return;
  const int w = R.width(), h = R.height();
  SkinImage work = FilledPicture(w, h, gdi::resolve_color(FSkinData->FColours[3]));
  SelectedBitmap b(work.Handle());
  gdi::POINT cursor{};
  win::GetCursorPos(&cursor);
  win::ScreenToClient(FHandle, &cursor);
  cursor.x -= R.left;
  cursor.y -= R.top;
  FEnabled = !(style_of(FHandle) & win::WS_DISABLED);
  const bool horizontal = (style_of(FHandle) & win::UDS_HORZ) || FHorizontal == 1;
  auto state_of = [&](bool cursor_elsewhere) {
    if (!FEnabled) return 3;
    if (cursor_elsewhere) return 1;
    if (FMouseFlags & kPressed) return 2;
    if (FMouseFlags & kHot) return 4;
    return 1;
  };
  struct Part {
    gdi::RECT r;
    int button, state;
  } parts[2];
  if (!horizontal) {
    const int half = h / 2;
    parts[0] = {{0, 0, w, half}, 0, state_of(cursor.y >= half)};
    parts[1] = {{0, half, w, h}, 1, state_of(cursor.y < half)};
  } else {
    const int half = w / 2;
    parts[0] = {{0, 0, half, h}, 2, state_of(cursor.x >= half)};
    parts[1] = {{half, 0, w, h}, 3, state_of(cursor.x < half)};
  }
  for (const Part& p : parts) {
    const bool skinned = p.button < 2 ? FSkinData->FUpDownVert != nullptr : FSkinData->FUpDownHorz != nullptr;
    if (skinned) DrawSkinButton(b.dc(), p.r, p.button, p.state);
    else DrawPlainButton(b.dc(), p.r, p.button, p.state);
  }
  gdi::BitBlt(dc, R.left, R.top, w, h, b.dc(), 0, 0, gdi::SRCCOPY);
}

void TSkinUpDown::DrawSkinButton(gdi::HDC dc, const gdi::RECT& r, int button, int state) const {
  const TDataSkinBorder& o = button < 2 ? *FSkinData->FUpDownVert : *FSkinData->FUpDownHorz;
  const int k = (button % 2) * 4 + state;
  DrawFrameStretched(dc, r, o.Image, true, o.Frame, k);
  if (o.Image2.Empty()) return;
  const int gw = o.Image2.Width() / std::max(1, o.Frame), gh = o.Image2.Height();
  const int x = r.left + (r.width() - gw) / 2, y = r.top + (r.height() - gh) / 2;
  DrawFrameStretched(dc, {x, y, x + gw, y + gh}, o.Image2, true, o.Frame, k);
}

void TSkinUpDown::DrawPlainButton(gdi::HDC dc, const gdi::RECT& r, int button, int state) const {
  const gdi::COLORREF face = gdi::resolve_color(FSkinData->FColours[state == 2 || state == 4 ? 7 : 3]);
  gdi::HBRUSH brush = gdi::CreateSolidBrush(face);
  gdi::HPEN pen = gdi::CreatePen(gdi::PS_SOLID, 1, gdi::resolve_color(FSkinData->FColours[8]));
  gdi::HGDIOBJ old_brush = gdi::SelectObject(dc, brush), old_pen = gdi::SelectObject(dc, pen);
  gdi::Rectangle(dc, r.left, r.top, r.right, r.bottom);
  const int x = r.left + r.width() / 2, y = r.top + r.height() / 2 - (button < 2 ? 2 : 0);
  DrawSmallArrow(dc, x, y, button);
  gdi::SelectObject(dc, old_brush);
  gdi::SelectObject(dc, old_pen);
  gdi::DeleteObject(brush);
  gdi::DeleteObject(pen);
}

// ---- progress bar ----

bool TSkinProgress::BeforeMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_PAINT:
      if (!FSkinData->FProgress || FSkinData->FProgress->Image.Empty()) return true;
      PaintOnWMPaint(*this, m);
      m.Result = 0;
      return false;
    case win::WM_ERASEBKGND: m.Result = 1; return false;
    default: return TSkinControl::BeforeMessage(m);
  }
}

namespace {

// The work rectangle of a progress bar: lying down for a vertical one.
gdi::RECT progress_work_rect(win::HWND h, const gdi::RECT& r) {
  if (style_of(h) & win::PBS_VERTICAL) return {0, 0, r.height(), r.width()};
  return {0, 0, r.width(), r.height()};
}

void draw_keyed(gdi::HDC dc, int x, int y, const SkinImage& picture) {
  if (picture.Empty()) return;
  DrawTransparentBitmap(dc, {x, y, x + picture.Width(), y + picture.Height()}, picture, 0xFF00FF);
}

void finish_progress(win::HWND h, gdi::HDC dc, const gdi::RECT& r, SkinImage& work) {
  if (style_of(h) & win::PBS_VERTICAL) RotateLeft(work);
  SelectedBitmap from(work.Handle());
  gdi::BitBlt(dc, r.left, r.top, r.width(), r.height(), from.dc(), 0, 0, gdi::SRCCOPY);
}

}  // namespace

void TSkinProgress::PaintSkin(gdi::HDC dc, const gdi::RECT& rect) {
  const TDataSkinBorder* p = FSkinData->FProgress.get();
  if (!p || p->Image.Empty()) return;
  if (p->Style == 1) {
    PaintChunks(dc, rect);
    return;
  }
  const gdi::RECT W = progress_work_rect(FHandle, rect);
  if (W.right <= 0 || W.bottom <= 0) return;
  SkinImage work = FilledPicture(W.right, W.bottom, gdi::resolve_color(FSkinData->FColours[3]));
  {
    SelectedBitmap b(work.Handle());
    draw_keyed(b.dc(), 0, 0, BuildNineGridBitmap(W, p->Image, p->Margins(), false, p->Tile != 0, 2, 1));
    const int pos = static_cast<int>(win::SendMessage(FHandle, win::PBM_GETPOS, 0, 0));
    const int max = static_cast<int>(win::SendMessage(FHandle, win::PBM_GETRANGE, 0, 0));
    const int min = static_cast<int>(win::SendMessage(FHandle, win::PBM_GETRANGE, 1, 0));
    if (const int f = ProgressFillWidth(W.right, pos, min, max); f > 0)
      draw_keyed(b.dc(), 0, 0, BuildNineGridBitmap({0, 0, f, W.bottom}, p->Image, p->Margins(), false, p->Tile != 0, 2, 2));
  }
  finish_progress(FHandle, dc, rect, work);
}

void TSkinProgress::PaintChunks(gdi::HDC dc, const gdi::RECT& rect) {
  const TDataSkinBorder& p = *FSkinData->FProgress;
  const TDataSkinObject* chunk = FSkinData->FProgressChunk.get();
  if (!chunk || chunk->Image.Empty()) return;
  const gdi::RECT W = progress_work_rect(FHandle, rect);
  if (W.right <= 0 || W.bottom <= 0) return;
  SkinImage work = FilledPicture(W.right, W.bottom, gdi::resolve_color(FSkinData->FColours[3]));
  {
    SelectedBitmap b(work.Handle());
    draw_keyed(b.dc(), 0, 0, BuildNineGridBitmap(W, p.Image, p.Margins(), false, false, 1, 1));
    const int pos = static_cast<int>(win::SendMessage(FHandle, win::PBM_GETPOS, 0, 0));
    const int max = static_cast<int>(win::SendMessage(FHandle, win::PBM_GETRANGE, 0, 0));
    const int min = static_cast<int>(win::SendMessage(FHandle, win::PBM_GETRANGE, 1, 0));
    // Measured from the range's minimum, as the two-frame bar is.
    const int f = ProgressFillWidth(W.right, pos, min, max);
    const int cw = chunk->Image.Width(), ch = chunk->Image.Height();
    if (f > 0 && chunk->Tile == 1) {
      SkinImage strip = FilledPicture(f, ch, 0xFF00FF);
      {
        SelectedBitmap s(strip.Handle());
        SelectedBitmap from(chunk->Image.Handle());
        for (int x = 0; x <= f; x += cw) gdi::BitBlt(s.dc(), x, 0, cw, ch, from.dc(), 0, 0, gdi::SRCCOPY);
      }
      draw_keyed(b.dc(), chunk->LeftWidth + 2, rect.top + (W.bottom - ch) / 2, strip);
    } else if (f > 0 && W.bottom > 4) {
      SkinImage strip = FilledPicture(f, W.bottom - 4, 0xFF00FF);
      {
        SelectedBitmap s(strip.Handle());
        DrawThreePartStretched(s.dc(), {0, 0, f, W.bottom}, chunk->Image, false, 1, 1,
                               {chunk->LeftWidth, 0, chunk->RightWidth, 0});
      }
      draw_keyed(b.dc(), 2, 2, strip);
    }
  }
  finish_progress(FHandle, dc, rect, work);
}

}  // namespace skin
