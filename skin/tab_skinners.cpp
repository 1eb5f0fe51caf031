#include "skin/tab_skinners.h"

#include "core/unicode.h"
#include "platform/components/comctrls.h"
#include "platform/win/controls.h"
#include "skin/container_skinners.h"
#include "skin/control_painting.h"
#include "skin/draw_primitives.h"
#include "skin/form_skinner.h"
#include "skin/image_util.h"
#include "skin/value_skinners.h"

namespace skin {

namespace {

std::uint32_t tab_style(win::HWND h) { return static_cast<std::uint32_t>(win::GetWindowLong(h, win::GWL_STYLE)); }

SkinImage picture_24(const SkinImage& from) {
  if (from.Empty()) return {};
  gdi::Bitmap copy = *from.Pixels();
  gdi::Bitmap out(copy.width(), copy.height(), gdi::PixelFormat::k24bit);
  for (int y = 0; y < copy.height(); ++y)
    for (int x = 0; x < copy.width(); ++x) out.set_pixel(x, y, copy.pixel(x, y));
  return SkinImage(std::move(out));
}

bool contains(const gdi::RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

}  // namespace

// ---- tab controls ----

void TSkinTab::HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) {
  TSkinControl::HookControl(form, sd, set_color, canvas);
  FEnabled = !(tab_style(FHandle) & win::WS_DISABLED);
  auto* pages = dynamic_cast<pc::TPageControl*>(FControl);
  FCloseButtons = pages && pages->Tag == kCloseBoxTag && pages->TabPosition() == pc::TTabPosition::tpTop;
  PrepareImages();
  HookUpDown();
  FSkinned = true;
  FWideItems = FHandle && win::IsWindowUnicode(FHandle);
}

void TSkinTab::HookHandle(win::HWND handle, TSkinData* sd, TFormSkinner* form, pc::TCanvas* canvas) {
  TSkinControl::HookHandle(handle, sd, form, canvas);
  FFocused = win::GetFocus() == handle;
  FEnabled = !(tab_style(handle) & win::WS_DISABLED);
  FText = GetWindowTextWide(handle);
  PrepareImages();
  HookUpDown();
  FSkinned = true;
  FWideItems = win::IsWindowUnicode(handle);
}

void TSkinTab::RefreshSkin() {
  TSkinControl::RefreshSkin();
  PrepareImages();
}

void TSkinTab::PrepareImages() {
  const auto style = tab_style(FHandle);
  if (style & win::TCS_VERTICAL) FTabPosition = (style & win::TCS_BOTTOM) ? 3 : 2;
  else FTabPosition = (style & win::TCS_BOTTOM) ? 1 : 0;
  FTabImage.Clear();
  FPaneImage.Clear();
  const TDataSkinBorder* tabs = FSkinData->FTabs.get();
  if (!tabs) return;
  FTabImage = picture_24(tabs->Image);
  if (tabs->Style == 0) FPaneImage = picture_24(tabs->Image2);
  else if (tabs->Style == 1 && FSkinData->FTabPane) FPaneImage = picture_24(FSkinData->FTabPane->Image);
  if (FTabPosition == 1) {
    if (!FTabImage.Empty()) FlipVertical(FTabImage);
    if (!FPaneImage.Empty()) FlipVertical(FPaneImage);
  } else if (FTabPosition == 2 && !FPaneImage.Empty()) {
    RotateLeft(FPaneImage);
  } else if (FTabPosition == 3 && !FPaneImage.Empty()) {
    RotateRight(FPaneImage);
  }
}

bool TSkinTab::HookUpDown() {
  const win::HWND arrows = win::FindWindowEx(FHandle, nullptr, "msctls_updown32", nullptr);
  if (!arrows) return false;
  if (!FUpDown) {
    FUpDown = new TSkinUpDown(Owner());
    FUpDown->HookHandle(arrows, FSkinData, FForm, FCanvas);
  }
  return (tab_style(arrows) & win::WS_VISIBLE) != 0;
}

bool TSkinTab::BeforeMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_PAINT: PaintOnWMPaint(*this, m); return false;
    case win::WM_LBUTTONDOWN:
      if (FCloseButtons && HitCloseBox(m)) {
        m.Result = 0;
        return false;
      }
      return TSkinControl::BeforeMessage(m);
    default: return TSkinControl::BeforeMessage(m);
  }
}

