// The skinned non-client frame: its sizes, where the client area lies, painting of borders, title
// and caption, and the window region cut from the border bitmaps.
#include <algorithm>

#include "core/unicode.h"
#include "skin/draw_primitives.h"
#include "skin/form_skinner.h"
#include "skin/image_util.h"
#include "skin/skin_manager.h"

namespace skin {
namespace {

int frame_count(const TDataSkinObject* o) { return o ? std::max(o->Frame, 1) : 1; }

// A memory DC over a new picture of w x h.
struct Canvas {
  Canvas(int w, int h, gdi::Pixel fill = 0)
      : image(gdi::Bitmap(std::max(w, 1), std::max(h, 1), gdi::PixelFormat::k24bit, fill)), select(image.Handle()) {}
  SkinImage image;
  SelectedBitmap select;
  gdi::HDC dc() const { return select.dc(); }
};

}  // namespace

void TFormSkinner::ComputeFrameSizes() {
  if (!FSkinData || FSkinData->FSkinNotReady) return;
  if (FBorderKind == 2) {
    FBorderLeft = FTitleHeight = FBorderRight = FBorderBottom = FMenuBarHeight = 0;
  } else {
    const auto& b = FSkinData->FBorders;
    auto height = [](const TDataSkinBorder* o) { return o ? o->Image.Height() / frame_count(o) : 0; };
    auto width = [](const TDataSkinBorder* o) { return o ? o->Image.Width() / frame_count(o) : 0; };
    FTitleHeight = height(b[3].get());
    FBorderLeft = width(b[1].get());
    FBorderRight = width(b[2].get());
    FBorderBottom = height(b[4].get());
  }
  BuildCaptionButtons();
}

void TFormSkinner::MeasureSystemFrame() {
  win::GetClientRect(FHandle, &FClientRect);
  gdi::RECT wr{};
  win::GetWindowRect(FHandle, &wr);
  FSystemFrame = {0, 0, (wr.right - wr.left) - FClientRect.right, (wr.bottom - wr.top) - FClientRect.bottom};
}

gdi::POINT TFormSkinner::ScreenToWindowPoint(int x, int y) {
  gdi::POINT p{x, y};
  win::ScreenToClient(FHandle, &p);
  p.x += FBorderLeft;
  p.y += FTitleHeight + FMenuBarHeight;
  return p;
}

void TFormSkinner::OnNCCalcSize(pc::TMessage& m) {
  m.Result = CallOldProc(m.Msg, m.WParam, m.LParam);
  if (!m.WParam) {
    m.Result = 0;
    return;
  }
  auto* p = reinterpret_cast<win::NCCALCSIZE_PARAMS*>(m.LParam);
  if (FBorderKind == 2) {
    p->rgrc[1] = p->rgrc[0];
    m.Result = win::WVR_VALIDRECTS;
    return;
  }
  gdi::RECT window = p->rgrc[0];
  if (p->lppos) window = {p->lppos->x, p->lppos->y, p->lppos->x + p->lppos->cx, p->lppos->y + p->lppos->cy};
  p->rgrc[0] = {window.left + FBorderLeft, window.top + FTitleHeight + FMenuBarHeight, window.right - FBorderRight,
                window.bottom - FBorderBottom};
  p->rgrc[1] = p->rgrc[0];
  m.Result = win::WVR_VALIDRECTS;
}

void TFormSkinner::FrameChanged() {
  win::SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                    win::SWP_NOSIZE | win::SWP_NOMOVE | win::SWP_NOZORDER | win::SWP_FRAMECHANGED | win::SWP_NOACTIVATE);
}

