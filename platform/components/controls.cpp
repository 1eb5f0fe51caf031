#include "platform/components/controls.h"

#include <algorithm>
#include <set>

#include "platform/components/comctrls.h"
#include "platform/components/dialogs.h"
#include "platform/components/std_ctrls.h"
#include "platform/win/controls.h"

namespace platform::components {
namespace {

constexpr const char* kControlProp = "thc.component";

// Registers a window class of this layer's own (forms, panels, the timer's window) when missing;
// the window system may have been reset since the last registration.
void ensure_class(const std::string& name, bool visible_background) {
  win::WNDCLASSEX existing;
  if (win::GetClassInfoEx(win::GetModuleHandle(nullptr), name.c_str(), &existing)) return;
  win::WNDCLASSEX wc;
  wc.style = win::CS_DBLCLKS;
  wc.lpfnWndProc = win::DefWindowProc;
  wc.hInstance = win::GetModuleHandle(nullptr);
  wc.lpszClassName = name.c_str();
  wc.hCursor = win::LoadCursor(nullptr, win::IDC_ARROW);
  if (visible_background)
    wc.hbrBackground = reinterpret_cast<gdi::HBRUSH>(static_cast<std::uintptr_t>(gdi::COLOR_BTNFACE + 1));
  win::RegisterClassEx(&wc);
}

bool is_layer_message(UINT msg) {
  return (msg >= CM_BASE && msg < CM_BASE + 0x100) || (msg >= CN_BASE && msg < CN_BASE + 0x400);
}

unsigned shift_of(WPARAM wp) {
  unsigned s = 0;
  if (wp & win::MK_SHIFT) s |= ssShift;
  if (wp & win::MK_CONTROL) s |= ssCtrl;
  if (wp & win::MK_LBUTTON) s |= ssLeft;
  if (wp & win::MK_RBUTTON) s |= ssRight;
  if (wp & win::MK_MBUTTON) s |= ssMiddle;
  return s;
}

}  // namespace

// ---- TControl ----
TControl::TControl(TComponent* owner) : TComponent(owner) {
  WindowProc = [this](TMessage& m) { WndProc(m); };
  PublishString("Name", [this] { return Name(); }, nullptr);
  PublishInt("Left", [this] { return left_; }, [this](std::int64_t v) { SetBounds(static_cast<int>(v), top_, width_, height_); });
  PublishInt("Top", [this] { return top_; }, [this](std::int64_t v) { SetBounds(left_, static_cast<int>(v), width_, height_); });
  PublishInt("Width", [this] { return width_; }, [this](std::int64_t v) { SetBounds(left_, top_, static_cast<int>(v), height_); });
  PublishInt("Height", [this] { return height_; }, [this](std::int64_t v) { SetBounds(left_, top_, width_, static_cast<int>(v)); });
  PublishBool("Visible", [this] { return visible_; }, [this](bool v) { SetVisible(v); });
  PublishBool("Enabled", [this] { return enabled_; }, [this](bool v) { SetEnabled(v); });
  PublishString("Caption", [this] { return GetText(); }, [this](std::string v) { SetText(v); });
  PublishInt("Color", [this] { return static_cast<std::int64_t>(color_); }, [this](std::int64_t v) { SetColor(static_cast<TColor>(v)); });
  PublishObject("Font", [this] { return &Font; });
  PublishString("Hint", [this] { return Hint; }, [this](std::string v) { Hint = std::move(v); });
}

TControl::~TControl() {
  if (parent_) parent_->remove_control(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent == this) throw EComponentError("A control cannot have itself as its parent");
  if (parent_) parent_->remove_control(this);
  parent_ = nullptr;
  if (parent) parent->insert_control(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (parent_ && visible_) parent_->Invalidate();
  left_ = left;
  top_ = top;
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  Invalidate();
}

void TControl::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  if (parent_) parent_->Invalidate();
  Perform(CM_VISIBLECHANGED, v ? 1 : 0, 0);
}

void TControl::SetEnabled(bool e) {
  if (e == enabled_) return;
  enabled_ = e;
  Invalidate();
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetText(std::string_view s) {
  if (s == text_) return;
  text_ = std::string(s);
  Invalidate();
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  Invalidate();
  Perform(CM_COLORCHANGED, 0, 0);
}

LRESULT TControl::Perform(UINT msg, WPARAM wp, LPARAM lp) {
  TMessage m{msg, wp, lp, 0};
  WindowProc(m);
  return m.Result;
}

void TControl::Invalidate() {}

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->parent_)
    if (!c->visible_) return false;
  return true;
}

