#include "platform/components/ext_ctrls.h"

#include <algorithm>

namespace platform::components {

using namespace platform::win;

namespace {

void fill(HDC dc, const RECT& r, COLORREF c) {
  gdi::HBRUSH b = gdi::CreateSolidBrush(c);
  gdi::FillRect(dc, &r, b);
  gdi::DeleteObject(b);
}

}  // namespace

// ---- TSpeedButton ----
TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {
  width_ = 23;
  height_ = 22;
  PublishBool("Down", [this] { return down_; }, [this](bool v) { SetDown(v); });
  PublishBool("Flat", [this] { return Flat; }, [this](bool v) { Flat = v; Invalidate(); });
  PublishInt("GroupIndex", [this] { return GroupIndex; }, [this](std::int64_t v) { GroupIndex = static_cast<int>(v); });
  PublishBool("AllowAllUp", [this] { return AllowAllUp; }, [this](bool v) { AllowAllUp = v; });
  PublishObject("Glyph", [this] { return &Glyph; });
  PublishInt("NumGlyphs", [this] { return NumGlyphs; }, [this](std::int64_t v) { NumGlyphs = static_cast<int>(v); });
  PublishInt("Margin", [this] { return Margin; }, [this](std::int64_t v) { Margin = static_cast<int>(v); });
  PublishInt("Spacing", [this] { return Spacing; }, [this](std::int64_t v) { Spacing = static_cast<int>(v); });
  PublishEnum("Layout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"},
              [this] { return static_cast<int>(Layout); }, [this](int v) { Layout = static_cast<TButtonLayout>(v); });
}

void TSpeedButton::SetDown(bool down) {
  // A button outside a group cannot stay down.
  if (GroupIndex == 0) down = false;
  if (down == down_) return;
  down_ = down;
  if (down && parent_)
    for (int i = 0; i < parent_->ControlCount(); ++i)
      if (auto* other = dynamic_cast<TSpeedButton*>(parent_->Controls(i));
          other && other != this && other->GroupIndex == GroupIndex && other->down_) {
        other->down_ = false;
        other->Invalidate();
      }
  Invalidate();
}

void TSpeedButton::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_MOUSEENTER:
      hot_ = true;
      Invalidate();
      break;
    case CM_MOUSELEAVE:
      hot_ = false;
      Invalidate();
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (enabled_) {
        pressed_ = true;
        Invalidate();
      }
      break;
    case WM_LBUTTONUP:
      if (pressed_) {
        pressed_ = false;
        const int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
        // A release over the button changes its group state before OnClick runs.
        if (enabled_ && x >= 0 && y >= 0 && x < width_ && y < height_ && GroupIndex != 0) {
          if (!down_) SetDown(true);
          else if (AllowAllUp) {
            down_ = false;
            Invalidate();
          }
        }
        Invalidate();
      }
      break;
    default:
      break;
  }
  TGraphicControl::WndProc(m);
}

void TSpeedButton::Paint() {
  HDC dc = Canvas.Handle();
  if (!dc) return;
  RECT r{0, 0, width_, height_};
  fill(dc, r, ColorToRGB(color_));
  const bool sunken = down_ || pressed_;
  // A flat button shows its edge only under the mouse or while down.
  if (!Flat || hot_ || sunken) gdi::DrawEdge(dc, &r, sunken ? gdi::EDGE_SUNKEN : gdi::EDGE_RAISED, gdi::BF_RECT | gdi::BF_ADJUST);
  int x = r.left, y = r.top;
  if (sunken) {
    ++x;
    ++y;
  }
  int gw = 0;
  if (!Glyph.Empty()) {
    const int n = std::max(1, NumGlyphs);
    gw = Glyph.Width() / n;
    const int frame = !enabled_ && n > 1 ? 1 : (down_ && n > 3 ? 3 : 0);
    gdi::BitBlt(dc, x + 2, y + (r.bottom - r.top - Glyph.Height()) / 2, gw, Glyph.Height(), Glyph.Canvas().Handle(),
                frame * gw, 0, gdi::SRCCOPY);
    gw += 4;
  }
  const std::string caption = GetText();
  if (!caption.empty()) {
    gdi::SetBkMode(dc, gdi::TRANSPARENT);
    gdi::SetTextColor(dc, enabled_ ? ColorToRGB(Font.Color()) : gdi::GetSysColor(gdi::COLOR_GRAYTEXT));
    RECT t{x + gw, y, r.right + (sunken ? 1 : 0), r.bottom + (sunken ? 1 : 0)};
    gdi::DrawText(dc, caption, &t, gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE);
  }
}

