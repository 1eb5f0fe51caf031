#include "platform/components/comctrls.h"

#include <algorithm>
#include <set>

#include "platform/win/controls.h"

namespace platform::components {

using namespace platform::win;

namespace {
int next_command() {
  static int id = 100;
  return ++id;
}

SYSTEMTIME to_system(const core::LocalTime& t) {
  SYSTEMTIME s;
  s.wYear = static_cast<WORD>(t.year);
  s.wMonth = static_cast<WORD>(t.month);
  s.wDay = static_cast<WORD>(t.day);
  s.wDayOfWeek = static_cast<WORD>(t.day_of_week);
  s.wHour = static_cast<WORD>(t.hour);
  s.wMinute = static_cast<WORD>(t.minute);
  s.wSecond = static_cast<WORD>(t.second);
  s.wMilliseconds = static_cast<WORD>(t.millisecond);
  return s;
}

core::LocalTime from_system(const SYSTEMTIME& s) {
  core::LocalTime t;
  t.year = s.wYear;
  t.month = s.wMonth;
  t.day = s.wDay;
  t.day_of_week = s.wDayOfWeek;
  t.hour = s.wHour;
  t.minute = s.wMinute;
  t.second = s.wSecond;
  t.millisecond = s.wMilliseconds;
  return t;
}
}  // namespace

// ---- TLabeledEdit ----
TLabeledEdit::TLabeledEdit(TComponent* owner) : TEdit(owner), label_(new TLabel(this)) {
  label_->SetName("SubLabel");
  label_->FreeNotification(this);  // the label's parent may free it first
  PublishObject("EditLabel", [this] { return label_; });
}

void TLabeledEdit::Notification(TComponent* c, TOperation op) {
  TEdit::Notification(c, op);
  if (op == TOperation::opRemove && c == label_) label_ = nullptr;
}

void TLabeledEdit::place_label() {
  if (label_) label_->SetBounds(left_, top_ - label_->Height() - 3, label_->Width(), label_->Height()); }

void TLabeledEdit::SetParent(TWinControl* parent) {
  TEdit::SetParent(parent);
  if (label_) label_->SetParent(parent);
  place_label();
}

void TLabeledEdit::SetBounds(int left, int top, int width, int height) {
  TEdit::SetBounds(left, top, width, height);
  place_label();
}

void TLabeledEdit::SetVisible(bool v) {
  TEdit::SetVisible(v);
  if (label_) label_->SetVisible(v);
}

void TLabeledEdit::SetEnabled(bool e) {
  TEdit::SetEnabled(e);
  if (label_) label_->SetEnabled(e);
}

// ---- TStatusBar ----
void TStatusPanel::SetText(std::string_view s) {
  text_ = std::string(s);
  if (bar_) bar_->update_text(index_);
}

void TStatusPanel::SetWidth(int w) {
  width_ = w;
  if (bar_) bar_->update_parts();
}

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner) {
  height_ = 19;
  TabStop = false;
  PublishString("SimpleText", [this] { return SimpleText; }, [this](std::string v) {
    SimpleText = std::move(v);
    if (HandleAllocated() && SimplePanel) SendMessage(Handle(), SB_SETTEXT, SB_SIMPLEID, reinterpret_cast<LPARAM>(SimpleText.c_str()));
  });
  PublishBool("SimplePanel", [this] { return SimplePanel; }, [this](bool v) {
    SimplePanel = v;
    if (HandleAllocated()) SendMessage(Handle(), SB_SIMPLE, v, 0);
  });
}

TStatusPanel& TStatusBar::AddPanel(int width) {
  auto p = std::make_unique<TStatusPanel>();
  p->bar_ = this;
  p->index_ = PanelCount();
  p->width_ = width;
  panels_.push_back(std::move(p));
  update_parts();
  return *panels_.back();
}

TStatusPanel& TStatusBar::Panels(int i) {
  if (i < 0 || i >= PanelCount()) throw EComponentError("List index out of bounds (" + std::to_string(i) + ")");
  return *panels_[static_cast<std::size_t>(i)];
}

void TStatusBar::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.class_name = "msctls_statusbar32";
  p.style |= CCS_BOTTOM;
  p.style &= ~WS_TABSTOP;
}

void TStatusBar::CreateWnd() {
  update_parts();
  for (int i = 0; i < PanelCount(); ++i) update_text(i);
  if (SimplePanel) SendMessage(Handle(), SB_SIMPLE, 1, 0);
}