void TFormSkinner::ApplyFrameSize(bool keep_client) {
  if (FShowState == 1) {
    FrameChanged();
    return;
  }
  win::GetWindowRect(FHandle, &FWindowRect);
  if (FDialogClass || FSkinState == 3) win::GetClientRect(FHandle, &FClientRect);
  int width = FClientRect.right + FBorderLeft + FBorderRight;
  int height = 0;
  if (keep_client) {
    win::GetClientRect(FHandle, &FClientRect);
    height = FClientRect.bottom + FTitleHeight + FBorderBottom + FMenuBarHeight;
  } else {
    int client_bottom = FClientRect.bottom;
    if (FForm) {
      width = static_cast<int>(pc::GetIntProp(FForm, "ClientWidth")) + FBorderLeft + FBorderRight;
      client_bottom = static_cast<int>(pc::GetIntProp(FForm, "ClientHeight")) - FMenuBarHeight;
    }
    height = client_bottom + FTitleHeight + FBorderBottom + FMenuBarHeight;
  }
  if (FDialogClass && !keep_client) {
    // A dialog as wide as its caption needs; its controls move to stay centred.
    FCaptionText = core::utf8_to_utf16(win::GetWindowText(FHandle));
    gdi::HDC dc = win::GetWindowDC(FHandle);
    gdi::HGDIOBJ old = gdi::SelectObject(dc, FCaptionFont);
    gdi::SIZE size{};
    gdi::GetTextExtentPoint32(dc, std::u16string_view(FCaptionText), &size);
    gdi::SelectObject(dc, old);
    win::ReleaseDC(FHandle, dc);
    FCaptionTextWidth = size.cx;
    const TDataSkinTitle* t = FSkinData->FTitle.get();
    const int needed = (t ? t->LeftWidth : 0) + FCaptionTextWidth + (t ? t->RightWidth : 0);
    if (width < needed) {
      const int shift = (needed - width) / 2;
      for (win::HWND c = win::GetTopWindow(FHandle); c; c = win::GetWindow(c, win::GW_HWNDNEXT)) {
        gdi::RECT cr;
        win::GetWindowRect(c, &cr);
        win::MapWindowPoints(nullptr, FHandle, reinterpret_cast<gdi::POINT*>(&cr), 2);
        win::SetWindowPos(c, nullptr, cr.left + shift, cr.top, 0, 0,
                          win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE | win::SWP_NOSENDCHANGING |
                              win::SWP_NOOWNERZORDER);
      }
      width = needed;
    }
  }
  win::SetWindowPos(FHandle, nullptr, 0, 0, width, height,
                    win::SWP_NOMOVE | win::SWP_NOZORDER | win::SWP_FRAMECHANGED | win::SWP_NOACTIVATE);
}

void TFormSkinner::SetSysMenuStyle(bool hide) {
  if (FCaptionCaps & kCapKeepSysMenu) return;
  if (!win::IsWindow(FHandle)) return;
  FStyle = static_cast<std::uint32_t>(win::GetWindowLong(FHandle, win::GWL_STYLE));
  const std::uint32_t before = FStyle;
  if (hide) FStyle &= ~win::WS_SYSMENU;
  else if (FSystemMenu) FStyle |= win::WS_SYSMENU;
  if (FStyle != before) win::SetWindowLong(FHandle, win::GWL_STYLE, static_cast<win::LONG>(FStyle));
}

void TFormSkinner::OnNCPaint(pc::TMessage& m) {
  SetSysMenuStyle(true);
  m.Result = 0;
  if (!FSkinData->FNCPaintEnabled) return;
  if (FBorderKind == 2) {
    m.Result = CallOldProc(m.Msg, m.WParam, m.LParam);
    return;
  }
  PaintNonClient(nullptr);
}

void TFormSkinner::PaintNonClient(gdi::HDC given) {
  if (FSkinState != 1 && FSkinState != 3) return;
  if (FBorderKind == 2 || !win::IsWindow(FHandle)) return;
  gdi::HDC dc = given ? given : win::GetWindowDC(FHandle);
  if (!dc) return;
  try {
    win::GetWindowRect(FHandle, &FWindowRect);
    const int W = FWindowRect.right - FWindowRect.left, H = FWindowRect.bottom - FWindowRect.top;
    FWindowWidth = W;
    FWindowHeight = H;
    if (FShowState == 2) {
      PaintTitleArea(dc);
    } else {
      PaintBorderPart(1, {0, 0, FBorderLeft, H}, dc);
      PaintBorderPart(2, {W - FBorderRight, 0, W, H}, dc);
      PaintBorderPart(4, {FBorderLeft, H - FBorderBottom, W - FBorderRight, H}, dc);
      PaintTitleArea(dc);
      if (FMenuBarHeight > 0) {
        const gdi::RECT bar{FBorderLeft, FTitleHeight, W - FBorderRight, FTitleHeight + FMenuBarHeight};
        gdi::FillRect(dc, &bar, FSkinData->FFaceBrush);
      }
    }
  } catch (...) {
    // A frame that cannot be drawn is left as it is.
  }
  FHotObject = nullptr;
  FPressedObject = nullptr;
  if (!given) win::ReleaseDC(FHandle, dc);
}

void TFormSkinner::PaintBorderPart(int index, const gdi::RECT& r, gdi::HDC dc) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w < 0 || h < 0 || index < 1 || index > 4) return;
  const TDataSkinBorder* o = FSkinData->FBorders[static_cast<std::size_t>(index)].get();
  if (!o || w == 0 || h == 0) return;
  const int frames = frame_count(o);
  const int frame = FActive || frames == 1 ? 1 : 2;
  SkinImage part = BuildNineGridBitmap({0, 0, w, h}, o->Image, o->Margins(), index >= 3, o->Tile != 1, frames, frame);
  if (part.Empty()) return;
  SelectedBitmap src(part.Handle());
  gdi::BitBlt(dc, r.left, r.top, w, h, src.dc(), 0, 0, gdi::SRCCOPY);
}