bool TSkinTab::HitCloseBox(const pc::TMessage& m) {
  const int x = win::GET_X_LPARAM(m.LParam), y = win::GET_Y_LPARAM(m.LParam);
  for (std::size_t i = 0; i < FCloseRects.size(); ++i) {
    if (!contains(FCloseRects[i], x, y)) continue;
    const win::HWND form = FForm ? FForm->FHandle : nullptr;
    const win::LRESULT answer = form ? win::SendMessage(form, kMsgTabCloseBox, reinterpret_cast<win::WPARAM>(FHandle),
                                                        static_cast<win::LPARAM>(i))
                                     : 0;
    if (answer == 0) {
      // The page this tab shows: with pages that have no tab, the tab's index is not the page's.
      auto* pages = dynamic_cast<pc::TPageControl*>(FControl);
      if (pc::TTabSheet* page = pages ? pages->PageForTab(static_cast<int>(i)) : nullptr) {
        FCloseRects.clear();
        delete page;
      }
    }
    return true;
  }
  return false;
}

void TSkinTab::DrawCloseBox(gdi::HDC dc, const gdi::RECT& t, int i) {
  const int x1 = t.right - 8, y1 = t.top + 2, x2 = t.right - 2, y2 = t.top + 8;
  gdi::MoveToEx(dc, x1, y1, nullptr);
  gdi::LineTo(dc, x2, y1);
  gdi::LineTo(dc, x2, y2);
  gdi::LineTo(dc, x1, y2);
  gdi::LineTo(dc, x1, y1);
  gdi::LineTo(dc, x2, y2);
  gdi::MoveToEx(dc, x2, y1, nullptr);
  gdi::LineTo(dc, x1, y2);
  FCloseRects[static_cast<std::size_t>(i)] = {x1, y1, x2, y2};
}

void TSkinTab::BlitStripAroundUpDown(gdi::HDC dc, const gdi::RECT& s) {
  const win::HWND arrows = win::FindWindowEx(FHandle, nullptr, "msctls_updown32", nullptr);
  gdi::RECT own, a;
  win::GetWindowRect(FHandle, &own);
  win::GetWindowRect(arrows, &a);
  gdi::OffsetRect(&a, -own.left, -own.top);
  gdi::HRGN clip = gdi::CreateRectRgn(0, 0, own.right - own.left, own.bottom - own.top);
  gdi::HRGN hole = gdi::CreateRectRgn(a.left, a.top, a.right, a.bottom);
  gdi::CombineRgn(clip, clip, hole, gdi::RGN_DIFF);
  gdi::DeleteObject(hole);
  gdi::SelectClipRgn(dc, clip);
  SelectedBitmap from(FStripBuffer.Handle());
  gdi::BitBlt(dc, s.left, s.top, FStripBuffer.Width(), FStripBuffer.Height(), from.dc(), 0, 0, gdi::SRCCOPY);
  gdi::SelectClipRgn(dc, nullptr);
  gdi::DeleteObject(clip);
}