bool TControl::SetEvent(std::string_view name, TNotifyEvent handler) {
  if (name == "OnClick") OnClick = std::move(handler);
  else if (name == "OnDblClick") OnDblClick = std::move(handler);
  else return false;
  return true;
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::mouse_event(TMessage& m) {
  int x = win::GET_X_LPARAM(m.LParam), y = win::GET_Y_LPARAM(m.LParam);
  unsigned shift = shift_of(m.WParam);
  switch (m.Msg) {
    case win::WM_LBUTTONDOWN: MouseDown(shift | ssLeft, x, y); break;
    case win::WM_LBUTTONUP: {
      bool was_down = mouse_down_;
      mouse_down_ = false;
      if (OnMouseUp) OnMouseUp(this, shift, x, y);
      if (was_down && click_events_ && x >= 0 && y >= 0 && x < width_ && y < height_) Click();
      break;
    }
    case win::WM_LBUTTONDBLCLK:
      DblClick();
      break;
    case win::WM_MOUSEMOVE:
      if (OnMouseMove) OnMouseMove(this, shift, x, y);
      break;
    default:
      break;
  }
}

void TControl::MouseDown(unsigned shift, int x, int y) {
  mouse_down_ = true;
  if (OnMouseDown) OnMouseDown(this, shift, x, y);
}

void TControl::WndProc(TMessage& m) {
  if (enabled_) mouse_event(m);
  DefaultHandler(m);
}

void TControl::DefaultHandler(TMessage&) {}

// ---- TGraphicControl ----
TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) { click_events_ = true; }

void TGraphicControl::Invalidate() {
  if (parent_ && parent_->HandleAllocated() && visible_) {
    gdi::RECT r = BoundsRect();
    win::InvalidateRect(parent_->Handle(), &r, win::TRUE);
  }
}

void TGraphicControl::PaintTo(HDC dc) {
  int saved = gdi::SaveDC(dc);
  gdi::POINT old{};
  gdi::OffsetViewportOrgEx(dc, left_, top_, &old);
  gdi::IntersectClipRect(dc, 0, 0, width_, height_);
  Perform(win::WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  gdi::RestoreDC(dc, saved);
}

void TGraphicControl::WndProc(TMessage& m) {
  if (m.Msg == win::WM_PAINT) {
    // Without a DC there is nothing to paint on (a control without a window owns none).
    if (auto dc = reinterpret_cast<HDC>(m.WParam)) {
      Canvas.SetHandle(dc);
      Canvas.Font.Assign(Font);
      Paint();
      Canvas.SetHandle(nullptr);
    }
    return;
  }
  TControl::WndProc(m);
}

// ---- TWinControl ----
TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
  PublishBool("TabStop", [this] { return TabStop; }, [this](bool v) { TabStop = v; });
}

TWinControl::~TWinControl() {
  DestroyHandle();
  while (!controls_.empty()) delete controls_.back();
  if (instance_) win::FreeProcInstance(instance_);
}

TWinControl* TWinControl::FromHandle(HWND hwnd) {
  if (!hwnd || !win::IsWindow(hwnd)) return nullptr;
  return static_cast<TWinControl*>(win::GetProp(hwnd, kControlProp));
}

void TWinControl::insert_control(TControl* c) {
  controls_.push_back(c);
  c->parent_ = this;
  if (auto* w = dynamic_cast<TWinControl*>(c)) {
    if (handle_) {
      if (w->handle_) win::SetParent(w->handle_, handle_);
      else w->CreateHandle();
    }
  } else {
    c->Invalidate();
  }
}

void TWinControl::remove_control(TControl* c) {
  if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  else c->Invalidate();
  controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
  if (mouse_target_ == c) mouse_target_ = nullptr;
  if (hover_ == c) hover_ = nullptr;
  c->parent_ = nullptr;
}

HWND TWinControl::Handle() {
  if (handle_ && !win::IsWindow(handle_)) handle_ = nullptr;  // the window system was reset
  if (!handle_) CreateHandle();
  return handle_;
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.caption = text_;
  p.style = win::WS_CHILD | win::WS_CLIPSIBLINGS | win::WS_CLIPCHILDREN;
  if (visible_) p.style |= win::WS_VISIBLE;
  if (!enabled_) p.style |= win::WS_DISABLED;
  if (TabStop) p.style |= win::WS_TABSTOP;
  p.x = left_;
  p.y = top_;
  p.width = width_;
  p.height = height_;
}