void TStatusBar::update_parts() {
  if (!HandleAllocated()) return;
  std::vector<int> edges;
  int x = 0;
  for (auto& p : panels_) edges.push_back(x += p->width_);
  if (!edges.empty()) edges.back() = -1;  // the last panel takes the rest
  SendMessage(Handle(), SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void TStatusBar::update_text(int i) {
  if (!HandleAllocated()) return;
  const std::string& t = panels_[static_cast<std::size_t>(i)]->text_;
  SendMessage(Handle(), SB_SETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(t.c_str()));
}

// ---- TTabSheet / TPageControl ----
TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
  visible_ = false;
  TabStop = false;
  PublishInt("PageIndex", [this] { return PageIndex(); }, nullptr);
  PublishBool("TabVisible", [this] { return tab_visible_; }, [this](bool v) { SetTabVisible(v); });
}

// A page freed before its page control leaves it.
TTabSheet::~TTabSheet() {
  if (page_control_) page_control_->remove_page(this);
}

int TTabSheet::PageIndex() const {
  if (!page_control_) return -1;
  auto& p = page_control_->pages_;
  return static_cast<int>(std::find(p.begin(), p.end(), this) - p.begin());
}

int TTabSheet::TabIndex() const {
  if (!page_control_ || !tab_visible_) return -1;
  int tab = 0;
  for (TTabSheet* p : page_control_->pages_) {
    if (p == this) return tab;
    if (p->tab_visible_) ++tab;
  }
  return -1;
}

void TTabSheet::SetTabVisible(bool v) {
  if (v == tab_visible_) return;
  tab_visible_ = v;
  if (page_control_) page_control_->rebuild_tabs();
}

void TTabSheet::SetPageControl(TPageControl* pc) {
  if (pc == page_control_) return;
  if (page_control_) page_control_->remove_page(this);
  page_control_ = pc;
  if (pc) {
    SetParent(pc);
    pc->insert_page(this);
  }
}

void TTabSheet::SetText(std::string_view s) {
  TWinControl::SetText(s);
  const int tab = TabIndex();
  if (tab >= 0 && page_control_->HandleAllocated()) {
    std::string text(s);
    TCITEM item;
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessage(page_control_->Handle(), TCM_SETITEM, static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&item));
  }
}

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
  width_ = 289;
  height_ = 193;
  PublishInt("ActivePageIndex", [this] { return active_; }, [this](std::int64_t v) { SetActivePageIndex(static_cast<int>(v)); });
  PublishEnum("TabPosition", {"tpTop", "tpBottom", "tpLeft", "tpRight"}, [this] { return static_cast<int>(tab_position_); },
              [this](int v) { SetTabPosition(static_cast<TTabPosition>(v)); });
  PublishEnum("Style", {"tsTabs", "tsButtons", "tsFlatButtons"}, [this] { return static_cast<int>(style_); },
              [this](int v) { SetStyle(static_cast<TTabStyle>(v)); });
}

TPageControl::~TPageControl() {
  for (TTabSheet* p : pages_) p->page_control_ = nullptr;
}

bool TPageControl::SetEvent(std::string_view name, TNotifyEvent handler) {
  if (name == "OnChange") {
    OnChange = std::move(handler);
    return true;
  }
  return TWinControl::SetEvent(name, std::move(handler));
}

void TPageControl::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.class_name = "SysTabControl32";
  switch (tab_position_) {
    case TTabPosition::tpBottom: p.style |= TCS_BOTTOM; break;
    case TTabPosition::tpLeft: p.style |= TCS_VERTICAL; break;
    case TTabPosition::tpRight: p.style |= TCS_VERTICAL | TCS_RIGHT; break;
    default: break;
  }
  if (style_ == TTabStyle::tsButtons) p.style |= TCS_BUTTONS;
  if (style_ == TTabStyle::tsFlatButtons) p.style |= TCS_BUTTONS | TCS_FLATBUTTONS;
}

void TPageControl::CreateWnd() { rebuild_tabs(); }

void TPageControl::SetStyle(TTabStyle s) {
  if (s == style_) return;
  style_ = s;
  if (HandleAllocated()) RecreateWnd();
}

void TPageControl::SetTabPosition(TTabPosition p) {
  if (p == tab_position_) return;
  tab_position_ = p;
  if (HandleAllocated()) RecreateWnd();
}

TTabSheet* TPageControl::PageForTab(int tab) const {
  if (tab < 0) return nullptr;
  for (TTabSheet* p : pages_)
    if (p->tab_visible_ && tab-- == 0) return p;
  return nullptr;
}

