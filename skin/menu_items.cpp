#include "skin/menu_items.h"

#include <map>
#include <memory>

#include "skin/draw_primitives.h"
#include "skin/foreign_classes.h"
#include "skin/form_skinner.h"
#include "skin/skin_manager.h"

namespace skin {

namespace {

// The skin data of the form skinner of `window`, while that skinner lives.
TSkinData* skin_of(win::HWND window) {
  TSkinManage* m = SkinManager();
  TFormSkinner* fs = m ? m->FindForm(window) : nullptr;
  return fs ? fs->FSkinData : nullptr;
}

// A picture of an item's size, selected into a memory DC with the menu font.
class ItemBitmap {
public:
  ItemBitmap(int w, int h) : image_(gdi::Bitmap(std::max(w, 1), std::max(h, 1), gdi::PixelFormat::k24bit)) {
    select_ = std::make_unique<SelectedBitmap>(image_.Handle());
    gdi::SelectObject(dc(), ScreenMenuFont());
  }
  gdi::HDC dc() const { return select_->dc(); }
  const SkinImage& image() const { return image_; }
  void DrawAt(gdi::HDC target, const gdi::RECT& r) const {
    gdi::BitBlt(target, r.left, r.top, r.width(), r.height(), dc(), 0, 0, gdi::SRCCOPY);
  }

private:
  SkinImage image_;
  std::unique_ptr<SelectedBitmap> select_;
};

// The background of an item: the popup skinner's picture of that menu under the item, or the menu
// colour.
void item_background(const TSkinData& sd, win::HMENU menu, const ItemBitmap& b, const gdi::RECT& r) {
  const TSkinManage* m = SkinManager();
  const SkinImage* bg = m && menu ? m->FindPopupBitmap(menu) : nullptr;
  if (bg && !bg->Empty()) {
    SelectedBitmap src(bg->Handle());
    gdi::BitBlt(b.dc(), 0, 0, r.width(), r.height(), src.dc(), r.left + 3, r.top + 3, gdi::SRCCOPY);
  } else {
    gdi::HBRUSH brush = gdi::CreateSolidBrush(gdi::resolve_color(sd.FColours[16]));
    const gdi::RECT all{0, 0, r.width(), r.height()};
    gdi::FillRect(b.dc(), &all, brush);
    gdi::DeleteObject(brush);
  }
}

void skinned_face(const TSkinData& sd, pc::TMenuItem& item, const ItemBitmap& b, const gdi::RECT& r, bool selected) {
  const TDataSkinObject& mi = *sd.FMenuItem;
  const gdi::RECT all{0, 0, r.width(), r.height()};
  DrawNineGrid(b.dc(), all, mi.Image, false, mi.Tile != 0, mi.Trans != 0, 5, selected ? 4 : 1, mi.Margins());
  DrawMenuItemContent(sd, item, b.dc(), selected, all);
}

// A tick in the button-text colour, in place of the system's check-mark bitmap.
void draw_check_mark(gdi::HDC dc, const gdi::RECT& area) {
  const int x = (area.left + area.right - 7) / 2 + 1, y = (area.top + area.bottom - 7) / 2 + 1;
  gdi::HPEN pen = gdi::CreatePen(gdi::PS_SOLID, 1, gdi::GetSysColor(gdi::COLOR_BTNTEXT));
  gdi::HGDIOBJ old = gdi::SelectObject(dc, pen);
  for (int k = 0; k < 3; ++k) {
    gdi::MoveToEx(dc, x, y + 2 + k, nullptr);
    gdi::LineTo(dc, x + 2, y + 4 + k);
    gdi::LineTo(dc, x + 7, y - 1 + k);
  }
  gdi::SelectObject(dc, old);
  gdi::DeleteObject(pen);
}

// An item whose skinner has gone draws as it would without a skin.
void plain_draw(pc::TMenuItem& item, pc::TCanvas& canvas, const gdi::RECT& r, bool selected) {
  pc::TMenuDrawItemEvent own = std::move(item.OnDrawItem);
  item.OnDrawItem = nullptr;
  item.DrawItem(canvas, r, selected);
  item.OnDrawItem = std::move(own);
}

}  // namespace

gdi::HFONT ScreenMenuFont() {
  static std::map<std::pair<std::string, int>, gdi::HFONT> cache;
  win::NONCLIENTMETRICS m;
  win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0);
  const auto key = std::make_pair(std::string(m.lfMenuFont.lfFaceName), static_cast<int>(m.lfMenuFont.lfHeight));
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  gdi::HFONT f = gdi::CreateFontIndirect(&m.lfMenuFont);
  cache.emplace(key, f);
  return f;
}

// ---- switching ----