void TWinControl::CreateHandle() {
  if (handle_) return;
  if (parent_ && !parent_->handle_) {
    parent_->CreateHandle();  // which makes this one too
    if (handle_) return;
  }
  TCreateParams p;
  CreateParams(p);
  if (parent_) p.parent = parent_->handle_;
  own_class_ = p.class_name.empty();
  if (own_class_) {
    p.class_name = ClassName();
    ensure_class(p.class_name, true);
  }
  static int next_id = 1000;
  HWND h = win::CreateWindowEx(p.ex_style, p.class_name.c_str(), p.caption.c_str(), p.style, p.x, p.y, p.width,
                               p.height, p.parent,
                               (p.style & win::WS_CHILD) ? reinterpret_cast<win::HMENU>(static_cast<std::intptr_t>(next_id++)) : nullptr,
                               nullptr, nullptr);
  if (!h) throw EComponentError("Error creating window of class " + p.class_name);
  handle_ = h;
  win::SetProp(h, kControlProp, this);
  if (!instance_) instance_ = win::MakeProcInstance([this](HWND hw, UINT msg, WPARAM wp, LPARAM lp) { return main_proc(hw, msg, wp, lp); });
  old_proc_ = reinterpret_cast<win::WNDPROC>(win::SetWindowLongPtr(h, win::GWLP_WNDPROC, reinterpret_cast<win::LONG_PTR>(instance_)));
  apply_font();
  from_code([this] { CreateWnd(); });
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->CreateHandle();
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  if (!win::IsWindow(handle_)) {
    handle_ = nullptr;
    return;
  }
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  DestroyWnd();
  text_ = win::GetWindowText(handle_);
  HWND h = handle_;
  win::DestroyWindow(h);
  handle_ = nullptr;
}

void TWinControl::RecreateWnd() {
  if (!handle_) return;
  Perform(CM_RECREATEWND, 0, 0);
  DestroyHandle();
  CreateHandle();
}

void TWinControl::apply_font() {
  if (handle_) win::SendMessage(handle_, win::WM_SETFONT, reinterpret_cast<WPARAM>(Font.Handle()), 0);
}

LRESULT TWinControl::main_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  TMessage m{msg, wp, lp, 0};
  try {
    WindowProc(m);
  } catch (...) {
    Application().HandleCurrentException();
  }
  if (msg == win::WM_NCDESTROY && hwnd == handle_) {
    win::RemoveProp(hwnd, kControlProp);
    handle_ = nullptr;
  }
  return m.Result;
}

void TWinControl::DefaultHandler(TMessage& m) {
  if (is_layer_message(m.Msg)) return;  // messages of this layer end here unless a control answers them
  if (handle_ && old_proc_) m.Result = win::CallWindowProc(old_proc_, handle_, m.Msg, m.WParam, m.LParam);
}

TControl* TWinControl::graphic_at(int x, int y) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
    if (x >= c->Left() && y >= c->Top() && x < c->Left() + c->Width() && y < c->Top() + c->Height()) return c;
  }
  return nullptr;
}

void TWinControl::paint_graphics() {
  bool any = false;
  for (TControl* c : controls_)
    if (!dynamic_cast<TWinControl*>(c) && c->Visible()) any = true;
  if (!any || !handle_) return;
  HDC dc = win::GetDC(handle_);
  for (TControl* c : controls_)
    if (auto* g = dynamic_cast<TGraphicControl*>(c); g && g->Visible()) g->PaintTo(dc);
  win::ReleaseDC(handle_, dc);
}