// ---- TRadioButton ----
TRadioButton::TRadioButton(TComponent* owner) : TWinControl(owner) {
  width_ = 113;
  height_ = 17;
  PublishBool("Checked", [this] { return Checked(); }, [this](bool v) { SetChecked(v); });
  PublishEnum("Alignment", {"taLeftJustify", "taRightJustify"}, [this] { return static_cast<int>(Alignment); },
              [this](int v) { Alignment = static_cast<TLeftRight>(v); });
}

void TRadioButton::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.class_name = "Button";
  p.style |= BS_RADIOBUTTON;
  if (Alignment == TLeftRight::taLeftJustify) p.style |= BS_LEFTTEXT;
}

void TRadioButton::CreateWnd() { SendMessage(Handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0); }
void TRadioButton::DestroyWnd() { checked_ = Checked(); }

bool TRadioButton::Checked() const {
  auto* self = const_cast<TRadioButton*>(this);
  if (HandleAllocated()) return SendMessage(self->Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
  return checked_;
}

void TRadioButton::SetChecked(bool c) {
  checked_ = c;
  if (HandleAllocated()) from_code([&] { SendMessage(Handle(), BM_SETCHECK, c ? BST_CHECKED : BST_UNCHECKED, 0); });
  if (c) uncheck_siblings();
}

void TRadioButton::uncheck_siblings() {
  if (!parent_) return;
  for (int i = 0; i < parent_->ControlCount(); ++i)
    if (auto* other = dynamic_cast<TRadioButton*>(parent_->Controls(i)); other && other != this && other->Checked())
      other->SetChecked(false);
}

void TRadioButton::WndProc(TMessage& m) {
  // A message sent to the window itself (BM_SETCHECK from anyone) keeps the siblings in step.
  if (m.Msg == BM_SETCHECK && m.WParam == BST_CHECKED) {
    TWinControl::WndProc(m);
    checked_ = true;
    uncheck_siblings();
    return;
  }
  if (m.Msg == CN_COMMAND) {
    if (HIWORD(m.WParam) == BN_CLICKED && !updating()) {
      if (!Checked()) SetChecked(true);
      Click();
    }
    return;
  }
  TWinControl::WndProc(m);
}

// ---- TRadioGroup ----
TRadioGroup::TRadioGroup(TComponent* owner) : TGroupBox(owner) {
  items_.OnChange = [this](TObject*) { rebuild(); };
  PublishObject("Items", [this] { return &items_; });
  PublishInt("ItemIndex", [this] { return item_index_; }, [this](std::int64_t v) { SetItemIndex(static_cast<int>(v)); });
  PublishInt("Columns", [this] { return columns_; }, [this](std::int64_t v) { SetColumns(static_cast<int>(v)); });
}

void TRadioGroup::SetItemIndex(int i) {
  if (i < -1 || i >= static_cast<int>(buttons_.size())) i = -1;
  item_index_ = i;
  for (std::size_t k = 0; k < buttons_.size(); ++k) buttons_[k]->SetChecked(static_cast<int>(k) == i);
}

void TRadioGroup::SetColumns(int n) {
  columns_ = std::clamp(n, 1, 16);
  arrange();
}

void TRadioGroup::SetBounds(int left, int top, int width, int height) {
  TGroupBox::SetBounds(left, top, width, height);
  arrange();
}

void TRadioGroup::rebuild() {
  for (TRadioButton* b : buttons_) delete b;
  buttons_.clear();
  for (int i = 0; i < items_.Count(); ++i) {
    auto* b = new TRadioButton(this);
    b->SetCaption(items_[i]);
    b->SetParent(this);
    b->OnClick = [this, i](TObject*) {
      item_index_ = i;
      Click();
    };
    buttons_.push_back(b);
  }
  if (item_index_ >= static_cast<int>(buttons_.size())) item_index_ = -1;
  if (item_index_ >= 0) buttons_[static_cast<std::size_t>(item_index_)]->SetChecked(true);
  arrange();
}

// Buttons fill the columns top to bottom, evenly spaced below the caption.
void TRadioGroup::arrange() {
  if (buttons_.empty()) return;
  const int n = static_cast<int>(buttons_.size());
  const int rows = (n + columns_ - 1) / columns_;
  const int top = 16, inner_h = std::max(1, height_ - top - 4), col_w = std::max(1, (width_ - 16) / columns_);
  const int row_h = std::max(1, inner_h / rows);
  for (int i = 0; i < n; ++i) {
    const int col = i / rows, row = i % rows;
    buttons_[static_cast<std::size_t>(i)]->SetBounds(8 + col * col_w, top + row * row_h + (row_h - 17) / 2, col_w, 17);
  }
}

// ---- TRangeControl ----
TRangeControl::TRangeControl(TComponent* owner, int max) : TWinControl(owner), max_(max) {
  PublishInt("Min", [this] { return min_; }, [this](std::int64_t v) { SetRange(static_cast<int>(v), max_); });
  PublishInt("Max", [this] { return max_; }, [this](std::int64_t v) { SetRange(min_, static_cast<int>(v)); });
  PublishInt("Position", [this] { return Position(); }, [this](std::int64_t v) { SetPosition(static_cast<int>(v)); });
}

int TRangeControl::Position() const {
  return HandleAllocated() ? const_cast<TRangeControl*>(this)->read_position() : pos_;
}

void TRangeControl::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
  pos_ = std::clamp(Position(), min_, max_);
  if (HandleAllocated()) {
    send_range();
    send_position();
  }
}