void TPageControl::rebuild_tabs() {
  if (HandleAllocated()) {
    from_code([&] {
      SendMessage(Handle(), TCM_DELETEALLITEMS, 0, 0);
      int tab = 0;
      for (TTabSheet* p : pages_) {
        if (!p->tab_visible_) continue;
        std::string text = p->GetText();
        TCITEM item;
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        SendMessage(Handle(), TCM_INSERTITEM, static_cast<WPARAM>(tab++), reinterpret_cast<LPARAM>(&item));
      }
      const int cur = active_ >= 0 ? pages_[static_cast<std::size_t>(active_)]->TabIndex() : -1;
      if (cur >= 0) SendMessage(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(cur), 0);
    });
  }
  layout();
}

void TPageControl::insert_page(TTabSheet* page) {
  pages_.push_back(page);
  if (active_ < 0) active_ = 0;
  rebuild_tabs();
}

void TPageControl::remove_page(TTabSheet* page) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  const int index = static_cast<int>(it - pages_.begin());
  pages_.erase(it);
  if (active_ > index || active_ >= PageCount()) --active_;
  if (active_ < 0 && PageCount() > 0) active_ = 0;
  rebuild_tabs();
}

void TPageControl::SetActivePageIndex(int i) {
  if (i < -1 || i >= PageCount()) return;
  active_ = i;
  const int tab = i >= 0 ? pages_[static_cast<std::size_t>(i)]->TabIndex() : -1;
  if (HandleAllocated() && tab >= 0) from_code([&] { SendMessage(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(tab), 0); });
  layout();
}

void TPageControl::layout() {
  RECT r{0, 0, width_, height_};
  if (HandleAllocated()) SendMessage(Handle(), TCM_ADJUSTRECT, 0, reinterpret_cast<LPARAM>(&r));
  for (int i = 0; i < PageCount(); ++i) {
    TTabSheet* p = pages_[static_cast<std::size_t>(i)];
    p->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    p->SetVisible(i == active_);
  }
}

void TPageControl::WndProc(TMessage& m) {
  if (m.Msg == CN_NOTIFY) {
    auto* hdr = reinterpret_cast<const NMHDR*>(m.LParam);
    if (hdr->code == TCN_SELCHANGE && !updating()) {
      if (TTabSheet* p = PageForTab(static_cast<int>(SendMessage(Handle(), TCM_GETCURSEL, 0, 0)))) active_ = p->PageIndex();
      layout();
      if (OnChange) OnChange(this);
    }
    return;
  }
  TWinControl::WndProc(m);
  if (m.Msg == WM_SIZE) layout();
}

// ---- TDateTimePicker ----
TDateTimePicker::TDateTimePicker(TComponent* owner) : TWinControl(owner) {
  width_ = 186;
  height_ = 21;
  PublishEnum("Kind", {"dtkDate", "dtkTime"}, [this] { return static_cast<int>(Kind); },
              [this](int v) { Kind = static_cast<TDateTimeKind>(v); RecreateWnd(); });
}

bool TDateTimePicker::SetEvent(std::string_view name, TNotifyEvent handler) {
  if (name == "OnChange") {
    OnChange = std::move(handler);
    return true;
  }
  return TWinControl::SetEvent(name, std::move(handler));
}

void TDateTimePicker::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.class_name = "SysDateTimePick32";
  if (Kind == TDateTimeKind::dtkTime) p.style |= DTS_TIMEFORMAT;
}

void TDateTimePicker::CreateWnd() {
  push_range();
  SYSTEMTIME s = to_system(value_);
  SendMessage(Handle(), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&s));
}

void TDateTimePicker::DestroyWnd() { value_ = DateTime(); }

void TDateTimePicker::push_range() {
  if (!HandleAllocated()) return;
  SYSTEMTIME r[2] = {to_system(min_), to_system(max_)};
  SendMessage(Handle(), DTM_SETRANGE, (has_min_ ? GDTR_MIN : 0) | (has_max_ ? GDTR_MAX : 0), reinterpret_cast<LPARAM>(r));
}

core::LocalTime TDateTimePicker::DateTime() const {
  auto* self = const_cast<TDateTimePicker*>(this);
  if (!HandleAllocated()) return value_;
  SYSTEMTIME s;
  if (SendMessage(self->Handle(), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&s)) != GDT_VALID) return value_;
  return from_system(s);
}

