#include "skin/media_player.h"

#include "skin/control_painting.h"
#include "skin/draw_primitives.h"
#include "skin/form_skinner.h"

namespace skin {

namespace {

constexpr const char* kMPButtonNames[kMPButtonKinds] = {"btPlay", "btPause", "btStop", "btNext", "btPrev",
                                                        "btStep", "btBack", "btRecord", "btEject"};
// Pixels of this colour in a glyph show the face behind it.
constexpr gdi::COLORREF kGlyphBackground = 32896;

// A set property's text ("[btPlay,btStop]"); a player without the property shows an empty set.
std::string set_text(const pc::TControl* player, std::string_view name) {
  if (!player || !pc::IsPublishedProp(player, name)) return {};
  return pc::GetStrProp(player, name);
}

bool in_set(const std::string& set, const char* name) {
  for (std::size_t at = set.find(name); at != std::string::npos; at = set.find(name, at + 1)) {
    const std::size_t end = at + std::string_view(name).size();
    // Whole identifiers only ("btStep" is not "btSte").
    if (end == set.size() || set[end] == ',' || set[end] == ']' || set[end] == ' ') return true;
  }
  return false;
}

}  // namespace

TWMediaPlayer::TWMediaPlayer(pc::TComponent* owner) : pc::TCustomControl(owner) {
  // The program holds no bitmaps of its own for the player's buttons, so every glyph stays empty and
  // the buttons show their faces alone.
  for (Button& b : FMPButtons)
    for (auto*& g : b.glyphs) g = new pc::TBitmap();
}

TWMediaPlayer::~TWMediaPlayer() {
  for (Button& b : FMPButtons)
    for (auto*& g : b.glyphs) {
      delete g;
      g = nullptr;
    }
}

void TWMediaPlayer::AttachTo(TSkinMP* skinner, pc::TControl* player) {
  FPlayer = player;
  FSkinner = skinner;
  FSkinData = skinner->FSkinData;
  Tag = FSkinData->DisableTag;
  CopyBounds(player);
  SetParent(player->Parent());
}

void TWMediaPlayer::CopyBounds(pc::TControl* player) {
  SetBounds(player->Left(), player->Top(), player->Width(), player->Height());
}

int TWMediaPlayer::HitTest(int x) const {
  int s = 0;
  for (int k = 0; k < kMPButtonKinds; ++k) {
    if (!FMPButtons[static_cast<std::size_t>(k)].visible) continue;
    if (s <= x && x <= s + FButtonWidth) return k;
    s += FButtonWidth;
  }
  return kMPNoButton;
}

void TWMediaPlayer::WndProc(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_ERASEBKGND: m.Result = 1; return;
    case win::WM_PAINT: PaintMessage(Handle(), m, [this](gdi::HDC dc) { Paint(dc); }); return;
    case win::WM_LBUTTONDOWN:
      FMouseDown = true;
      pc::TCustomControl::WndProc(m);
      if (auto* w = dynamic_cast<pc::TWinControl*>(FPlayer)) win::SendMessage(w->Handle(), m.Msg, m.WParam, m.LParam);
      win::ReleaseCapture();
      FHitButton = HitTest(win::GET_X_LPARAM(m.LParam));
      FDownButton = FHitButton;
      Invalidate();
      return;
    case win::WM_LBUTTONUP:
      FMouseDown = false;
      pc::TCustomControl::WndProc(m);
      FHitButton = HitTest(win::GET_X_LPARAM(m.LParam));
      if (FHitButton == FDownButton)
        if (auto* w = dynamic_cast<pc::TWinControl*>(FPlayer)) win::SendMessage(w->Handle(), m.Msg, m.WParam, m.LParam);
      FDownButton = FHitButton;
      Invalidate();
      return;
    default: pc::TCustomControl::WndProc(m); return;
  }
}