void TRangeControl::SetPosition(int pos) {
  pos_ = std::clamp(pos, min_, max_);
  if (HandleAllocated()) send_position();
}

void TRangeControl::CreateWnd() {
  send_range();
  send_position();
}

void TRangeControl::DestroyWnd() { pos_ = Position(); }

// ---- TTrackBar ----
TTrackBar::TTrackBar(TComponent* owner) : TRangeControl(owner, 10) {
  width_ = 150;
  height_ = 45;
  PublishEnum("Orientation", {"trHorizontal", "trVertical"}, [this] { return static_cast<int>(Orientation); },
              [this](int v) {
                Orientation = static_cast<TTrackBarOrientation>(v);
                RecreateWnd();
              });
}

bool TTrackBar::SetEvent(std::string_view name, TNotifyEvent handler) {
  if (name != "OnChange") return TWinControl::SetEvent(name, std::move(handler));
  OnChange = std::move(handler);
  return true;
}

void TTrackBar::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.class_name = "msctls_trackbar32";
  if (Orientation == TTrackBarOrientation::trVertical) p.style |= TBS_VERT;
}

void TTrackBar::CreateWnd() {
  SendMessage(Handle(), TBM_SETPAGESIZE, 0, PageSize);
  SendMessage(Handle(), TBM_SETLINESIZE, 0, LineSize);
  TRangeControl::CreateWnd();
}

void TTrackBar::send_range() {
  SendMessage(Handle(), TBM_SETRANGEMIN, FALSE, min_);
  SendMessage(Handle(), TBM_SETRANGEMAX, FALSE, max_);
}
void TTrackBar::send_position() { SendMessage(Handle(), TBM_SETPOS, TRUE, pos_); }
int TTrackBar::read_position() { return static_cast<int>(SendMessage(Handle(), TBM_GETPOS, 0, 0)); }