void TDateTimePicker::SetDateTime(const core::LocalTime& t) {
  value_ = t;
  if (HandleAllocated()) {
    SYSTEMTIME s = to_system(t);
    from_code([&] { SendMessage(Handle(), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&s)); });
  }
}

void TDateTimePicker::SetDate(int year, int month, int day) {
  core::LocalTime t = DateTime();
  t.year = year;
  t.month = month;
  t.day = day;
  SetDateTime(core::to_local(core::from_local(t)));  // normalised, weekday filled
}

void TDateTimePicker::SetMinDate(const core::LocalTime& t) {
  min_ = t;
  has_min_ = true;
  push_range();
}

void TDateTimePicker::SetMaxDate(const core::LocalTime& t) {
  max_ = t;
  has_max_ = true;
  push_range();
}

void TDateTimePicker::WndProc(TMessage& m) {
  if (m.Msg == CN_NOTIFY) {
    auto* hdr = reinterpret_cast<const NMHDR*>(m.LParam);
    if (hdr->code == DTN_DATETIMECHANGE && !updating()) {
      value_ = DateTime();
      if (OnChange) OnChange(this);
    }
    return;
  }
  TWinControl::WndProc(m);
}

// ---- TMenuItem / TPopupMenu ----
namespace {

std::set<const TMenuItem*>& live_items() {
  static std::set<const TMenuItem*> items;
  return items;
}

std::string without_prefix(std::string_view caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    else if (caption[i] == '&') continue;
    out += caption[i];
  }
  return out;
}

}  // namespace

std::string ShortCutToText(TShortCut shortcut) {
  const unsigned key = shortcut & 0xFF;
  std::string name;
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) name = std::string(1, static_cast<char>(key));
  else if (key >= VK_F1 && key <= VK_F1 + 11) name = "F" + std::to_string(key - VK_F1 + 1);
  else if (key == VK_DELETE) name = "Del";
  else if (key == VK_INSERT) name = "Ins";
  else if (key == VK_RETURN) name = "Enter";
  else if (key == VK_ESCAPE) name = "Esc";
  if (name.empty()) return {};
  std::string out;
  if (shortcut & scShift) out += "Shift+";
  if (shortcut & scCtrl) out += "Ctrl+";
  if (shortcut & scAlt) out += "Alt+";
  return out + name;
}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(next_command()) {
  PublishString("Caption", [this] { return Caption; }, [this](std::string v) { Caption = std::move(v); });
  PublishBool("Enabled", [this] { return Enabled; }, [this](bool v) { Enabled = v; });
  PublishBool("Checked", [this] { return Checked; }, [this](bool v) { Checked = v; });
  PublishBool("Visible", [this] { return Visible; }, [this](bool v) { Visible = v; });
  PublishBool("Default", [this] { return Default; }, [this](bool v) { Default = v; });
  PublishInt("ImageIndex", [this] { return ImageIndex; }, [this](std::int64_t v) { ImageIndex = static_cast<int>(v); });
  live_items().insert(this);
}

TMenuItem::~TMenuItem() {
  live_items().erase(this);
  if (parent_) parent_->items_.erase(std::remove(parent_->items_.begin(), parent_->items_.end(), this), parent_->items_.end());
  for (TMenuItem* c : items_) c->parent_ = nullptr;
}

TMenuItem* TMenuItem::FromData(std::uintptr_t data) {
  auto* item = reinterpret_cast<TMenuItem*>(data);
  return live_items().count(item) ? item : nullptr;
}

TComponent* TMenuItem::GetParentMenu() const {
  const TMenuItem* root = this;
  while (root->parent_) root = root->parent_;
  TComponent* owner = root->Owner();
  if (dynamic_cast<TPopupMenu*>(owner) || dynamic_cast<TMainMenu*>(owner)) return owner;
  return nullptr;
}

TImageList* TMenuItem::MenuImages() const {
  TComponent* menu = GetParentMenu();
  if (auto* p = dynamic_cast<TPopupMenu*>(menu)) return p->Images;
  if (auto* m = dynamic_cast<TMainMenu*>(menu)) return m->Images;
  return nullptr;
}

void TMenuItem::MeasureItem(TCanvas& canvas, int& width, int& height) {
  if (Caption == "-") {
    width = 0;
    height = 5;
  } else {
    width = canvas.TextWidth(without_prefix(Caption));
    if (const std::string keys = ShortCutToText(ShortCut); !keys.empty()) width += canvas.TextWidth(keys) + 15;
    height = canvas.TextHeight("W") + 6;
  }
  // The handler adjusts the plain size.
  if (OnMeasureItem) OnMeasureItem(this, canvas, width, height);
}