void SetMenuItemsOwnerDraw(TFormSkinner* fs, pc::TMenuItem* item, bool on) {
  const win::HWND window = fs->FHandle;
  if (on) {
    item->OnDrawItem = [window](pc::TObject* sender, pc::TCanvas& canvas, const gdi::RECT& r, bool selected) {
      auto* it = static_cast<pc::TMenuItem*>(sender);
      if (TSkinData* sd = skin_of(window)) DrawSkinMenuItem(*sd, *it, canvas.Handle(), r, selected);
      else plain_draw(*it, canvas, r, selected);
    };
    item->OnMeasureItem = [window](pc::TObject* sender, pc::TCanvas& canvas, int& w, int& h) {
      if (TSkinData* sd = skin_of(window)) MeasureBarMenuItem(*sd, *static_cast<pc::TMenuItem*>(sender), canvas, w, h);
    };
  } else {
    item->OnDrawItem = nullptr;
  }
  for (int i = 0; i < item->Count(); ++i) SetMenuItemsOwnerDraw(fs, item->Items(i), on);
}

void SetMainMenusOwnerDraw(TFormSkinner* fs, pc::TComponent* owner, bool on) {
  const win::HWND window = fs->FHandle;
  for (int i = 0; i < owner->ComponentCount(); ++i) {
    auto* menu = dynamic_cast<pc::TMainMenu*>(owner->Components(i));
    if (!menu) continue;
    auto walk = [&](auto& self, pc::TMenuItem* item, int depth) -> void {
      if (!on) {
        item->OnDrawItem = nullptr;
        item->OnMeasureItem = nullptr;
      } else if (depth >= 2 && !item->OnDrawItem) {
        item->OnDrawItem = [window](pc::TObject* sender, pc::TCanvas& canvas, const gdi::RECT& r, bool selected) {
          if (TSkinData* sd = skin_of(window))
            DrawSkinMenuItem(*sd, *static_cast<pc::TMenuItem*>(sender), canvas.Handle(), r, selected);
          else plain_draw(*static_cast<pc::TMenuItem*>(sender), canvas, r, selected);
        };
        item->OnMeasureItem = [window](pc::TObject* sender, pc::TCanvas& canvas, int& w, int& h) {
          if (TSkinData* sd = skin_of(window)) MeasureBarMenuItem(*sd, *static_cast<pc::TMenuItem*>(sender), canvas, w, h);
        };
      }
      for (int k = 0; k < item->Count(); ++k) self(self, item->Items(k), depth + 1);
    };
    for (int k = 0; k < menu->Items().Count(); ++k) walk(walk, menu->Items().Items(k), 1);
    menu->OwnerDraw = on;
    menu->Rebuild();
  }
}

void SetPopupMenusOwnerDraw(TFormSkinner* fs, pc::TComponent* owner, bool on) {
  if (owner->ClassName() == kRichEditFormClass) return;
  const win::HWND window = fs->FHandle;
  TSkinData& sd = *fs->FSkinData;
  for (int i = 0; i < owner->ComponentCount(); ++i) {
    pc::TComponent* c = owner->Components(i);
    if (dynamic_cast<pc::TCustomForm*>(c)) {
      SetPopupMenusOwnerDraw(fs, c, on);
      continue;
    }
    auto* menu = dynamic_cast<pc::TPopupMenu*>(c);
    if (!menu || !InSet(sd.SkinControls, xcPopupMenu) || menu->Tag == sd.DisableTag) continue;
    menu->OwnerDraw = on;
    auto walk = [&](auto& self, pc::TMenuItem* item) -> void {
      if (on) {
        item->OnDrawItem = [window](pc::TObject* sender, pc::TCanvas& canvas, const gdi::RECT& r, bool selected) {
          if (TSkinData* s = skin_of(window))
            DrawSkinMenuItem(*s, *static_cast<pc::TMenuItem*>(sender), canvas.Handle(), r, selected);
          else plain_draw(*static_cast<pc::TMenuItem*>(sender), canvas, r, selected);
        };
        if (!item->OnMeasureItem)
          item->OnMeasureItem = [window](pc::TObject* sender, pc::TCanvas&, int& w, int&) {
            if (TSkinData* s = skin_of(window)) MeasurePopupItem(*s, *static_cast<pc::TMenuItem*>(sender), w);
          };
      } else {
        item->OnDrawItem = nullptr;
        item->OnMeasureItem = nullptr;
      }
      for (int k = 0; k < item->Count(); ++k) self(self, item->Items(k));
    };
    for (int k = 0; k < menu->Items().Count(); ++k) walk(walk, menu->Items().Items(k));
  }
}

// ---- measuring ----

void MeasurePopupItem(const TSkinData& sd, pc::TMenuItem& item, int& w) {
  if (sd.FMenuItem) w += sd.FMenuItem->LeftWidth;
  w += item.MenuImages() ? 12 : 35;
}