void TWinControl::WndProc(TMessage& m) {
  if (auto it = handlers_.find(m.Msg); it != handlers_.end() && it->second) {
    it->second(m);
    return;
  }
  switch (m.Msg) {
    case win::WM_COMMAND:
    case win::WM_HSCROLL:
    case win::WM_VSCROLL:
      if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(m.LParam)); child && child != this) {
        m.Result = child->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
        return;
      }
      break;
    case win::WM_NOTIFY:
      if (auto* hdr = reinterpret_cast<const win::NMHDR*>(m.LParam)) {
        if (TWinControl* child = FromHandle(hdr->hwndFrom); child && child != this) {
          m.Result = child->Perform(CN_NOTIFY, m.WParam, m.LParam);
          return;
        }
      }
      break;
    case win::WM_DRAWITEM:
      if (auto* di = reinterpret_cast<const win::DRAWITEMSTRUCT*>(m.LParam); di && di->CtlType != win::ODT_MENU) {
        if (TWinControl* child = FromHandle(di->hwndItem); child && child != this) {
          m.Result = child->Perform(CN_DRAWITEM, m.WParam, m.LParam);
          return;
        }
      }
      break;
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONUP:
    case win::WM_LBUTTONDBLCLK:
    case win::WM_MOUSEMOVE: {
      int x = win::GET_X_LPARAM(m.LParam), y = win::GET_Y_LPARAM(m.LParam);
      if (m.Msg == win::WM_MOUSEMOVE && !mouse_inside_) {
        mouse_inside_ = true;
        win::TRACKMOUSEEVENT tme;
        tme.dwFlags = win::TME_LEAVE;
        tme.hwndTrack = handle_;
        win::TrackMouseEvent(&tme);
        Perform(CM_MOUSEENTER, 0, 0);
      }
      TControl* target = mouse_target_ ? mouse_target_ : graphic_at(x, y);
      if (m.Msg == win::WM_MOUSEMOVE && !mouse_target_ && target != hover_) {
        // Controls without a window hear the mouse come and go from their parent.
        if (hover_) hover_->Perform(CM_MOUSELEAVE, 0, 0);
        hover_ = target;
        if (hover_) hover_->Perform(CM_MOUSEENTER, 0, 0);
      }
      if (target) {
        if (m.Msg == win::WM_LBUTTONDOWN) {
          mouse_target_ = target;
          win::SetCapture(handle_);
        }
        m.Result = target->Perform(m.Msg, m.WParam, win::MAKELPARAM(x - target->Left(), y - target->Top()));
        if (m.Msg == win::WM_LBUTTONUP) {
          mouse_target_ = nullptr;
          if (win::GetCapture() == handle_) win::ReleaseCapture();
        }
        return;
      }
      break;
    }
    case win::WM_MOUSELEAVE:
      mouse_inside_ = false;
      if (hover_) {
        TControl* h = hover_;
        hover_ = nullptr;
        h->Perform(CM_MOUSELEAVE, 0, 0);
      }
      Perform(CM_MOUSELEAVE, 0, 0);
      break;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: {
      auto key = static_cast<UINT>(m.WParam);
      LRESULT code = handle_ ? win::SendMessage(handle_, win::WM_GETDLGCODE, m.WParam, 0) : 0;
      bool dialog_key = false;
      if (m.Msg == CN_SYSKEYDOWN) dialog_key = true;
      else if (code & win::DLGC_WANTALLKEYS) dialog_key = false;
      else if (key == win::VK_TAB) dialog_key = !(code & win::DLGC_WANTTAB);
      else if (key == win::VK_LEFT || key == win::VK_RIGHT || key == win::VK_UP || key == win::VK_DOWN)
        dialog_key = !(code & win::DLGC_WANTARROWS);
      else if (key == win::VK_RETURN || key == win::VK_ESCAPE) dialog_key = true;
      m.Result = 0;
      if (dialog_key)
        if (TCustomForm* f = ParentForm()) m.Result = f->Perform(CM_DIALOGKEY, m.WParam, m.LParam) != 0 ? 1 : 0;
      return;
    }
    case win::WM_ERASEBKGND:
      if (own_class_ && !(color_ & 0x80000000u)) {  // an explicit colour; system colours come from the class
        gdi::RECT r;
        win::GetClientRect(handle_, &r);
        gdi::HBRUSH b = gdi::CreateSolidBrush(ColorToRGB(color_));
        gdi::FillRect(reinterpret_cast<HDC>(m.WParam), &r, b);
        gdi::DeleteObject(b);
        m.Result = 1;
        return;
      }
      break;
    case win::WM_PAINT:
      DefaultHandler(m);
      paint_graphics();
      return;
    case win::WM_SETFOCUS:
      DefaultHandler(m);
      // Every control of the form hears that the focus moved (a skin repaints focus marks).
      if (TCustomForm* f = ParentForm(); f && f != this) {
        std::function<void(TWinControl*)> tell = [&](TWinControl* w) {
          for (int i = 0; i < w->ControlCount(); ++i) {
            TControl* c = w->Controls(i);
            c->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(this));
            if (auto* wc = dynamic_cast<TWinControl*>(c)) tell(wc);
          }
        };
        tell(f);
      }
      if (OnEnter) OnEnter(this);
      return;
    case win::WM_KILLFOCUS:
      DefaultHandler(m);
      Perform(CM_EXIT, 0, 0);
      if (OnExit) OnExit(this);
      return;
    case win::WM_MOVE:
    case win::WM_SIZE:
      if (handle_) {
        gdi::RECT r;
        win::GetWindowRect(handle_, &r);
        if (parent_ && parent_->handle_) win::MapWindowPoints(nullptr, parent_->handle_, reinterpret_cast<gdi::POINT*>(&r), 2);
        left_ = r.left;
        top_ = r.top;
        width_ = r.right - r.left;
        height_ = r.bottom - r.top;
      }
      break;
    default:
      break;
  }
  TControl::WndProc(m);
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  if (handle_) win::SetWindowPos(handle_, nullptr, left_, top_, width_, height_, win::SWP_NOZORDER | win::SWP_NOACTIVATE);
}