void TWMediaPlayer::Paint(gdi::HDC dc) {
  const std::string visible = set_text(FPlayer, "VisibleButtons"), enabled = set_text(FPlayer, "EnabledButtons"),
                    coloured = set_text(FPlayer, "ColoredButtons");
  FVisibleCount = 0;
  for (int k = 0; k < kMPButtonKinds; ++k) {
    Button& b = FMPButtons[static_cast<std::size_t>(k)];
    b.visible = in_set(visible, kMPButtonNames[k]);
    b.enabled = in_set(enabled, kMPButtonNames[k]);
    b.coloured = in_set(coloured, kMPButtonNames[k]);
    FVisibleCount += b.visible;
  }
  const gdi::COLORREF face = gdi::resolve_color(FSkinData->FColours[3]);
  const int w = Width(), h = Height();
  if (FVisibleCount == 0) {
    FillRectColor(dc, {0, 0, w, h}, face);
    return;
  }
  FButtonWidth = w / FVisibleCount;
  SkinImage picture(gdi::Bitmap(std::max(1, w), std::max(1, h), gdi::PixelFormat::k24bit, gdi::pixel_from_colorref(face)));
  {
    SelectedBitmap b(picture.Handle());
    int x = 0;
    for (int k = 0; k < kMPButtonKinds; ++k) {
      if (!FMPButtons[static_cast<std::size_t>(k)].visible) continue;
      DrawMPButton(b.dc(), k, {x, 0, x + FButtonWidth, h});
      x += FButtonWidth;
    }
  }
  SelectedBitmap from(picture.Handle());
  gdi::BitBlt(dc, 0, 0, w, h, from.dc(), 0, 0, gdi::SRCCOPY);
}

void TWMediaPlayer::DrawMPButton(gdi::HDC dc, int kind, const gdi::RECT& r) {
  const Button& b = FMPButtons[static_cast<std::size_t>(kind)];
  const int state = b.enabled ? (b.coloured ? 2 : 0) : 1;
  int frame = FMouseDown && kind == FDownButton ? 2 : 1;
  if (!b.enabled) frame = 3;
  if (const TDataSkinButton* faces = FSkinData->FButtons.get())
    DrawNineGrid(dc, r, faces->Image, false, faces->Tile != 0, faces->Trans != 0, faces->Frame, frame, faces->Margins());
  const pc::TBitmap* g = b.glyphs[static_cast<std::size_t>(state)];
  const gdi::Bitmap* pixels = g && !g->Empty() ? gdi::GetBitmapPixels(g->Handle()) : nullptr;
  if (!pixels) return;
  int x = (r.width() - g->Width()) / 2, y = (r.height() - g->Height()) / 2;
  if (frame == 2) ++x, ++y;
  // The glyph with its background colour replaced by the face colour.
  gdi::Bitmap copy = *pixels;
  const gdi::Pixel behind = gdi::pixel_from_colorref(gdi::resolve_color(FSkinData->FColours[3]));
  for (int py = 0; py < copy.height(); ++py)
    for (int px = 0; px < copy.width(); ++px)
      if (copy.pixel(px, py) == gdi::pixel_from_colorref(kGlyphBackground)) copy.set_pixel(px, py, behind);
  SkinImage glyph(std::move(copy));
  SelectedBitmap from(glyph.Handle());
  gdi::BitBlt(dc, r.left + x, y, glyph.Width(), glyph.Height(), from.dc(), 0, 0, gdi::SRCCOPY);
}

// ---- the skinner ----

TSkinMP::~TSkinMP() {
  if (FOverlay) FOverlay->RemoveFreeNotification(this);
}

void TSkinMP::Notification(pc::TComponent* c, pc::TOperation op) {
  if (op == pc::TOperation::opRemove && c == FOverlay) FOverlay = nullptr;
  TSkinControl::Notification(c, op);
}

void TSkinMP::HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) {
  TSkinControl::HookControl(form, sd, set_color, canvas);
  if (!FControl || FOverlay) return;
  FOverlay = new TWMediaPlayer(form);
  FOverlay->FreeNotification(this);
  FOverlay->AttachTo(this, FControl);
  FOverlay->SetVisible(FControl->Visible());
}

void TSkinMP::AfterMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_WINDOWPOSCHANGED:
      if (FOverlay) FOverlay->CopyBounds(FControl);
      break;
    case pc::CM_VISIBLECHANGED:
      if (FOverlay) FOverlay->SetVisible(FControl->Visible());
      break;
    default: TSkinControl::AfterMessage(m); break;
  }
}

void TSkinMP::Unhook() {
  TSkinControl::Unhook();
  if (FHookState != 6 && FOverlay) {
    TWMediaPlayer* overlay = FOverlay;
    FOverlay = nullptr;
    overlay->RemoveFreeNotification(this);
    delete overlay;
  }
}

}  // namespace skin