void TMenuItem::DrawItem(TCanvas& canvas, const gdi::RECT& r, bool selected) {
  if (OnDrawItem) {
    OnDrawItem(this, canvas, r, selected);
    return;
  }
  HDC dc = canvas.Handle();
  gdi::FillRect(dc, &r, gdi::GetSysColorBrush(selected ? gdi::COLOR_HIGHLIGHT : gdi::COLOR_MENU));
  if (Caption == "-") {
    RECT line{r.left, (r.top + r.bottom) / 2 - 1, r.right, (r.top + r.bottom) / 2 + 1};
    gdi::DrawEdge(dc, &line, gdi::EDGE_ETCHED, gdi::BF_TOP);
    return;
  }
  gdi::SelectObject(dc, canvas.Font.Handle());
  gdi::SetBkMode(dc, gdi::TRANSPARENT);
  gdi::SetTextColor(dc, gdi::GetSysColor(!Enabled ? gdi::COLOR_GRAYTEXT : selected ? gdi::COLOR_HIGHLIGHTTEXT : gdi::COLOR_MENUTEXT));
  RECT t{r.left + 18, r.top, r.right - 4, r.bottom};
  gdi::DrawText(dc, Caption, &t, gdi::DT_LEFT | gdi::DT_VCENTER | gdi::DT_SINGLELINE);
}