void TWinControl::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  if (handle_) win::ShowWindow(handle_, v ? (parent_ ? win::SW_SHOWNOACTIVATE : win::SW_SHOW) : win::SW_HIDE);
  Perform(CM_VISIBLECHANGED, v ? 1 : 0, 0);
}

void TWinControl::SetEnabled(bool e) {
  if (e == enabled_) return;
  enabled_ = e;
  if (handle_) win::EnableWindow(handle_, e);
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

std::string TWinControl::GetText() const {
  if (handle_ && win::IsWindow(handle_)) return win::GetWindowText(handle_);
  return text_;
}

void TWinControl::SetText(std::string_view s) {
  if (GetText() == s) return;
  text_ = std::string(s);
  if (handle_) from_code([&] { win::SetWindowText(handle_, s); });
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TWinControl::Invalidate() {
  if (handle_) win::InvalidateRect(handle_, nullptr, win::TRUE);
}

TCustomForm* TWinControl::ParentForm() {
  for (TWinControl* w = this; w; w = w->parent_)
    if (auto* f = dynamic_cast<TCustomForm*>(w)) return f;
  return nullptr;
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool forward) {
  std::vector<TWinControl*> order;
  std::function<void(TWinControl*)> collect = [&](TWinControl* w) {
    for (TControl* c : w->controls_)
      if (auto* wc = dynamic_cast<TWinControl*>(c); wc && wc->Visible() && wc->Enabled()) {
        if (wc->TabStop) order.push_back(wc);
        collect(wc);
      }
  };
  collect(this);
  if (order.empty()) return nullptr;
  auto it = std::find(order.begin(), order.end(), current);
  if (it == order.end()) return forward ? order.front() : order.back();
  std::size_t i = static_cast<std::size_t>(it - order.begin());
  return forward ? order[(i + 1) % order.size()] : order[(i + order.size() - 1) % order.size()];
}

void TWinControl::SetFocus() { win::SetFocus(Handle()); }

bool TWinControl::Focused() const { return handle_ && win::GetFocus() == handle_; }

// ---- TCustomForm ----
namespace {
std::vector<TCustomForm*>& form_list() {
  static std::vector<TCustomForm*> forms;
  return forms;
}
}  // namespace

int TApplication::FormCount() { return static_cast<int>(form_list().size()); }

TCustomForm* TApplication::Forms(int index) {
  if (index < 0 || index >= FormCount()) throw EComponentError("List index out of bounds (" + std::to_string(index) + ")");
  return form_list()[static_cast<std::size_t>(index)];
}

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
  form_list().push_back(this);
  PublishObject("Menu", [this] { return static_cast<TObject*>(menu_); });
  visible_ = false;
  width_ = 640;
  height_ = 480;
  PublishEnum("Position", {"poDesigned", "poDefault", "poScreenCenter", "poMainFormCenter"},
              [this] { return static_cast<int>(Position); }, [this](int v) { Position = static_cast<TPosition>(v); });
  PublishBool("AutoScroll", [this] { return AutoScroll; }, [this](bool v) { AutoScroll = v; });
  PublishEnum("BorderStyle", {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"},
              [this] { return static_cast<int>(BorderStyle); },
              [this](int v) { BorderStyle = static_cast<TFormBorderStyle>(v); });
  PublishInt("ClientWidth", [this] { gdi::RECT r{}; if (HandleAllocated()) win::GetClientRect(Handle(), &r); return static_cast<std::int64_t>(r.right); },
             [this](std::int64_t v) { SetClientSize(static_cast<int>(v), -1); });
  PublishInt("ClientHeight", [this] { gdi::RECT r{}; if (HandleAllocated()) win::GetClientRect(Handle(), &r); return static_cast<std::int64_t>(r.bottom); },
             [this](std::int64_t v) { SetClientSize(-1, static_cast<int>(v)); });
}

TCustomForm::~TCustomForm() {
  // A menu the form owns is freed after the form's own parts: it must not call back into them.
  if (menu_) menu_->form_ = nullptr;
  auto& forms = form_list();
  forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
  if (OnDestroy) {
    try {
      OnDestroy(this);
    } catch (const std::exception& e) {
      Application().HandleException(e);
    }
  }
}

void TCustomForm::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.style = win::WS_CLIPCHILDREN;
  switch (BorderStyle) {
    case TFormBorderStyle::bsNone: p.style |= win::WS_POPUP; break;
    case TFormBorderStyle::bsSingle: p.style |= win::WS_CAPTION | win::WS_SYSMENU | win::WS_MINIMIZEBOX | win::WS_BORDER; break;
    case TFormBorderStyle::bsDialog: p.style |= win::WS_CAPTION | win::WS_SYSMENU | win::WS_DLGFRAME; p.ex_style |= win::WS_EX_DLGMODALFRAME; break;
    case TFormBorderStyle::bsToolWindow: p.style |= win::WS_CAPTION | win::WS_SYSMENU; p.ex_style |= win::WS_EX_TOOLWINDOW; break;
    default: p.style |= win::WS_OVERLAPPEDWINDOW; break;
  }
  if (Position == TPosition::poScreenCenter || Position == TPosition::poMainFormCenter) {
    p.x = (win::GetSystemMetrics(win::SM_CXSCREEN) - width_) / 2;
    p.y = (win::GetSystemMetrics(win::SM_CYSCREEN) - height_) / 2;
    left_ = p.x;
    top_ = p.y;
  }
}

void TCustomForm::SetMenu(TMainMenu* menu) {
  if (menu == menu_) return;
  if (menu_) {
    menu_->form_ = nullptr;
    RemoveFreeNotification(menu_);
  }
  menu_ = menu;
  if (menu_) {
    if (menu_->form_) menu_->form_->SetMenu(nullptr);
    menu_->form_ = this;
    FreeNotification(menu_);
  }
  if (HandleAllocated()) {
    win::SetMenu(Handle(), menu_ ? menu_->Handle() : nullptr);
    Perform(CM_MENUCHANGED, 0, 0);
  }
}

void TCustomForm::CreateWnd() {
  if (menu_) win::SetMenu(Handle(), menu_->Handle());
}

void TCustomForm::Notification(TComponent* c, TOperation op) {
  if (op == TOperation::opRemove && c == menu_) menu_ = nullptr;
  TWinControl::Notification(c, op);
}

void TCustomForm::SetClientSize(int width, int height) {
  gdi::RECT client{};
  win::GetClientRect(Handle(), &client);
  int dw = width_ - client.right, dh = height_ - client.bottom;
  SetBounds(left_, top_, width < 0 ? width_ : width + dw, height < 0 ? height_ : height + dh);
}

bool TCustomForm::SetEvent(std::string_view name, TNotifyEvent handler) {
  if (name == "OnCreate") OnCreate = std::move(handler);
  else if (name == "OnDestroy") OnDestroy = std::move(handler);
  else if (name == "OnShow") OnShow = std::move(handler);
  else return TWinControl::SetEvent(name, std::move(handler));
  return true;
}

void TCustomForm::DoCreate() {
  // A failing creation handler is reported like any handler's failure, and the form still opens.
  try {
    if (OnCreate) OnCreate(this);
  } catch (const std::exception& e) {
    Application().HandleException(e);
  }
}

void TCustomForm::Show() {
  HWND h = Handle();
  bool was = visible_;
  visible_ = true;
  win::ShowWindow(h, win::SW_SHOW);
  win::SetActiveWindow(h);
  if (!was) {
    Perform(CM_VISIBLECHANGED, 1, 0);
    if (OnShow) OnShow(this);
  }
}

void TCustomForm::Close() {
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return;
  if (modal_) {
    if (ModalResult == 0) ModalResult = 2;  // cancel
    return;
  }
  if (Application().MainForm() == this) Application().Terminate();
  else if (action == TCloseAction::caMinimize) win::ShowWindow(Handle(), win::SW_MINIMIZE);
  else Hide();
}

int TCustomForm::ShowModal() {
  if (visible_ || modal_) throw EComponentError("Cannot make a visible window modal");
  HWND owner = Application().MainForm() && Application().MainForm() != this && Application().MainForm()->HandleAllocated()
                   ? Application().MainForm()->Handle()
                   : nullptr;
  if (owner) win::EnableWindow(owner, win::FALSE);
  ModalResult = 0;
  modal_ = true;
  Show();
  try {
    win::RunModalLoop([this] { return ModalResult != 0 || Application().Terminated(); }, 0);
  } catch (...) {
    modal_ = false;
    if (owner) win::EnableWindow(owner, win::TRUE);
    throw;
  }
  modal_ = false;
  if (owner) win::EnableWindow(owner, win::TRUE);
  Hide();
  return ModalResult;
}

void TCustomForm::WndProc(TMessage& m) {
  if (m.Msg == win::WM_CLOSE) {
    Close();
    return;
  }
  // A command of the menu bar (no control sent it).
  if (m.Msg == win::WM_COMMAND && m.LParam == 0 && win::HIWORD(m.WParam) == 0 && menu_ &&
      menu_->DispatchCommand(win::LOWORD(m.WParam)))
    return;
  // Owner-drawn items of the form's menus draw themselves.
  if ((m.Msg == win::WM_MEASUREITEM || m.Msg == win::WM_DRAWITEM) && m.WParam == 0 && DispatchMenuItemDrawing(m)) return;
  if (m.Msg == CM_DIALOGKEY) {
    // Tab moves the focus; Enter and Esc press the default and cancel buttons.
    auto key = static_cast<UINT>(m.WParam);
    m.Result = 0;
    if (key == win::VK_TAB) {
      TWinControl* focused = FromHandle(win::GetFocus());
      if (TWinControl* next = FindNextControl(focused, win::GetKeyState(win::VK_SHIFT) >= 0)) {
        next->SetFocus();
        m.Result = 1;
      }
      return;
    }
    if (key == win::VK_RETURN || key == win::VK_ESCAPE) {
      std::function<TControl*(TWinControl*)> find = [&](TWinControl* w) -> TControl* {
        for (int i = 0; i < w->ControlCount(); ++i) {
          TControl* c = w->Controls(i);
          if (!c->Visible() || !c->Enabled()) continue;
          if (auto* b = dynamic_cast<TButton*>(c); b && (key == win::VK_RETURN ? b->Default : b->Cancel)) return b;
          if (auto* wc = dynamic_cast<TWinControl*>(c))
            if (TControl* f = find(wc)) return f;
        }
        return nullptr;
      };
      if (TControl* b = find(this)) {
        b->Click();
        m.Result = 1;
      }
    }
    return;
  }
  TWinControl::WndProc(m);
}

// ---- TTimer ----
TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  PublishBool("Enabled", [this] { return enabled_; }, [this](bool v) { SetEnabled(v); });
  PublishInt("Interval", [this] { return static_cast<std::int64_t>(interval_); },
             [this](std::int64_t v) { SetInterval(static_cast<unsigned>(std::clamp<std::int64_t>(v, 0, 0x7FFFFFFF))); });
  update();
}

