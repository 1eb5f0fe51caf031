#include "skin/page_skinners.h"

#include "platform/components/graphics.h"
#include "platform/win/controls.h"
#include "skin/container_skinners.h"
#include "skin/control_painting.h"
#include "skin/draw_primitives.h"
#include "skin/value_skinners.h"

namespace skin {

// ---- button-style tabs ----

bool TSkinTabBtn::HasButtonPicture() const {
  const TDataSkinButton* b = FSkinData->FButtons.get();
  return b && !b->Image.Empty();
}

bool TSkinTabBtn::BeforeMessage(pc::TMessage& m) {
  // Without a button picture the control keeps its own painting rather than leaving its strip unpainted.
  if (m.Msg == win::WM_PAINT && HasButtonPicture()) {
    PaintOnWMPaint(*this, m);
    return false;
  }
  return TSkinControl::BeforeMessage(m);
}

void TSkinTabBtn::PaintSkin(gdi::HDC dc, const gdi::RECT& R) {
  if (!HasButtonPicture()) return;
  const TDataSkinButton& buttons = *FSkinData->FButtons;
  FEnabled = FControl ? FControl->Enabled() : win::IsWindowEnabled(FHandle);
  gdi::RECT D = R;
  win::SendMessage(FHandle, win::TCM_ADJUSTRECT, 0, reinterpret_cast<win::LPARAM>(&D));
  gdi::InflateRect(&D, 4, 4);
  const gdi::RECT S{R.left, R.top, R.right, D.top + 1};
  const int w = S.width(), h = S.height();
  if (w <= 0 || h <= 0) return;
  const int n = static_cast<int>(win::SendMessage(FHandle, win::TCM_GETITEMCOUNT, 0, 0));
  const int focus = static_cast<int>(win::SendMessage(FHandle, win::TCM_GETCURFOCUS, 0, 0));
  auto* list = reinterpret_cast<gdi::HIMAGELIST>(win::SendMessage(FHandle, win::TCM_GETIMAGELIST, 0, 0));

  SkinImage strip(gdi::Bitmap(w, h, gdi::PixelFormat::k24bit));
  SelectedBitmap b(strip.Handle());
  FillFace(b.dc(), {0, 0, w, h});
  const auto font = reinterpret_cast<gdi::HFONT>(win::SendMessage(FHandle, win::WM_GETFONT, 0, 0));
  gdi::HGDIOBJ old_font = font ? gdi::SelectObject(b.dc(), font) : nullptr;
  gdi::SetTextColor(b.dc(), 0);
  for (int i = 0; i < n; ++i) {
    char text[(kMaxCaption + 1) * 4] = {};  // UTF-8 room for the characters shown
    win::TCITEM item;
    item.mask = win::TCIF_TEXT | win::TCIF_IMAGE | win::TCIF_PARAM;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    win::SendMessage(FHandle, FUnicode ? win::TCM_GETITEMW : win::TCM_GETITEMA, static_cast<win::WPARAM>(i),
                     reinterpret_cast<win::LPARAM>(&item));
    std::u16string caption = AnsiToWide(text);
    if (caption.size() > kMaxCaption) {
      caption.resize(kMaxCaption);
      // Never half a surrogate pair.
      if (caption.back() >= 0xD800 && caption.back() < 0xDC00) caption.pop_back();
    }
    gdi::RECT T{};
    if (!win::SendMessage(FHandle, win::TCM_GETITEMRECT, static_cast<win::WPARAM>(i), reinterpret_cast<win::LPARAM>(&T)))
      continue;
    gdi::OffsetRect(&T, 0, 1);
    const int state = i == focus ? 2 : 1;
    DrawNineGrid(b.dc(), T, buttons.Image, false, buttons.Tile != 0, buttons.Trans != 0, buttons.Frame, state,
                 buttons.Margins());
    // A tab without a colour of its own keeps the one the tab before it set.
    if (state == 1 && buttons.HasNormalColour2) gdi::SetTextColor(b.dc(), gdi::resolve_color(buttons.NormalColour2));
    if (state == 2 && buttons.HasPressedColour2) gdi::SetTextColor(b.dc(), gdi::resolve_color(buttons.PressedColour2));
    DrawIconAndText(this, b.dc(), T, 1, caption, item.iImage, list);
  }
  if (old_font) gdi::SelectObject(b.dc(), old_font);
  gdi::BitBlt(dc, S.left, S.top, w, h, b.dc(), 0, 0, gdi::SRCCOPY);
}

// ---- pages ----

bool TSkinTabSheet::BeforeMessage(pc::TMessage& m) {
  const bool r = TSkinControl::BeforeMessage(m);
  if (FMode != 0) return r;
  switch (m.Msg) {
    case win::WM_PAINT:
    case win::WM_PRINT: PaintOnWMPaint(*this, m); return false;
    case win::WM_ERASEBKGND: {
      gdi::RECT c;
      win::GetClientRect(FHandle, &c);
      gdi::FillRect(reinterpret_cast<gdi::HDC>(m.WParam), &c, FSkinData->FFaceBrush);
      m.Result = 1;
      return false;
    }
    default: return r;
  }
}

void TSkinTabSheet::PaintSkin(gdi::HDC dc, const gdi::RECT& R) {
  FillFace(dc, R);
  PaintGraphicChildren(FControl, dc);
}

// ---- bare containers ----

bool TSkinBoxH::BeforeMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_ERASEBKGND: {
      gdi::RECT r;
      win::GetWindowRect(FHandle, &r);
      gdi::OffsetRect(&r, -r.left, -r.top);
      FillFace(reinterpret_cast<gdi::HDC>(m.WParam), r);
      m.Result = 0;
      return false;
    }
    case win::WM_CTLCOLORSTATIC:
      CallPrevious(m);  // the window sets the static's text colours up
      m.Result = reinterpret_cast<win::LRESULT>(FSkinData->FFaceBrush);
      return false;
    default: return TSkinControl::BeforeMessage(m);
  }
}

