#include "skin/list_skinners.h"

#include <algorithm>

#include "platform/components/ext_ctrls.h"
#include "skin/control_painting.h"
#include "skin/draw_primitives.h"

namespace skin {

// ---- header ----

void TSkinHeader::HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) {
  TSkinControl::HookControl(form, sd, set_color, canvas);
  FHotItem = -1;
}

void TSkinHeader::HookHandle(win::HWND handle, TSkinData* sd, TFormSkinner* form, pc::TCanvas* canvas) {
  TSkinControl::HookHandle(handle, sd, form, canvas);
  FHotItem = -1;
}

bool TSkinHeader::HasPicture() const { return FSkinData->FHeaderbar && !FSkinData->FHeaderbar->Image.Empty(); }

bool TSkinHeader::BeforeMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_PAINT:
      // Without a header picture the header paints itself.
      if (!HasPicture()) return true;
      PaintOnWMPaint(*this, m);
      return false;
    case win::WM_ERASEBKGND:
      if (!HasPicture()) return true;
      m.Result = 1;
      return false;
    default: return TSkinControl::BeforeMessage(m);
  }
}

void TSkinHeader::AfterMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_MOUSEMOVE: TrackHotItem(m); break;
    case win::WM_MOUSELEAVE:
      FHotItem = -1;
      Redraw();
      break;
    default: TSkinControl::AfterMessage(m); break;
  }
}

void TSkinHeader::TrackHotItem(const pc::TMessage& m) {
  const gdi::POINT p{win::GET_X_LPARAM(m.LParam), win::GET_Y_LPARAM(m.LParam)};
  for (std::size_t i = 0; i < FItemRects.size(); ++i)
    if (gdi::PtInRect(&FItemRects[i], p) && static_cast<int>(i) != FHotItem) {
      FHotItem = static_cast<int>(i);
      Redraw();
      break;
    }
  TrackMouseLeave(FHandle);
}

void TSkinHeader::PaintSkin(gdi::HDC dc, const gdi::RECT& R) {
  if (!HasPicture() || R.width() <= 0 || R.height() <= 0) return;
  const TDataSkinObject& bar = *FSkinData->FHeaderbar;
  SkinImage work = FilledPicture(R.width(), R.height(), gdi::resolve_color(FSkinData->FColours[3]));
  SelectedBitmap b(work.Handle());
  const auto font = reinterpret_cast<gdi::HFONT>(win::SendMessage(FHandle, win::WM_GETFONT, 0, 0));
  const gdi::HGDIOBJ old_font = font ? gdi::SelectObject(b.dc(), font) : nullptr;
  FEnabled = true;
  gdi::SetBkMode(b.dc(), gdi::TRANSPARENT);
  const auto images = reinterpret_cast<gdi::HIMAGELIST>(win::SendMessage(FHandle, win::HDM_GETIMAGELIST, 0, 0));
  const int n = std::max(0, static_cast<int>(win::SendMessage(FHandle, win::HDM_GETITEMCOUNT, 0, 0)));
  FItemRects.assign(static_cast<std::size_t>(n), gdi::RECT{});
  int right = 0;
  for (int i = 0; i < n; ++i) {
    gdi::RECT r{};
    if (!win::SendMessage(FHandle, win::HDM_GETITEMRECT, static_cast<win::WPARAM>(i), reinterpret_cast<win::LPARAM>(&r)))
      continue;
    DrawItem(images, b.dc(), i, r);
    gdi::RECT hot = r;
    gdi::InflateRect(&hot, -3, 0);
    FItemRects[static_cast<std::size_t>(i)] = hot;
    right = std::max(right, r.right);
  }
  if (right < R.right) {
    const gdi::RECT rest{right, R.top, R.right, R.bottom};
    SkinImage face = BuildNineGridBitmap(rest, bar.Image, bar.Margins(), false, bar.Tile != 0, bar.Frame, 1);
    if (!face.Empty()) {
      SelectedBitmap f(face.Handle());
      gdi::BitBlt(b.dc(), rest.left, rest.top, rest.width(), rest.height(), f.dc(), 0, 0, gdi::SRCCOPY);
    }
  }
  gdi::BitBlt(dc, R.left, R.top, R.width(), R.height(), b.dc(), 0, 0, gdi::SRCCOPY);
  if (old_font) gdi::SelectObject(b.dc(), old_font);
}