void TTrackBar::WndProc(TMessage& m) {
  if (m.Msg == CN_HSCROLL || m.Msg == CN_VSCROLL) {
    const int now = Position();
    if (now != pos_) {
      pos_ = now;
      if (OnChange) OnChange(this);
    }
    return;
  }
  TWinControl::WndProc(m);
}

// ---- TUpDown ----
TUpDown::TUpDown(TComponent* owner) : TRangeControl(owner, 100) {
  width_ = 17;
  height_ = 25;
  PublishEnum("Orientation", {"udVertical", "udHorizontal"}, [this] { return static_cast<int>(Orientation); },
              [this](int v) {
                Orientation = static_cast<TUDOrientation>(v);
                RecreateWnd();
              });
}

void TUpDown::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.class_name = "msctls_updown32";
  if (Orientation == TUDOrientation::udHorizontal) p.style |= UDS_HORZ;
}

void TUpDown::send_range() { SendMessage(Handle(), UDM_SETRANGE32, static_cast<WPARAM>(min_), max_); }
void TUpDown::send_position() { SendMessage(Handle(), UDM_SETPOS32, 0, pos_); }
int TUpDown::read_position() { return static_cast<int>(SendMessage(Handle(), UDM_GETPOS32, 0, 0)); }

void TUpDown::WndProc(TMessage& m) {
  // The control reports a change of position to its parent as a scroll message.
  if (m.Msg == CN_HSCROLL || m.Msg == CN_VSCROLL) {
    pos_ = Position();
    if (LOWORD(m.WParam) == SB_THUMBPOSITION) Click();
    return;
  }
  TWinControl::WndProc(m);
}

// ---- TProgressBar ----
TProgressBar::TProgressBar(TComponent* owner) : TRangeControl(owner, 100) {
  width_ = 150;
  height_ = 17;
  TabStop = false;
  PublishInt("Step", [this] { return Step; }, [this](std::int64_t v) { Step = static_cast<int>(v); });
  PublishEnum("Orientation", {"pbHorizontal", "pbVertical"}, [this] { return static_cast<int>(Orientation); },
              [this](int v) {
                Orientation = static_cast<TProgressBarOrientation>(v);
                RecreateWnd();
              });
  PublishBool("Smooth", [this] { return Smooth; }, [this](bool v) {
    Smooth = v;
    RecreateWnd();
  });
}

void TProgressBar::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.class_name = "msctls_progress32";
  p.style &= ~WS_TABSTOP;
  if (Orientation == TProgressBarOrientation::pbVertical) p.style |= PBS_VERTICAL;
  if (Smooth) p.style |= PBS_SMOOTH;
}

void TProgressBar::send_range() { SendMessage(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min_), max_); }
void TProgressBar::send_position() { SendMessage(Handle(), PBM_SETPOS, static_cast<WPARAM>(pos_), 0); }
int TProgressBar::read_position() { return static_cast<int>(SendMessage(Handle(), PBM_GETPOS, 0, 0)); }

void TProgressBar::StepIt() {
  // Past the end the bar starts again from the low limit, as the control does.
  int next = Position() + Step;
  if (next > max_) next = min_ + (next - max_);
  SetPosition(next);
}