void TSkinTab::PaintSkin(gdi::HDC dc, const gdi::RECT& R) {
  const TDataSkinBorder* tabs = FSkinData->FTabs.get();
  const bool has_tabs = tabs && !tabs->Image.Empty();
  gdi::RECT P = R;
  win::SendMessage(FHandle, win::TCM_ADJUSTRECT, 0, reinterpret_cast<win::LPARAM>(&P));
  gdi::InflateRect(&P, 4, 4);
  switch (FTabPosition) {
    case 1: P.bottom -= 1; break;
    case 2: P.left += 1; break;
    case 3: P.right -= 1; break;
    default: P.top += 1; break;
  }
  const int n = static_cast<int>(win::SendMessage(FHandle, win::TCM_GETITEMCOUNT, 0, 0));
  const int focus = static_cast<int>(win::SendMessage(FHandle, win::TCM_GETCURFOCUS, 0, 0));
  auto* list = reinterpret_cast<gdi::HIMAGELIST>(win::SendMessage(FHandle, win::TCM_GETIMAGELIST, 0, 0));
  // Every paint starts from no close boxes: a tab that is not drawn offers none.
  FCloseRects.assign(static_cast<std::size_t>(std::max(n, 0)), gdi::RECT{});
  if (has_tabs) {
    gdi::RECT S;
    switch (FTabPosition) {
      case 1: S = {R.left, P.bottom, R.right, R.bottom}; break;
      case 2: S = {R.left, R.top, P.left, R.bottom}; break;
      case 3: S = {P.right, R.top, R.right, R.bottom}; break;
      default: S = {R.left, R.top, R.right, P.top}; break;
    }
    const bool sideways = FTabPosition >= 2;
    const int bw = sideways ? S.height() : S.width(), bh = sideways ? S.width() : S.height();
    if (bw <= 0 || bh <= 0) return;
    FStripBuffer = SkinImage(gdi::Bitmap(bw, bh, gdi::PixelFormat::k24bit));
    {
      SelectedBitmap b(FStripBuffer.Handle());
      FillParentColor(b.dc(), {0, 0, bw, bh});
      const gdi::HFONT font = reinterpret_cast<gdi::HFONT>(win::SendMessage(FHandle, win::WM_GETFONT, 0, 0));
      gdi::HGDIOBJ old_font = gdi::SelectObject(b.dc(), font);
      for (int i = 0; i < n; ++i) {
        char text[80 * 4] = {};
        win::TCITEM item;
        item.mask = win::TCIF_TEXT | win::TCIF_IMAGE | win::TCIF_STATE;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        win::SendMessage(FHandle, FWideItems ? win::TCM_GETITEMW : win::TCM_GETITEMA, static_cast<win::WPARAM>(i),
                         reinterpret_cast<win::LPARAM>(&item));
        gdi::RECT T{};
        if (!win::SendMessage(FHandle, win::TCM_GETITEMRECT, static_cast<win::WPARAM>(i), reinterpret_cast<win::LPARAM>(&T)))
          continue;
        switch (FTabPosition) {
          case 1: gdi::OffsetRect(&T, 0, -(P.bottom + 1)); break;
          case 2: T = {bw - T.bottom, T.left, bw - T.top, T.right}; break;
          case 3: T = {T.top - 1, R.right - T.right, T.bottom - 1, R.right - T.left}; break;
          default: gdi::OffsetRect(&T, 0, 1); break;
        }
        const int s = i == focus ? 2 : 1;
        DrawNineGrid(b.dc(), T, FTabImage, false, tabs->Tile != 0, tabs->Trans != 0, tabs->Frame, s, tabs->Margins());
        if (FCloseButtons) DrawCloseBox(b.dc(), T, i);
        if (FTabPosition < 2) gdi::SelectObject(b.dc(), font);
        gdi::SetTextColor(b.dc(), gdi::resolve_color(s == 1 ? tabs->NormalColour2 : tabs->MouseOverColour2));
        DrawIconAndText(this, b.dc(), T, 1, AnsiToWide(text), item.iImage, list);
      }
      gdi::SelectObject(b.dc(), old_font);
    }
    if (FTabPosition == 3) RotateRight(FStripBuffer);
    else if (FTabPosition == 2) RotateLeft(FStripBuffer);
    if (HookUpDown()) {
      BlitStripAroundUpDown(dc, S);
    } else {
      SelectedBitmap b(FStripBuffer.Handle());
      gdi::BitBlt(dc, S.left, S.top, FStripBuffer.Width(), FStripBuffer.Height(), b.dc(), 0, 0, gdi::SRCCOPY);
    }
  }
  if (tabs && !FPaneImage.Empty()) {
    const gdi::RECT margins = tabs->Style != 0 && FSkinData->FTabPane ? FSkinData->FTabPane->Margins() : gdi::RECT{4, 5, 4, 4};
    DrawNineGrid(dc, P, FPaneImage, false, false, false, 1, 1, margins);
    if (FControl && FMode == 2) PaintGraphicChildren(FControl, dc);
  }
}