void TSkinHeader::DrawItem(gdi::HIMAGELIST images, gdi::HDC dc, int i, const gdi::RECT& r) {
  if (r.width() <= 0 || r.height() <= 0) return;
  char text[201] = {};
  win::HDITEM item;
  item.mask = win::HDI_TEXT | win::HDI_FORMAT | win::HDI_IMAGE;
  item.pszText = text;
  item.cchTextMax = 200;
  win::SendMessage(FHandle, win::HDM_GETITEMW, static_cast<win::WPARAM>(i), reinterpret_cast<win::LPARAM>(&item));
  const TDataSkinObject& bar = *FSkinData->FHeaderbar;
  SkinImage picture =
      BuildNineGridBitmap(r, bar.Image, bar.Margins(), false, bar.Tile != 0, bar.Frame, i == FHotItem ? 2 : 1);
  if (picture.Empty()) return;
  SelectedBitmap p(picture.Handle());
  const std::u16string caption = AnsiToWide(text);
  if (!caption.empty()) {
    const int low = item.fmt & 0xFF;
    const int alignment = low == win::HDF_RIGHT ? 2 : low == win::HDF_CENTER ? 1 : 0;
    const int image = (item.fmt & (win::HDF_IMAGE | win::HDF_OWNERDRAW)) ? item.iImage : -1;
    const gdi::HGDIOBJ font = gdi::GetCurrentObject(dc, gdi::OBJ_FONT);
    const gdi::HGDIOBJ old = gdi::SelectObject(p.dc(), font);
    DrawItemContent(p.dc(), {0, 0, r.width(), r.height()}, alignment, caption, image, images);
    gdi::SelectObject(p.dc(), old);
  }
  gdi::BitBlt(dc, r.left, r.top, r.width(), r.height(), p.dc(), 0, 0, gdi::SRCCOPY);
}

void TSkinHeader::DrawItemContent(gdi::HDC dc, const gdi::RECT& r, int alignment, std::u16string_view text, int image,
                                  gdi::HIMAGELIST images) {
  int cx = 0, cy = 0;
  if (images) gdi::ImageList_GetIconSize(images, &cx, &cy);
  const bool icon = image != -1 && images && cx < r.width();
  if (!icon) cx = 0;
  const win::UINT flags = gdi::DT_END_ELLIPSIS | gdi::DT_EXPANDTABS;
  gdi::RECT t = r;
  if (images && image != -1) t.right += cx + 2;
  int tw = 0, th = 0;
  if (!text.empty()) {
    DrawTextWide(dc, text, &t, flags | gdi::DT_CALCRECT | gdi::DT_NOCLIP);
    tw = t.width();
    th = t.height();
  }
  int o = 3;
  if (alignment == 1) o = (r.width() - cx - tw) / 2;
  else if (alignment == 2) o = r.width() - cx - tw - 2;
  if (o < 2) o = 1;
  // The icon's width stands for its height too.
  if (icon) gdi::ImageList_Draw(images, image, dc, r.left + o, r.top + (r.height() - cx) / 2, gdi::ILD_TRANSPARENT);
  if (text.empty()) return;
  gdi::RECT box{r.left + o + cx, r.top + (r.height() - th) / 2, 0, 0};
  box.right = std::min(box.left + tw, r.right);
  box.bottom = box.top + th;
  box.left = std::max(box.left, r.left);
  gdi::SetBkMode(dc, gdi::TRANSPARENT);
  if (FSkinData->FColourGiven[0]) gdi::SetTextColor(dc, gdi::resolve_color(FSkinData->FColours[0]));
  DrawTextWide(dc, text, &box, BiDiFlags(this, flags));
}

// ---- list view ----

TSkinListView::~TSkinListView() {
  delete FHeader;
  FHeader = nullptr;
}

void TSkinListView::Notification(pc::TComponent* c, pc::TOperation op) {
  if (op == pc::TOperation::opRemove && c == FHeader) FHeader = nullptr;
  TSkinScrollbar::Notification(c, op);
}

void TSkinListView::HookScrollControl(pc::TControl* control, TSkinData* sd, TFormSkinner* form, pc::TCanvas* canvas) {
  TSkinScrollbar::HookScrollControl(control, sd, form, canvas);
  const auto header = reinterpret_cast<win::HWND>(win::SendMessage(FHandle, win::LVM_GETHEADER, 0, 0));
  if (!header) return;
  FHeader = new TSkinHeader(Owner());
  FHeader->FreeNotification(this);
  FHeader->HookHandle(header, sd, form, canvas);
}

// ---- check list ----

int CheckListFrame(int state, int strip_frames) {
  const int s = state == 1 ? 2 : state == 2 ? 4 : 1;
  if (strip_frames == 12 && s == 2) return 5;
  if (strip_frames == 12 && s == 4) return 8;
  return s;
}