bool DispatchMenuItemDrawing(TMessage& m) {
  if (m.Msg == WM_MEASUREITEM) {
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
    if (!mis || mis->CtlType != ODT_MENU) return false;
    TMenuItem* item = TMenuItem::FromData(mis->itemData);
    if (!item) return false;
    HDC dc = GetDC(nullptr);
    TCanvas canvas;
    canvas.SetHandle(dc);
    NONCLIENTMETRICS metrics;
    SystemParametersInfo(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    canvas.Font.SetName(metrics.lfMenuFont.lfFaceName);
    canvas.Font.SetSize(-metrics.lfMenuFont.lfHeight * 72 / 96);
    int w = static_cast<int>(mis->itemWidth), h = static_cast<int>(mis->itemHeight);
    item->MeasureItem(canvas, w, h);
    mis->itemWidth = static_cast<UINT>(std::max(w, 0));
    mis->itemHeight = static_cast<UINT>(std::max(h, 0));
    canvas.SetHandle(nullptr);
    ReleaseDC(nullptr, dc);
    m.Result = 1;
    return true;
  }
  if (m.Msg == WM_DRAWITEM) {
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
    if (!dis || dis->CtlType != ODT_MENU) return false;
    TMenuItem* item = TMenuItem::FromData(dis->itemData);
    if (!item) return false;
    TCanvas canvas;
    canvas.SetHandle(dis->hDC);
    item->DrawItem(canvas, dis->rcItem, (dis->itemState & ODS_SELECTED) != 0);
    canvas.SetHandle(nullptr);
    m.Result = 1;
    return true;
  }
  return false;
}

bool TMenuItem::SetEvent(std::string_view name, TNotifyEvent handler) {
  if (name != "OnClick") return false;
  OnClick = std::move(handler);
  return true;
}

void TMenuItem::Add(TMenuItem* item) {
  items_.push_back(item);
  item->parent_ = this;
  item->FreeNotification(this);
}

void TMenuItem::Notification(TComponent* c, TOperation op) {
  if (op == TOperation::opRemove) items_.erase(std::remove(items_.begin(), items_.end(), c), items_.end());
}

void TMenuItem::Click() {
  if (Enabled && OnClick) OnClick(this);
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), root_(new TMenuItem(this)) {
  PublishObject("Items", [this] { return root_; });
  PublishBool("OwnerDraw", [this] { return OwnerDraw; }, [this](bool v) { OwnerDraw = v; });
  PublishObject("Images", [this] { return Images; });
}

namespace {

// The menu of an item's sub-items (a bar for the main menu's root), every drop-down noted with its
// item; with `owner_draw` every item is marked for its owner's painting (a skin's).
HMENU build_menu(TMenuItem& item, bool bar, bool owner_draw, std::vector<std::pair<HMENU, TMenuItem*>>* dropdowns) {
  HMENU menu = bar ? CreateMenu() : CreatePopupMenu();
  item.SetHandle(menu);
  for (int i = 0; i < item.Count(); ++i) {
    TMenuItem* c = item.Items(i);
    if (!c->Visible) continue;
    UINT flags = (c->Enabled ? MF_ENABLED : MF_GRAYED) | (c->Checked ? MF_CHECKED : 0) | (c->Default ? MF_DEFAULT : 0);
    std::string text = c->Caption;
    if (const std::string keys = ShortCutToText(c->ShortCut); !keys.empty()) text += "\t" + keys;
    if (c->Caption == "-") {
      AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    } else if (c->Count() > 0) {
      HMENU sub = build_menu(*c, false, owner_draw, dropdowns);
      if (dropdowns) dropdowns->emplace_back(sub, c);
      AppendMenu(menu, flags | MF_POPUP, reinterpret_cast<std::uintptr_t>(sub), text.c_str());
    } else {
      AppendMenu(menu, flags, static_cast<std::uintptr_t>(c->Command()), text.c_str());
    }
    // Owner-drawn items keep their text and carry their item for the owner's drawing.
    MENUITEMINFO info;
    info.fMask = MIIM_DATA | (owner_draw ? MIIM_FTYPE : 0);
    info.dwItemData = reinterpret_cast<ULONG_PTR>(c);
    const int pos = GetMenuItemCount(menu) - 1;
    if (owner_draw) {
      MENUITEMINFO now;
      now.fMask = MIIM_FTYPE;
      GetMenuItemInfo(menu, static_cast<UINT>(pos), TRUE, &now);
      info.fType = now.fType | MFT_OWNERDRAW;
    }
    SetMenuItemInfo(menu, static_cast<UINT>(pos), TRUE, &info);
  }
  return menu;
}

TMenuItem* find_command(TMenuItem& item, int command) {
  for (int i = 0; i < item.Count(); ++i) {
    TMenuItem* c = item.Items(i);
    if (c->Command() == command) return c;
    if (TMenuItem* f = find_command(*c, command)) return f;
  }
  return nullptr;
}

}  // namespace

HMENU TPopupMenu::build(TMenuItem& item) { return build_menu(item, false, OwnerDraw, nullptr); }

TMenuItem* TPopupMenu::find(TMenuItem& item, int command) { return find_command(item, command); }

// ---- TMainMenu ----
TMainMenu::TMainMenu(TComponent* owner) : TComponent(owner), root_(new TMenuItem(this)) {
  PublishObject("Items", [this] { return root_; });
  PublishBool("OwnerDraw", [this] { return OwnerDraw; }, [this](bool v) {
    OwnerDraw = v;
    Rebuild();
  });
  PublishObject("Images", [this] { return Images; });
}

TMainMenu::~TMainMenu() {
  if (form_) form_->SetMenu(nullptr);
  destroy_handle();
}

void TMainMenu::Notification(TComponent* c, TOperation op) {
  if (op == TOperation::opRemove && c == form_) form_ = nullptr;
  TComponent::Notification(c, op);
}

void TMainMenu::destroy_handle() {
  if (handle_) DestroyMenu(handle_);
  handle_ = nullptr;
  dropdowns_.clear();
}

HMENU TMainMenu::Handle() {
  if (!handle_) handle_ = build_menu(*root_, true, OwnerDraw, &dropdowns_);
  return handle_;
}

void TMainMenu::Rebuild() {
  const bool shown = form_ && form_->HandleAllocated();
  if (shown) win::SetMenu(form_->Handle(), nullptr);
  destroy_handle();
  if (shown) {
    win::SetMenu(form_->Handle(), Handle());
    form_->Perform(CM_MENUCHANGED, 0, 0);
  }
}

TMenuItem* TMainMenu::FindItem(std::uintptr_t value, TFindItemKind kind) {
  if (kind == TFindItemKind::fkCommand) return find_command(*root_, static_cast<int>(value));
  Handle();
  for (auto [menu, item] : dropdowns_)
    if (reinterpret_cast<std::uintptr_t>(menu) == value) return item;
  return nullptr;
}

bool TMainMenu::DispatchCommand(int command) {
  TMenuItem* item = find_command(*root_, command);
  if (!item) return false;
  item->Click();
  return true;
}

void TPopupMenu::Popup(int x, int y) {
  if (OnPopup) OnPopup(this);
  HMENU menu = build(*root_);
  HWND owner = Application().MainForm() ? Application().MainForm()->Handle() : GetActiveWindow();
  int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_LEFTBUTTON, x, y, 0, owner, nullptr);
  DestroyMenu(menu);
  if (chosen != 0)
    if (TMenuItem* item = find(*root_, chosen)) item->Click();
}