// ---- TMemo ----
TMemo::TMemo(TComponent* owner) : TWinControl(owner) {
  width_ = 185;
  height_ = 89;
  color_ = clWindow;
  lines_.OnChange = [this](TObject*) {
    if (syncing_) return;
    std::string text = lines_.Text();
    if (text.size() >= 2) text.resize(text.size() - 2);  // no break after the last line
    syncing_ = true;
    from_code([&] { SetText(text); });
    syncing_ = false;
  };
  PublishObject("Lines", [this] { return &Lines(); });
  PublishEnum("ScrollBars", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}, [this] { return static_cast<int>(ScrollBars); },
              [this](int v) {
                ScrollBars = static_cast<TScrollStyle>(v);
                RecreateWnd();
              });
  PublishBool("ReadOnly", [this] { return ReadOnly; }, [this](bool v) {
    ReadOnly = v;
    if (HandleAllocated()) SendMessage(Handle(), EM_SETREADONLY, v, 0);
  });
  PublishBool("WordWrap", [this] { return WordWrap; }, [this](bool v) {
    WordWrap = v;
    RecreateWnd();
  });
}

bool TMemo::SetEvent(std::string_view name, TNotifyEvent handler) {
  if (name != "OnChange") return TWinControl::SetEvent(name, std::move(handler));
  OnChange = std::move(handler);
  return true;
}

TStringList& TMemo::Lines() { return lines_; }

void TMemo::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.class_name = "Edit";
  p.style |= ES_MULTILINE | ES_WANTRETURN | WS_BORDER | ES_AUTOVSCROLL;
  if (!WordWrap) p.style |= ES_AUTOHSCROLL;
  if (ReadOnly) p.style |= ES_READONLY;
  if (ScrollBars == TScrollStyle::ssVertical || ScrollBars == TScrollStyle::ssBoth) p.style |= WS_VSCROLL;
  if (ScrollBars == TScrollStyle::ssHorizontal || ScrollBars == TScrollStyle::ssBoth) p.style |= WS_HSCROLL;
  p.ex_style |= WS_EX_CLIENTEDGE;
}

void TMemo::CreateWnd() {
  if (ReadOnly) SendMessage(Handle(), EM_SETREADONLY, TRUE, 0);
}

void TMemo::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND) {
    if (HIWORD(m.WParam) == EN_CHANGE && !updating()) {
      // What the user typed reaches the lines.
      syncing_ = true;
      lines_.SetText(GetText());
      syncing_ = false;
      if (OnChange) OnChange(this);
    }
    return;
  }
  TWinControl::WndProc(m);
}

// ---- THeaderControl ----
THeaderControl::THeaderControl(TComponent* owner) : TWinControl(owner) {
  width_ = 200;
  height_ = 17;
  TabStop = false;
  PublishObject("Images", [this] { return Images; });
}

void THeaderControl::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.class_name = "SysHeader32";
  p.style &= ~WS_TABSTOP;
}

void THeaderControl::CreateWnd() {
  if (Images) SendMessage(Handle(), HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(Images->Handle()));
  for (std::size_t i = 0; i < sections_.size(); ++i) insert(static_cast<int>(i), sections_[i]);
}

void THeaderControl::insert(int index, const Section& s) {
  HDITEM item;
  item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT | (s.ImageIndex >= 0 ? HDI_IMAGE : 0);
  std::string text = s.Text;
  item.pszText = text.data();
  item.cxy = s.Width;
  item.fmt = HDF_STRING | (s.Alignment == TAlignment::taCenter ? HDF_CENTER : s.Alignment == TAlignment::taRightJustify ? HDF_RIGHT : HDF_LEFT) |
             (s.ImageIndex >= 0 ? HDF_IMAGE : 0);
  item.iImage = s.ImageIndex;
  SendMessage(Handle(), HDM_INSERTITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

void THeaderControl::AddSection(Section s) {
  sections_.push_back(std::move(s));
  if (HandleAllocated()) insert(static_cast<int>(sections_.size()) - 1, sections_.back());
}

void THeaderControl::WndProc(TMessage& m) {
  if (m.Msg == CN_NOTIFY) {
    if (auto* h = reinterpret_cast<const NMHEADER*>(m.LParam); h && h->hdr.code == HDN_ITEMCLICK) {
      ClickedSection = h->iItem;
      if (OnSectionClick) OnSectionClick(this);
      return;
    }
  }
  TWinControl::WndProc(m);
}

// ---- TListView ----
TListView::TListView(TComponent* owner) : TWinControl(owner) {
  width_ = 250;
  height_ = 150;
  color_ = clWindow;
  PublishInt("ItemIndex", [this] { return ItemIndex(); }, [this](std::int64_t v) { SetItemIndex(static_cast<int>(v)); });
  PublishEnum("ViewStyle", {"vsIcon", "vsSmallIcon", "vsList", "vsReport"}, [] { return 3; }, nullptr);
}

bool TListView::SetEvent(std::string_view name, TNotifyEvent handler) {
  if (name != "OnChange") return TWinControl::SetEvent(name, std::move(handler));
  OnChange = std::move(handler);
  return true;
}

void TListView::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.class_name = "SysListView32";
  p.style |= LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_VSCROLL;
  p.ex_style |= WS_EX_CLIENTEDGE;
}

void TListView::insert_column(int index) {
  LVCOLUMN c;
  c.mask = LVCF_TEXT | LVCF_WIDTH;
  std::string text = columns_[static_cast<std::size_t>(index)].first;
  c.pszText = text.data();
  c.cx = columns_[static_cast<std::size_t>(index)].second;
  SendMessage(Handle(), LVM_INSERTCOLUMN, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&c));
}