void TFormSkinner::PaintTitleArea(gdi::HDC dc) {
  const int W = FWindowWidth, H = FWindowHeight, T = FTitleHeight;
  gdi::RECT title;
  if (FShowState == 2) {
    FFrameBitmap.Assign(gdi::Bitmap(std::max(W, 1), std::max(H, 1), gdi::PixelFormat::k24bit,
                                    gdi::pixel_from_colorref(gdi::resolve_color(FSkinData->FColours[3]))));
    title = {0, 0, W, T};
  } else {
    FFrameBitmap.Assign(gdi::Bitmap(std::max(W, 1), std::max(T, 1), gdi::PixelFormat::k24bit));
    title = {FBorderLeft, 0, W - FBorderRight, T};
  }
  if (FFrameBitmap.Empty()) return;
  SelectedBitmap bits(FFrameBitmap.Handle());
  if (FShowState != 2) gdi::BitBlt(bits.dc(), 0, 0, W, T, dc, 0, 0, gdi::SRCCOPY);
  PaintBorderPart(3, title, bits.dc());
  PaintCaptionText(bits.dc(), title);
  LayoutButtons();
  PaintButtons(bits.dc());
  gdi::BitBlt(dc, 0, 0, FFrameBitmap.Width(), FFrameBitmap.Height(), bits.dc(), 0, 0, gdi::SRCCOPY);
  gdi::SetBkMode(dc, gdi::OPAQUE);
}

void TFormSkinner::PaintCaptionText(gdi::HDC dc, const gdi::RECT& R) {
  FCaptionSuffix = u" ";
  const std::u16string text = FCaptionPrefix + core::utf8_to_utf16(win::GetWindowText(FHandle)) + FCaptionSuffix;
  FCaptionClip = 0;
  for (std::size_t i = 0; i < FCaptionButtons.size(); ++i) {
    const TDataSkinSysButton* o = FCaptionButtons[i]->SkinObject;
    if (o->Align == 1 && !o->Image.Empty() && IsButtonVisible(static_cast<int>(i))) FCaptionClip = std::max(FCaptionClip, o->Xcoord);
  }
  const TDataSkinTitle* t = FSkinData->FTitle.get();
  const int shift = t ? t->LeftWidth : 0, shift_vert = t ? t->TopHeight : 0, right_clip = t ? t->RightWidth : 0;
  const int align = t ? t->TextAlignment : 0, back_left = t ? t->TXTBackleft : 0, back_right = t ? t->TXTBackRight : 0;

  const int old_mode = gdi::SetBkMode(dc, gdi::TRANSPARENT);
  gdi::HGDIOBJ old_font = gdi::SelectObject(dc, FCaptionFont);
  try {
    gdi::SetTextColor(dc, gdi::resolve_color(FSkinData->FColours[FActive ? 1 : 2]));
    gdi::RECT tx = R;
    DrawTextWide(dc, text, &tx, gdi::DT_CALCRECT | gdi::DT_NOCLIP | gdi::DT_NOPREFIX);
    tx.right += back_left + back_right;
    const int rw = R.right - R.left, tw = tx.right - tx.left;
    int dx = 0;
    switch (align) {
      case 0: dx = shift; break;
      case 1: dx = (rw - tw) / 2; break;
      case 2: dx = rw - right_clip - tw; break;
      default: break;
    }
    if (FRightToLeft) {
      switch (align) {
        case 0: dx = rw - FCaptionClip - tw; break;
        case 1: dx = (rw - tw - FCaptionClip) / 2; break;
        case 2: dx = shift; break;
        default: break;
      }
    }
    const int dy = ((R.bottom - R.top) - (tx.bottom - tx.top)) / 2 + shift_vert / 2;
    gdi::OffsetRect(&tx, dx, dy);
    if (FRightToLeft && dx <= 0) tx.left = shift;
    if (FStyle & win::WS_POPUP) {
      if (FRightToLeft) gdi::OffsetRect(&tx, 10, 0);
      else if (R.right - FCaptionClip - 5 < tx.right && FCaptionClip > 5) tx.right = R.right - FCaptionClip - 5;
    } else {
      if (FRightToLeft) gdi::OffsetRect(&tx, 10, 0);
      else if (R.right - right_clip < tx.right) tx.right = R.right - right_clip;
    }
    if (FBorderKind == 3 && align == 0) tx.left -= 16;
    FCaptionTextRect = tx;
    if (t && !t->Image.Empty())
      DrawThreePartStrip(dc, {tx.left, R.top, tx.right, R.bottom}, t->Image, true, true, 2, FActive ? 1 : 2,
                         {back_left, 0, back_right, 0});
    tx.left += back_left;
    tx.right -= back_right;
    win::UINT format = gdi::DT_SINGLELINE | gdi::DT_NOPREFIX | gdi::DT_END_ELLIPSIS;
    if (FRightToLeft) format |= gdi::DT_RIGHT | gdi::DT_RTLREADING;
    DrawTextWide(dc, text, &tx, format);
  } catch (...) {
    gdi::SelectObject(dc, old_font);
    gdi::SetBkMode(dc, old_mode);
    throw;
  }
  gdi::SelectObject(dc, old_font);
  gdi::SetBkMode(dc, old_mode);
}