// ---- the old-style tab set ----

void TSkinTab31::HookControl(TFormSkinner* form, TSkinData* sd, bool, pc::TCanvas* canvas) {
  FControl = dynamic_cast<pc::TControl*>(Owner());
  auto* w = dynamic_cast<pc::TWinControl*>(FControl);
  if (!w) return;
  FHandle = w->Handle();
  TSkinControl::HookHandle(FHandle, sd, form, canvas);
  PrepareTabSetImage();
  if (FControl->ComponentCount() > 0)
    if (auto* scroller = dynamic_cast<pc::TWinControl*>(FControl->Components(0)); scroller && scroller->ClassName() == "TScroller") {
      FScroller = scroller;
      FUpDown = new TSkinUpDown(FControl);
      FUpDown->FHorizontal = 1;
      FUpDown->HookHandle(scroller->Handle(), sd, form, canvas);
    }
}

void TSkinTab31::RefreshSkin() {
  TSkinControl::RefreshSkin();
  PrepareTabSetImage();
}

void TSkinTab31::PrepareTabSetImage() {
  if (!FSkinData->FTabs || FSkinData->FTabs->Image.Empty()) return;
  FTabImage = picture_24(FSkinData->FTabs->Image);
  FlipVertical(FTabImage);
}

bool TSkinTab31::BeforeMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_PAINT: PaintOnWMPaint(*this, m); return true;
    case win::WM_ERASEBKGND: m.Result = 1; return false;
    default: return TSkinControl::BeforeMessage(m);
  }
}

void TSkinTab31::PaintSkin(gdi::HDC dc, const gdi::RECT& R) {
  const TDataSkinBorder* tabs = FSkinData->FTabs.get();
  if (!tabs || tabs->Image.Empty() || !FControl || R.width() <= 0 || R.height() <= 0) return;
  SkinImage picture(gdi::Bitmap(R.width(), R.height(), gdi::PixelFormat::k24bit));
  SelectedBitmap b(picture.Handle());
  FillFace(b.dc(), {0, 0, R.width(), R.height()});
  gdi::HGDIOBJ old_font = gdi::SelectObject(b.dc(), FControl->Font.Handle());
  const pc::TStrings* texts = GetObjectPropByName<pc::TStrings>(FControl, "Tabs");
  const int selected = static_cast<int>(pc::GetIntProp(FControl, "TabIndex"));
  const int first = std::max(0, static_cast<int>(pc::GetIntProp(FControl, "FirstIndex")));
  int x = static_cast<int>(pc::GetIntProp(FControl, "StartMargin"));
  const int limit = R.width() - static_cast<int>(pc::GetIntProp(FControl, "EndMargin"));
  const bool scroller_shown = FScroller && FScroller->Visible();
  for (int i = first; texts && i < texts->Count(); ++i) {
    const std::u16string text = AnsiToWide(texts->Get(i));
    gdi::SIZE size{};
    gdi::GetTextExtentPoint32(b.dc(), text, &size);
    const int s = i == selected ? 2 : 1, w = size.cx + 9;
    const bool fits = x + w <= limit || (scroller_shown && x + w + 12 <= limit);
    if (!fits) continue;
    const gdi::RECT t{x, 0, x + w, R.height()};
    DrawNineGrid(b.dc(), t, FTabImage, false, tabs->Tile != 0, tabs->Trans != 0, tabs->Frame, s, tabs->Margins());
    gdi::SetTextColor(b.dc(), gdi::resolve_color(s == 1 ? tabs->NormalColour2 : tabs->MouseOverColour2));
    DrawCaptionText(this, b.dc(), t, gdi::DT_CENTER, true, text);
    x += w;
  }
  gdi::SelectObject(b.dc(), old_font);
  gdi::BitBlt(dc, R.left, R.top, R.width(), R.height(), b.dc(), 0, 0, gdi::SRCCOPY);
}

}  // namespace skin