void MeasureBarMenuItem(const TSkinData& sd, pc::TMenuItem& item, pc::TCanvas& canvas, int& w, int& h) {
  pc::TMenuMeasureItemEvent own = std::move(item.OnMeasureItem);
  item.OnMeasureItem = nullptr;
  item.MeasureItem(canvas, w, h);
  item.OnMeasureItem = std::move(own);
  if (sd.FMenuItem) w += sd.FMenuItem->LeftWidth;
  w += item.MenuImages() ? 10 : 35;
}

// ---- drawing ----

void DrawSkinMenuItem(TSkinData& sd, pc::TMenuItem& item, gdi::HDC dc, const gdi::RECT& r, bool selected) {
  if (!sd.FMenuItem || sd.FMenuItem->Image.Empty()) {
    DrawFlatMenuItem(sd, item, dc, r, selected);
    return;
  }
  const win::HMENU menu = item.Parent() ? item.Parent()->Handle() : nullptr;
  if (TSkinManage* m = SkinManager()) m->AssignMenuHandle(menu);
  ItemBitmap b(r.width(), r.height());
  item_background(sd, menu, b, r);
  if (item.Caption == "-") {
    b.DrawAt(dc, r);
    DrawMenuSeparator(sd, dc, r);
    return;
  }
  skinned_face(sd, item, b, r, selected);
  b.DrawAt(dc, r);
}

void DrawFlatMenuItem(TSkinData& sd, pc::TMenuItem& item, gdi::HDC dc, const gdi::RECT& r, bool selected) {
  ItemBitmap b(r.width(), r.height());
  const gdi::RECT all{0, 0, r.width(), r.height()};
  gdi::HBRUSH brush = gdi::CreateSolidBrush(gdi::resolve_color(sd.FColours[selected ? 12 : 16]));
  gdi::FillRect(b.dc(), &all, brush);
  gdi::DeleteObject(brush);
  DrawMenuItemContent(sd, item, b.dc(), selected, all);
  b.DrawAt(dc, r);
}

void DrawRawMenuItem(TSkinData& sd, win::HMENU menu, win::UINT id, gdi::HDC dc, const gdi::RECT& r, bool selected) {
  pc::TMenuItem item(nullptr);
  char text[81] = {};
  win::GetMenuString(menu, id, text, 80, win::MF_BYCOMMAND);
  item.Caption = text[0] ? text : "-";
  const win::UINT state = win::GetMenuState(menu, id, win::MF_BYCOMMAND);
  item.Enabled = !(state & win::MF_GRAYED);
  item.Checked = (state & win::MF_CHECKED) != 0;
  if (!sd.FMenuItem || sd.FMenuItem->Image.Empty()) {
    DrawFlatMenuItem(sd, item, dc, r, selected);
    return;
  }
  ItemBitmap b(r.width(), r.height());
  item_background(sd, menu, b, r);
  skinned_face(sd, item, b, r, selected);
  b.DrawAt(dc, r);
}

void DrawMenuItemContent(const TSkinData& sd, pc::TMenuItem& item, gdi::HDC dc, bool selected, const gdi::RECT& r) {
  const std::u16string caption = AnsiToWide(item.Caption);
  pc::TImageList* images = item.MenuImages();
  int g = images ? images->Width() : 16;
  if (item.Checked) g = std::max(g, 16);
  const bool separator = item.Caption == "-";
  const int left_margin = sd.FMenuItem ? sd.FMenuItem->LeftWidth : 0;
  gdi::RECT glyph{r.left + 1 + left_margin, r.top + 1, r.left + 1 + left_margin, r.top + 1};
  if (!separator) {
    glyph.right += g;
    glyph.bottom += g;
  }
  if (images && item.ImageIndex >= 0 && item.ImageIndex < images->Count()) {
    if (item.Checked) {
      // The pattern of button face and highlight behind a checked image, in a sunken edge.
      gdi::Bitmap pattern(8, 8, gdi::PixelFormat::k24bit);
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
          pattern.set_pixel(x, y, gdi::pixel_from_colorref(gdi::GetSysColor((x + y) % 2 ? gdi::COLOR_BTNHIGHLIGHT : gdi::COLOR_BTNFACE)));
      SkinImage p(std::move(pattern));
      gdi::HBRUSH brush = gdi::CreatePatternBrush(p.Handle());
      gdi::FillRect(dc, &glyph, brush);
      gdi::DeleteObject(brush);
      const int top = r.top + (r.height() - 16) / 2;
      glyph.bottom += top - glyph.top;
      glyph.top = top;
      gdi::RECT edge = glyph;
      gdi::DrawEdge(dc, &edge, gdi::BDR_SUNKENOUTER, gdi::BF_RECT);
    } else {
      const int top = r.top + (r.height() - images->Height()) / 2;
      glyph.bottom += top - glyph.top;
      glyph.top = top;
    }
    pc::TCanvas canvas;
    canvas.SetHandle(dc);
    images->Draw(canvas, glyph.left, glyph.top, item.ImageIndex, item.Enabled);
    canvas.SetHandle(nullptr);
  } else if (item.Checked && !separator) {
    draw_check_mark(dc, glyph);
  }
  gdi::RECT text{glyph.right + 3, r.top, r.right - 1, r.bottom};
  gdi::RECT m = text;
  DrawMenuText(sd, item, dc, gdi::DT_CALCRECT | gdi::DT_NOCLIP | gdi::DT_EXPANDTABS | gdi::DT_SINGLELINE, selected, m,
               caption);
  const int h = m.height();
  m = {text.left, r.top + (r.height() - h) / 2, text.right, r.top + (r.height() - h) / 2 + h};
  DrawMenuText(sd, item, dc, gdi::DT_EXPANDTABS | gdi::DT_SINGLELINE, selected, m, caption);
  if (const std::string keys = pc::ShortCutToText(item.ShortCut); !keys.empty()) {
    gdi::RECT k{text.left, m.top, text.right - 10, m.bottom};
    DrawMenuText(sd, item, dc, gdi::DT_RIGHT | gdi::DT_EXPANDTABS | gdi::DT_SINGLELINE, selected, k, AnsiToWide(keys));
  }
}