// ---- TImage ----
TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  width_ = 105;
  height_ = 105;
  PublishObject("Picture", [this] { return &Picture; });
  PublishBool("Stretch", [this] { return Stretch; }, [this](bool v) { Stretch = v; Invalidate(); });
  PublishBool("Transparent", [this] { return Transparent; }, [this](bool v) { Transparent = v; Invalidate(); });
}

void TImage::Paint() {
  if (Picture.Empty()) return;
  if (Transparent && !Stretch) {
    gdi::DrawKeyedBitmap(Canvas.Handle(), 0, 0, Picture.Handle(), true);
    return;
  }
  if (Stretch)
    gdi::StretchBlt(Canvas.Handle(), 0, 0, width_, height_, Picture.Canvas().Handle(), 0, 0, Picture.Width(),
                    Picture.Height(), gdi::SRCCOPY);
  else Canvas.Draw(0, 0, Picture);
}

// ---- TToolButton / TToolBar ----
TToolButton::TToolButton(TComponent* owner) : TComponent(owner), command_(next_command()) {
  PublishString("Caption", [this] { return caption_; }, [this](std::string v) { SetCaption(v); });
  PublishBool("Enabled", [this] { return enabled_; }, [this](bool v) { SetEnabled(v); });
  PublishInt("ImageIndex", [this] { return ImageIndex; }, [this](std::int64_t v) { ImageIndex = static_cast<int>(v); });
  PublishEnum("Style", {"tbsButton", "tbsCheck", "tbsDropDown", "tbsSeparator"}, [this] { return static_cast<int>(Style); },
              [this](int v) { Style = static_cast<TToolButtonStyle>(v); });
}

bool TToolButton::SetEvent(std::string_view name, TNotifyEvent handler) {
  if (name != "OnClick") return false;
  OnClick = std::move(handler);
  return true;
}

// A button freed before its tool bar leaves it.
TToolButton::~TToolButton() {
  if (bar_) bar_->remove_button(this);
}

void TToolButton::SetToolBar(TToolBar* bar) {
  if (bar_ == bar) return;
  if (bar_) bar_->remove_button(this);
  bar_ = bar;
  if (bar) {
    bar->buttons_.push_back(this);
    FreeNotification(bar);
    if (bar->HandleAllocated()) bar->add_to_window(this);
  }
}

void TToolButton::SetCaption(std::string_view s) {
  caption_ = std::string(s);
  if (bar_) bar_->rebuild();
}

void TToolButton::SetEnabled(bool e) {
  enabled_ = e;
  if (bar_ && bar_->HandleAllocated()) SendMessage(bar_->Handle(), TB_ENABLEBUTTON, static_cast<WPARAM>(command_), e);
}

void TToolButton::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

TToolBar::TToolBar(TComponent* owner) : TWinControl(owner) {
  height_ = 29;
  TabStop = false;
  PublishBool("ShowCaptions", [this] { return ShowCaptions; }, [this](bool v) { ShowCaptions = v; });
  PublishBool("Flat", [this] { return Flat; }, [this](bool v) {
    Flat = v;
    Invalidate();
  });
}

gdi::RECT TToolBar::ButtonRect(const TToolButton* b) {
  gdi::RECT r{};
  if (HandleAllocated()) SendMessage(Handle(), TB_GETRECT, static_cast<WPARAM>(b->command_), reinterpret_cast<LPARAM>(&r));
  return r;
}

TToolBar::~TToolBar() {
  for (TToolButton* b : buttons_) {
    b->bar_ = nullptr;
    b->RemoveFreeNotification(this);
  }
}

void TToolBar::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.class_name = "ToolbarWindow32";
  p.style |= TBSTYLE_FLAT | TBSTYLE_LIST | CCS_TOP | CCS_NODIVIDER;
  p.style &= ~WS_TABSTOP;
}