TTimer::~TTimer() {
  if (window_ && win::IsWindow(window_)) win::DestroyWindow(window_);
  if (proc_) win::FreeProcInstance(proc_);
}

void TTimer::SetEnabled(bool e) {
  if (e == enabled_) return;
  enabled_ = e;
  update();
}

void TTimer::SetInterval(unsigned ms) {
  interval_ = ms;
  update();  // also for the same value: the countdown starts again
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  OnTimer = std::move(handler);
  update();
}

bool TTimer::SetEvent(std::string_view name, TNotifyEvent handler) {
  if (name != "OnTimer") return false;
  SetOnTimer(std::move(handler));
  return true;
}

void TTimer::update() {
  if (window_ && win::IsWindow(window_)) win::KillTimer(window_, 1);
  if (!enabled_ || interval_ == 0) return;
  if (!window_ || !win::IsWindow(window_)) {
    ensure_class("TPUtilWindow", false);
    window_ = win::CreateWindowEx(0, "TPUtilWindow", "", win::WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    if (!window_) throw EComponentError("Error creating window of class TPUtilWindow");
    if (!proc_)
      proc_ = win::MakeProcInstance([this](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
        if (msg != win::WM_TIMER) return win::DefWindowProc(h, msg, wp, lp);
        try {
          if (OnTimer) OnTimer(this);
        } catch (const std::exception& e) {
          Application().HandleException(e);
        }
        return 0;
      });
    win::SetWindowLongPtr(window_, win::GWLP_WNDPROC, reinterpret_cast<win::LONG_PTR>(proc_));
  }
  if (!win::SetTimer(window_, 1, interval_, nullptr)) throw EComponentError("Not enough timers available");
}

// ---- TApplication ----
TApplication::TApplication() : TComponent(nullptr) {
  PublishString("Title", [this] { return Title; }, [this](std::string v) { Title = std::move(v); });
}

TApplication::~TApplication() { DestroyComponents(); }

void TApplication::Notification(TComponent* c, TOperation op) {
  if (op == TOperation::opRemove && c == main_form_) main_form_ = nullptr;
}

void TApplication::Run() {
  if (main_form_) main_form_->Show();
  while (!terminated_) {
    win::MSG msg;
    win::BOOL r = win::GetMessage(&msg, nullptr, 0, 0);
    if (r == 0) {
      terminated_ = true;
      break;
    }
    if (r < 0) break;
    try {
      if (IsKeyMsg(msg)) continue;
      win::TranslateMessage(&msg);
      win::DispatchMessage(&msg);
    } catch (const std::exception& e) {
      HandleException(e);
    }
  }
}

bool TApplication::IsKeyMsg(const win::MSG& msg) {
  if (msg.message != win::WM_KEYDOWN && msg.message != win::WM_SYSKEYDOWN) return false;
  // The window may be a part of a control (a combo box's edit): the nearest control answers.
  TWinControl* c = nullptr;
  for (HWND h = msg.hwnd; h && !c; h = win::GetParent(h)) c = TWinControl::FromHandle(h);
  if (!c) return false;
  UINT code = msg.message == win::WM_KEYDOWN ? CN_KEYDOWN : CN_SYSKEYDOWN;
  return c->Perform(code, msg.wParam, msg.lParam) != 0;
}

void TApplication::Terminate() { win::PostQuitMessage(0); }

void TApplication::ProcessMessages() {
  win::MSG msg;
  while (win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
    if (msg.message == win::WM_QUIT) {
      terminated_ = true;
      break;
    }
    try {
      if (IsKeyMsg(msg)) continue;
      win::TranslateMessage(&msg);
      win::DispatchMessage(&msg);
    } catch (const std::exception& e) {
      HandleException(e);
    }
  }
}

void TApplication::HandleException(const std::exception& e) {
  if (OnException) {
    OnException(this, e);
    return;
  }
  ShowException(e);
}

void TApplication::HandleCurrentException() {
  try {
    throw;
  } catch (const std::exception& e) {
    HandleException(e);
  } catch (...) {
    HandleException(EComponentError("Unknown exception"));
  }
}

void TApplication::ShowException(const std::exception& e) {
  std::string text = e.what();
  if (!text.empty() && text.back() != '.') text += '.';
  ShowExceptionBox(text, Title);
}

namespace {
std::unique_ptr<TApplication>& app_slot() {
  // The window system's own state is made first, so that at exit it outlives the application
  // object, whose forms still destroy their windows.
  static std::unique_ptr<TApplication> app = [] {
    win::GetDesktopWindow();
    win::GetCurrentThreadId();
    win::FreeProcInstance(win::MakeProcInstance([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }));
    win::UnhookWindowsHookEx(win::SetWindowsHookEx(win::WH_CBT, [](int, WPARAM, LPARAM) -> LRESULT { return 0; }, nullptr, 0));
    gdi::DeleteObject(gdi::CreateSolidBrush(0));
    win::MSG msg;
    win::PeekMessage(&msg, nullptr, 0, 0, win::PM_NOREMOVE);
    return std::unique_ptr<TApplication>();
  }();
  return app;
}
}  // namespace

TApplication& Application() {
  auto& a = app_slot();
  if (!a) a = std::make_unique<TApplication>();
  return *a;
}

void ResetApplication() { app_slot().reset(); }

}  // namespace platform::components