void TFormSkinner::UpdateRegion() {
  if (FSkinState == 6 || !FSkinFrame || !win::IsWindow(FHandle)) return;
  gdi::RECT wr{};
  win::GetWindowRect(FHandle, &wr);
  const int W = wr.right - wr.left, H = wr.bottom - wr.top;
  if (W <= 0 || H <= 0) return;
  if (FHasRegion && W == FRegionWidth && H == FRegionHeight && FSkinState != 3) return;
  const auto& b = FSkinData->FBorders;
  auto cuts = [&](int i) { return b[static_cast<std::size_t>(i)] && b[static_cast<std::size_t>(i)]->Trans == 1; };
  if (!cuts(1) && !cuts(2) && !cuts(3) && !cuts(4)) {
    win::SetWindowRgn(FHandle, gdi::CreateRectRgn(0, 0, W, H), win::TRUE);
    return;
  }
  FRegionWidth = W;
  FRegionHeight = H;
  const int L = FBorderLeft, R = FBorderRight, T = FTitleHeight, B = FBorderBottom;
  gdi::HRGN region = gdi::CreateRectRgn(L, T, W - R, H - B);
  // The region of one border part as drawn now, at (x, y) of the window.
  auto part_region = [&](int index, int w, int h, int x, int y) -> gdi::HRGN {
    if (w <= 0 || h <= 0) return gdi::CreateRectRgn(x, y, x + std::max(w, 0), y + std::max(h, 0));
    Canvas scratch(w, h);
    PaintBorderPart(index, {0, 0, w, h}, scratch.dc());
    return BitmapToRegion(scratch.image, x, y, 1, 1, 1, kKeyColour);
  };
  if (FBorderKind != 2) {
    gdi::HRGN left = cuts(1) && H > 1 ? part_region(1, L, H, 0, 0) : gdi::CreateRectRgn(0, 0, L, H);
    gdi::HRGN right = cuts(2) && H > 1 ? part_region(2, R, H, W - R, 0) : gdi::CreateRectRgn(W - R, 0, W, H);
    gdi::HRGN bottom = cuts(4) && B >= 2 ? part_region(4, W - L - R, B, L, H - B) : gdi::CreateRectRgn(L, H - B, W - R, H);
    gdi::HRGN top = cuts(3) && T > 1 && W - L - R > 0 ? part_region(3, W - L - R, T, L, 0) : gdi::CreateRectRgn(L, 0, W - R, T);
    gdi::CombineRgn(left, left, right, gdi::RGN_OR);
    gdi::CombineRgn(top, top, bottom, gdi::RGN_OR);
    gdi::CombineRgn(left, left, top, gdi::RGN_OR);
    gdi::CombineRgn(region, region, left, gdi::RGN_OR);
    for (gdi::HRGN r : {left, right, bottom, top}) gdi::DeleteObject(r);
  }
  win::SetWindowRgn(FHandle, region, win::TRUE);
  FHasRegion = true;
  FRegion = region;
}

void TFormSkinner::RemoveRegion() {
  if (!FHasRegion) return;
  win::SetWindowRgn(FHandle, nullptr, win::FALSE);
  FHasRegion = false;
  FRegion = nullptr;
}

void TFormSkinner::RepaintWindow(win::HWND wnd) {
  if (!win::IsWindow(wnd)) return;
  win::RedrawWindow(wnd, nullptr, nullptr, win::RDW_INVALIDATE | win::RDW_ERASE | win::RDW_FRAME | win::RDW_ALLCHILDREN);
  win::UpdateWindow(wnd);
}

}  // namespace skin