void TListView::insert_row(int index) {
  const auto& row = rows_[static_cast<std::size_t>(index)];
  LVITEM it;
  it.mask = LVIF_TEXT;
  it.iItem = index;
  std::string caption = row.empty() ? std::string() : row[0];
  it.pszText = caption.data();
  SendMessage(Handle(), LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&it));
  for (std::size_t k = 1; k < row.size(); ++k) {
    LVITEM sub;
    sub.iSubItem = static_cast<int>(k);
    std::string text = row[k];
    sub.pszText = text.data();
    SendMessage(Handle(), LVM_SETITEMTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&sub));
  }
}

void TListView::CreateWnd() {
  for (std::size_t i = 0; i < columns_.size(); ++i) insert_column(static_cast<int>(i));
  for (std::size_t i = 0; i < rows_.size(); ++i) insert_row(static_cast<int>(i));
  SetItemIndex(item_index_);
}

void TListView::DestroyWnd() { item_index_ = ItemIndex(); }

void TListView::AddColumn(std::string_view caption, int width) {
  columns_.emplace_back(std::string(caption), width);
  if (HandleAllocated()) insert_column(static_cast<int>(columns_.size()) - 1);
}

void TListView::AddItem(std::string_view caption, const std::vector<std::string>& sub_items) {
  std::vector<std::string> row{std::string(caption)};
  row.insert(row.end(), sub_items.begin(), sub_items.end());
  rows_.push_back(std::move(row));
  if (HandleAllocated()) insert_row(static_cast<int>(rows_.size()) - 1);
}