bool TSkinCheckList::BeforeMessage(pc::TMessage& m) {
  if (m.Msg != pc::CN_DRAWITEM) return TSkinScrollbar::BeforeMessage(m);
  // Without a check strip in the skin the list draws its items itself.
  const TDataSkinButton* b = FSkinData->FButtons.get();
  if (!b || b->CheckButton.Empty() || !m.LParam) {
    FMode = 0;
    return true;
  }
  DrawListItem(*reinterpret_cast<const win::DRAWITEMSTRUCT*>(m.LParam));
  m.Result = win::TRUE;
  return false;
}

void TSkinCheckList::DrawListItem(const win::DRAWITEMSTRUCT& item) {
  gdi::HDC dc = item.hDC;
  const int saved = gdi::SaveDC(dc);
  if (const auto font = reinterpret_cast<gdi::HFONT>(win::SendMessage(FHandle, win::WM_GETFONT, 0, 0)))
    gdi::SelectObject(dc, font);
  gdi::COLORREF brush = pc::ColorToRGB(FControl ? FControl->Color() : pc::clWindow);
  gdi::COLORREF ink = pc::ColorToRGB(FControl ? FControl->Font.Color() : pc::clWindowText);
  const int index = static_cast<int>(item.itemID);
  if (index >= 0 && (item.itemState & win::ODS_SELECTED)) {
    brush = gdi::GetSysColor(gdi::COLOR_HIGHLIGHT);
    ink = gdi::GetSysColor(gdi::COLOR_HIGHLIGHTTEXT);
  }
  gdi::SetTextColor(dc, ink);
  gdi::SetBkColor(dc, brush);
  if (index < 0) FillRectColor(dc, item.rcItem, brush);
  else DrawCheckItem(dc, index, item.itemState, item.rcItem);
  gdi::RestoreDC(dc, saved);
}

void TSkinCheckList::DrawCheckItem(gdi::HDC dc, int index, unsigned state, const gdi::RECT& R) {
  const TDataSkinButton* b = FSkinData->FButtons.get();
  auto* list = dynamic_cast<pc::TCheckListBox*>(FControl);
  if (!b || b->CheckButton.Empty()) {
    FMode = 0;
    return;
  }
  if (!list || index >= list->Items().Count()) return;
  const gdi::COLORREF brush = gdi::GetBkColor(dc);
  if (list->Header(index)) {
    // A header line: its own colours, no box, no focus rectangle.
    FillRectColor(dc, R, pc::ColorToRGB(list->HeaderBackgroundColor));
    gdi::RECT t = R;
    t.left += 2;
    gdi::SetBkMode(dc, gdi::TRANSPARENT);
    gdi::SetTextColor(dc, pc::ColorToRGB(list->HeaderColor));
    DrawTextWide(dc, AnsiToWide(list->Items()[index]), &t, gdi::DT_SINGLELINE | gdi::DT_VCENTER | gdi::DT_NOPREFIX);
    return;
  }
  const int frames = std::max(1, b->CheckButtonFrame);
  const int fw = b->CheckButton.Width() / frames, fh = b->CheckButton.Height();
  gdi::RECT box{0, R.top + (R.height() - fh) / 2, 0, 0};
  box.bottom = box.top + fh;
  const bool enabled = list->Enabled() && list->ItemEnabled(index);
  const bool rtl = RightToLeft();
  gdi::RECT text = R;
  win::UINT flags = 0;
  if (rtl) {
    box.left = R.right - fw;
    box.right = R.right;
    text.right = box.left - 2;
    flags = gdi::DT_RTLREADING | gdi::DT_RIGHT;
  } else {
    box.left = R.left + 2;
    box.right = box.left + fw;
    text.left = box.right + 2;
  }
  flags |= gdi::DT_EXPANDTABS | gdi::DT_WORDBREAK;
  const int check = list->State(index) == pc::TCheckBoxState::cbChecked ? 1 : list->State(index) == pc::TCheckBoxState::cbGrayed ? 2 : 0;
  DrawKeyedFrame(dc, box, frames, CheckListFrame(check, frames), b->CheckButton);
  FillRectColor(dc, text, brush);
  if (!enabled) gdi::SetTextColor(dc, gdi::GetSysColor(gdi::COLOR_GRAYTEXT));
  const std::u16string caption = AnsiToWide(list->Items()[index]);
  gdi::RECT measured = text;
  DrawTextWide(dc, caption, &measured, flags | gdi::DT_CALCRECT | gdi::DT_NOCLIP);
  gdi::RECT moved = text;
  gdi::OffsetRect(&moved, 0, (text.height() - measured.height()) / 2);
  gdi::SetBkMode(dc, gdi::TRANSPARENT);
  DrawTextWide(dc, caption, &moved, flags);
  if (state & win::ODS_FOCUS) gdi::DrawFocusRect(dc, &text);
}

}  // namespace skin