void DrawMenuText(const TSkinData& sd, const pc::TMenuItem& item, gdi::HDC dc, win::UINT flags, bool selected,
                  gdi::RECT& r, std::u16string text) {
  const bool measuring = flags & gdi::DT_CALCRECT;
  if (measuring && (text.empty() || text == u"&")) text += u" ";
  if (text == u"-") {
    if (!measuring) {
      gdi::RECT line = r;
      gdi::OffsetRect(&line, 0, 4);
      gdi::DrawEdge(dc, &line, gdi::EDGE_ETCHED, gdi::BF_TOP);
    }
    return;
  }
  gdi::SetBkMode(dc, gdi::TRANSPARENT);
  gdi::HFONT bold = nullptr;
  gdi::HGDIOBJ old_font = nullptr;
  if (item.Default) {
    gdi::LOGFONT lf;
    gdi::GetObject(gdi::GetCurrentObject(dc, gdi::OBJ_FONT), sizeof(lf), &lf);
    lf.lfWeight = 700;
    bold = gdi::CreateFontIndirect(&lf);
    old_font = gdi::SelectObject(dc, bold);
  }
  gdi::COLORREF ink;
  if (item.Enabled) {
    ink = sd.FColours[selected ? 11 : 15];
  } else {
    ink = sd.FColours[7] == sd.FColours[15] ? gdi::GetSysColor(gdi::COLOR_BTNSHADOW) : sd.FColours[7];
  }
  gdi::SetTextColor(dc, gdi::resolve_color(ink));
  DrawTextWide(dc, text, &r, flags);
  if (bold) {
    gdi::SelectObject(dc, old_font);
    gdi::DeleteObject(bold);
  }
}

void DrawMenuSeparator(const TSkinData& sd, gdi::HDC dc, const gdi::RECT& r) {
  const TDataSkinObject& mi = *sd.FMenuItem;
  const gdi::RECT frame = FrameRect(mi.Image, 5, 2);
  const int fw = frame.width(), bh = frame.height(), ih = r.height();
  // An item lower than the frame takes the frame's bottom rows.
  const int sy = ih < bh ? frame.top + bh - ih : frame.top, sh = ih < bh ? ih : bh;
  const int lw = std::min(mi.LeftWidth, fw), rw = std::min(mi.RightWidth, fw - lw);
  SkinImage piece(gdi::Bitmap(std::max(r.width(), 1), std::max(ih, 1), gdi::PixelFormat::k24bit));
  {
    SelectedBitmap src(mi.Image.Handle()), dst(piece.Handle());
    gdi::SetStretchBltMode(dst.dc(), gdi::COLORONCOLOR);
    gdi::StretchBlt(dst.dc(), 0, 0, lw, ih, src.dc(), frame.left, sy, lw, sh, gdi::SRCCOPY);
    gdi::StretchBlt(dst.dc(), r.width() - rw, 0, rw, ih, src.dc(), frame.right - rw, sy, rw, sh, gdi::SRCCOPY);
    gdi::StretchBlt(dst.dc(), lw, 0, r.width() - lw - rw, ih, src.dc(), frame.left + lw, sy, fw - lw - rw, sh,
                    gdi::SRCCOPY);
  }
  DrawTransparentBitmap(dc, r, piece, 0xFF00FF);
}

}  // namespace skin