int TListView::ItemIndex() const {
  auto* self = const_cast<TListView*>(this);
  if (!HandleAllocated()) return item_index_;
  return static_cast<int>(SendMessage(self->Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void TListView::SetItemIndex(int i) {
  item_index_ = i;
  if (!HandleAllocated()) return;
  from_code([&] {
    LVITEM none;
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessage(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    if (i >= 0) {
      LVITEM on;
      on.state = on.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessage(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&on));
    }
  });
}

HWND TListView::HeaderHandle() { return reinterpret_cast<HWND>(SendMessage(Handle(), LVM_GETHEADER, 0, 0)); }

void TListView::WndProc(TMessage& m) {
  if (m.Msg == CN_NOTIFY) {
    if (auto* n = reinterpret_cast<const NMLISTVIEW*>(m.LParam);
        n && n->hdr.code == LVN_ITEMCHANGED && (n->uNewState & ~n->uOldState & LVIS_SELECTED) && !updating() &&
        OnChange)
      OnChange(this);
    return;
  }
  TWinControl::WndProc(m);
}

// ---- TCheckListBox ----
TCheckListBox::TCheckListBox(TComponent* owner) : TListBox(owner) {
  PublishBool("AllowGrayed", [this] { return AllowGrayed; }, [this](bool v) { AllowGrayed = v; });
  PublishBool("Flat", [this] { return Flat; }, [this](bool v) { Flat = v; Invalidate(); });
  PublishInt("HeaderColor", [this] { return static_cast<std::int64_t>(HeaderColor); },
             [this](std::int64_t v) { HeaderColor = static_cast<TColor>(v); Invalidate(); });
  PublishInt("HeaderBackgroundColor", [this] { return static_cast<std::int64_t>(HeaderBackgroundColor); },
             [this](std::int64_t v) { HeaderBackgroundColor = static_cast<TColor>(v); Invalidate(); });
}

bool TCheckListBox::SetEvent(std::string_view name, TNotifyEvent handler) {
  if (name != "OnClickCheck") return TListBox::SetEvent(name, std::move(handler));
  OnClickCheck = std::move(handler);
  return true;
}

void TCheckListBox::CreateParams(TCreateParams& p) {
  TListBox::CreateParams(p);
  p.style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
}

// Each item's state rides on the item (its object), so that it moves with insertions and deletions.
TCheckListBox::ItemState& TCheckListBox::item(int i) {
  if (i < 0 || i >= Items().Count()) throw EComponentError("List index out of bounds (" + std::to_string(i) + ")");
  if (auto* s = dynamic_cast<ItemState*>(Items().Objects(i))) return *s;
  states_.push_back(std::make_unique<ItemState>());
  Items().PutObject(i, states_.back().get());
  return *states_.back();
}

const TCheckListBox::ItemState* TCheckListBox::find(int i) const {
  auto& items = const_cast<TCheckListBox*>(this)->Items();
  if (i < 0 || i >= items.Count()) throw EComponentError("List index out of bounds (" + std::to_string(i) + ")");
  return dynamic_cast<const ItemState*>(items.Objects(i));
}

TCheckBoxState TCheckListBox::State(int i) const {
  const ItemState* s = find(i);
  return s ? s->state : TCheckBoxState::cbUnchecked;
}
void TCheckListBox::SetState(int i, TCheckBoxState s) {
  item(i).state = s;
  Invalidate();
}
bool TCheckListBox::ItemEnabled(int i) const {
  const ItemState* s = find(i);
  return !s || s->enabled;
}
void TCheckListBox::SetItemEnabled(int i, bool e) {
  item(i).enabled = e;
  Invalidate();
}
bool TCheckListBox::Header(int i) const {
  const ItemState* s = find(i);
  return s && s->header;
}
void TCheckListBox::SetHeader(int i, bool h) {
  item(i).header = h;
  Invalidate();
}

void TCheckListBox::toggle(int i) {
  if (i < 0 || i >= Items().Count() || Header(i) || !ItemEnabled(i) || !enabled_) return;
  ItemState& s = item(i);
  switch (s.state) {
    case TCheckBoxState::cbUnchecked: s.state = TCheckBoxState::cbChecked; break;
    case TCheckBoxState::cbChecked: s.state = AllowGrayed ? TCheckBoxState::cbGrayed : TCheckBoxState::cbUnchecked; break;
    case TCheckBoxState::cbGrayed: s.state = TCheckBoxState::cbUnchecked; break;
  }
  Invalidate();
  if (OnClickCheck) OnClickCheck(this);
}

void TCheckListBox::draw_item(const DRAWITEMSTRUCT& di) {
  HDC dc = di.hDC;
  const int i = static_cast<int>(di.itemID);
  RECT r = di.rcItem;
  if (i < 0 || i >= Items().Count()) {
    fill(dc, r, ColorToRGB(color_));
    return;
  }
  const bool header = Header(i), selected = (di.itemState & ODS_SELECTED) && !header;
  const bool enabled = enabled_ && ItemEnabled(i);
  fill(dc, r, header ? ColorToRGB(HeaderBackgroundColor) : selected ? gdi::GetSysColor(gdi::COLOR_HIGHLIGHT) : ColorToRGB(color_));
  RECT text = r;
  if (!header) {
    // The box: a frame (sunken unless flat) and, when checked or grey, the check mark.
    const int top = r.top + (r.bottom - r.top - kBoxSize) / 2;
    RECT box{r.left + 2, top, r.left + 2 + kBoxSize, top + kBoxSize};
    fill(dc, box, enabled ? gdi::GetSysColor(gdi::COLOR_WINDOW) : gdi::GetSysColor(gdi::COLOR_BTNFACE));
    if (Flat) {
      gdi::HBRUSH frame = gdi::CreateSolidBrush(gdi::GetSysColor(gdi::COLOR_BTNSHADOW));
      gdi::FrameRect(dc, &box, frame);
      gdi::DeleteObject(frame);
    } else {
      RECT edge = box;
      gdi::DrawEdge(dc, &edge, gdi::EDGE_SUNKEN, gdi::BF_RECT);
    }
    const TCheckBoxState st = State(i);
    if (st != TCheckBoxState::cbUnchecked) {
      gdi::HBITMAP mark = gdi::LoadBitmap(nullptr, gdi::OBM_CHECK);
      HDC mdc = gdi::CreateCompatibleDC(dc);
      gdi::HGDIOBJ old = gdi::SelectObject(mdc, mark);
      const COLORREF ink = st == TCheckBoxState::cbGrayed || !enabled ? gdi::GetSysColor(gdi::COLOR_GRAYTEXT)
                                                                        : gdi::GetSysColor(gdi::COLOR_WINDOWTEXT);
      gdi::SetTextColor(dc, ink);
      gdi::SetBkColor(dc, enabled ? gdi::GetSysColor(gdi::COLOR_WINDOW) : gdi::GetSysColor(gdi::COLOR_BTNFACE));
      gdi::BitBlt(dc, box.left, box.top, kBoxSize, kBoxSize, mdc, 0, 0, gdi::SRCCOPY);
      gdi::SelectObject(mdc, old);
      gdi::DeleteDC(mdc);
      gdi::DeleteObject(mark);
    }
    text.left = box.right + 2;
  } else {
    text.left += 2;
  }
  gdi::SetBkMode(dc, gdi::TRANSPARENT);
  COLORREF ink = ColorToRGB(Font.Color());
  if (header) ink = ColorToRGB(HeaderColor);
  else if (!enabled) ink = gdi::GetSysColor(gdi::COLOR_GRAYTEXT);
  else if (selected) ink = gdi::GetSysColor(gdi::COLOR_HIGHLIGHTTEXT);
  gdi::SetTextColor(dc, ink);
  gdi::DrawText(dc, Items()[i], &text, gdi::DT_SINGLELINE | gdi::DT_VCENTER | gdi::DT_NOPREFIX);
  if ((di.itemState & ODS_FOCUS) && !header) gdi::DrawFocusRect(dc, &text);
}

void TCheckListBox::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CN_DRAWITEM:
      if (auto* di = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam)) draw_item(*di);
      m.Result = TRUE;
      return;
    case WM_LBUTTONDOWN: {
      TListBox::WndProc(m);
      // A press on an item's box toggles it.
      const int x = GET_X_LPARAM(m.LParam);
      const int index = ItemIndex();
      if (x < 2 + kBoxSize + 2 && index >= 0) {
        RECT r{};
        if (SendMessage(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)) != LB_ERR &&
            GET_Y_LPARAM(m.LParam) >= r.top && GET_Y_LPARAM(m.LParam) < r.bottom)
          toggle(index);
      }
      return;
    }
    case WM_CHAR:
      if (m.WParam == ' ') {
        toggle(ItemIndex());
        return;
      }
      break;
    default:
      break;
  }
  TListBox::WndProc(m);
}

}  // namespace platform::components