void TSkinSizer::PaintSkin(gdi::HDC dc, const gdi::RECT& R) { FillFace(dc, R); }

// ---- page controls with tab pictures ----

void TSkinAdvPage::HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) {
  if (FHooked) return;
  TSkinControl::HookControl(form, sd, set_color, canvas);
  ApplyTabPictures();
  FHooked = true;
  FHookState = 1;
}

void TSkinAdvPage::RefreshSkin() { ApplyTabPictures(); }

void TSkinAdvPage::PaintSkin(gdi::HDC, const gdi::RECT&) { FindUpDown(); }

void TSkinAdvPage::Unhook() {
  // Only pictures this skinner made are taken away; the control's own stay.
  if (pictures_handed_ && FControl && !FControl->Destroying())
    for (const char* name : {"TabBackGround", "TabBackGroundActive"})
      if (auto* picture = GetObjectPropByName<pc::TBitmap>(FControl, name)) picture->SetSize(0, 0);
  // The control also gets its own colours back, as every other skinned control does.
  TSkinControl::Unhook();
}

void TSkinAdvPage::ApplyTabPictures() {
  const TDataSkinBorder* tabs = FSkinData->FTabs.get();
  if (FPageKind != 4 || !tabs || !FControl) return;
  const gdi::RECT box{0, 0, kTabPictureWidth, kTabPictureHeight};
  auto hand = [&](const char* name, int frame) {
    auto* picture = GetObjectPropByName<pc::TBitmap>(FControl, name);
    if (!picture) return;
    const SkinImage made = BuildNineGridBitmap(box, tabs->Image, tabs->Margins(), false, tabs->Tile != 0, tabs->Frame, frame);
    if (const gdi::Bitmap* pixels = made.Pixels()) {
      picture->Assign(*pixels);
      pictures_handed_ = true;
    }
  };
  hand("TabBackGround", 1);
  hand("TabBackGroundActive", 2);
}

void TSkinAdvPage::FindUpDown() {
  const win::HWND arrows = win::FindWindowEx(FHandle, nullptr, "msctls_updown32", nullptr);
  if (!arrows || FUpDown) return;
  FUpDown = new TSkinUpDown(Owner());
  FUpDown->HookHandle(arrows, FSkinData, FForm, FCanvas);
}

}  // namespace skin