void TToolBar::CreateWnd() {
  SendMessage(Handle(), TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  if (Images) SendMessage(Handle(), TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(Images->Handle()));
  for (TToolButton* b : buttons_) add_to_window(b);
}

void TToolBar::add_to_window(TToolButton* b) {
  TBBUTTON tb;
  tb.iBitmap = b->ImageIndex;
  tb.idCommand = b->command_;
  tb.fsState = b->enabled_ ? TBSTATE_ENABLED : 0;
  tb.fsStyle = b->Style == TToolButtonStyle::tbsSeparator ? BTNS_SEP
               : b->Style == TToolButtonStyle::tbsDropDown ? (BTNS_DROPDOWN | BTNS_AUTOSIZE | BTNS_SHOWTEXT)
               : b->Style == TToolButtonStyle::tbsCheck    ? (BTNS_CHECK | BTNS_AUTOSIZE | BTNS_SHOWTEXT)
                                                           : (BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT);
  tb.iString = ShowCaptions ? reinterpret_cast<std::intptr_t>(b->caption_.c_str()) : 0;
  SendMessage(Handle(), TB_ADDBUTTONS, 1, reinterpret_cast<LPARAM>(&tb));
}

void TToolBar::remove_button(TToolButton* b) {
  buttons_.erase(std::remove(buttons_.begin(), buttons_.end(), b), buttons_.end());
  b->bar_ = nullptr;
  b->RemoveFreeNotification(this);
  rebuild();
}

void TToolBar::rebuild() {
  if (!HandleAllocated()) return;
  while (SendMessage(Handle(), TB_BUTTONCOUNT, 0, 0) > 0) SendMessage(Handle(), TB_DELETEBUTTON, 0, 0);
  for (TToolButton* b : buttons_) add_to_window(b);
}

void TToolBar::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND) {
    for (TToolButton* b : buttons_)
      if (b->command_ == LOWORD(m.WParam)) b->Click();
    return;
  }
  if (m.Msg == CN_NOTIFY && reinterpret_cast<const NMHDR*>(m.LParam)->code == NM_CUSTOMDRAW) {
    auto* cd = reinterpret_cast<const NMCUSTOMDRAW*>(m.LParam);
    m.Result = CDRF_DODEFAULT;
    Canvas.SetHandle(cd->hdc);
    bool default_draw = true;
    if (cd->dwDrawStage == CDDS_PREPAINT) {
      if (OnCustomDraw) OnCustomDraw(this, cd->rc, default_draw);
      m.Result = (default_draw ? CDRF_DODEFAULT : CDRF_SKIPDEFAULT) | (OnCustomDrawButton ? CDRF_NOTIFYITEMDRAW : 0);
    } else if (cd->dwDrawStage == CDDS_ITEMPREPAINT && OnCustomDrawButton) {
      TToolButton* button = nullptr;
      for (TToolButton* b : buttons_)
        if (static_cast<ULONG_PTR>(b->command_) == cd->dwItemSpec) button = b;
      const UINT s = cd->uItemState;
      unsigned state = 0;
      if (s & CDIS_SELECTED) state |= cdsSelected;
      if (s & CDIS_GRAYED) state |= cdsGrayed;
      if (s & CDIS_DISABLED) state |= cdsDisabled;
      if (s & CDIS_CHECKED) state |= cdsChecked;
      if (s & CDIS_FOCUS) state |= cdsFocused;
      if (s & CDIS_HOT) state |= cdsHot;
      if (s & CDIS_INDETERMINATE) state |= cdsIndeterminate;
      // A button in none of the other states shows its default look.
      if (!(state & (cdsSelected | cdsGrayed | cdsDisabled | cdsFocused | cdsHot))) state |= cdsDefault;
      const TColor ink = Canvas.Font.Color();
      if (button) OnCustomDrawButton(this, button, state, default_draw);
      if (default_draw) {
        m.Result = TBCDRF_NOEDGES;
        if (Canvas.Font.Color() != ink) {
          gdi::SetTextColor(cd->hdc, ColorToRGB(Canvas.Font.Color()));
          m.Result |= CDRF_NEWFONT;
        }
      } else {
        m.Result = CDRF_SKIPDEFAULT;
      }
      Canvas.Font.SetColor(ink);
    }
    Canvas.SetHandle(nullptr);
    return;
  }
  if (m.Msg == CN_NOTIFY) {
    auto* nm = reinterpret_cast<const NMTOOLBAR*>(m.LParam);
    if (nm->hdr.code == TBN_DROPDOWN) {
      for (TToolButton* b : buttons_)
        if (b->command_ == nm->iItem && b->DropdownMenu) {
          RECT r{};
          SendMessage(Handle(), TB_GETRECT, static_cast<WPARAM>(b->command_), reinterpret_cast<LPARAM>(&r));
          POINT p{r.left, r.bottom};
          ClientToScreen(Handle(), &p);
          b->DropdownMenu->Popup(p.x, p.y);
        }
      m.Result = TBDDRET_DEFAULT;
    }
    return;
  }
  TWinControl::WndProc(m);
}


}  // namespace platform::components
