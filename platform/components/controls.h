// Controls, windowed controls, forms, timers and the application object.
//
// A windowed control owns a window of platform/win, created when it first needs one (its form is
// shown or its handle asked for). The window's procedure is replaced by a bound procedure that hands
// every message to the control's `WindowProc` method, which other code may replace and chain
// (saving the old method first); the default method is `WndProc`, which ends in the window class's
// own procedure. Parents reflect WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, scroll and colour messages
// to the child they concern as CN_BASE + message.
//
// Setting a property from code never fires OnClick or OnChange: only what the user does at the
// window (a click, a selection, typing) fires them.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/components/classes.h"
#include "platform/components/graphics.h"
#include "platform/win/win.h"

namespace platform::components {

using win::HWND;

class TWinControl;
class TCustomForm;
class TMainMenu;

using TMouseEvent = std::function<void(TObject* sender, unsigned shift, int x, int y)>;
// Shift state bits of mouse events.
enum : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32 };

class TControl : public TComponent {
public:
  explicit TControl(TComponent* owner);
  ~TControl() override;
  std::string ClassName() const override { return "TControl"; }
  friend class TWinControl;

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  virtual void SetBounds(int left, int top, int width, int height);
  gdi::RECT BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool v);
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool e);
  std::string Caption() const { return GetText(); }
  void SetCaption(std::string_view s) { SetText(s); }
  virtual std::string GetText() const { return text_; }
  virtual void SetText(std::string_view s);
  TColor Color() const { return color_; }
  virtual void SetColor(TColor c);
  TFont Font;
  std::string Hint;

  // The window-procedure method: replaceable; `Perform` sends a message through it.
  TWndMethod WindowProc;
  LRESULT Perform(UINT msg, WPARAM wp, LPARAM lp);
  virtual void Invalidate();
  // Whether this control is shown (it and its parents are visible).
  bool Showing() const;

  TNotifyEvent OnClick, OnDblClick;
  TMouseEvent OnMouseMove, OnMouseDown, OnMouseUp;
  bool SetEvent(std::string_view name, TNotifyEvent handler) override;

  // What a user's click does (fires OnClick); code that wants the user's effect calls it too.
  virtual void Click();
  virtual void DblClick();
  // What a press of the mouse does besides the window's own reaction (fires OnMouseDown); `shift`
  // holds the button and the key states.
  void MouseDown(unsigned shift, int x, int y);

protected:
  virtual void WndProc(TMessage& m);
  // Messages nobody handled: the window class's procedure for windowed controls.
  virtual void DefaultHandler(TMessage& m);
  virtual void VisibleChanging() {}
  void mouse_event(TMessage& m);

  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 75, height_ = 25;
  bool visible_ = true, enabled_ = true;
  std::string text_;
  TColor color_ = clBtnFace;
  bool mouse_down_ = false, mouse_inside_ = false;
  // Whether a mouse press and release over the control is a click (controls drawn by this layer);
  // controls of a window class report their clicks through the class's notification instead.
  bool click_events_ = false;
};

// A control without a window of its own: its parent paints it and routes mouse input to it.
class TGraphicControl : public TControl {
public:
  explicit TGraphicControl(TComponent* owner);
  std::string ClassName() const override { return "TGraphicControl"; }
  TCanvas Canvas;
  void Invalidate() override;
  // Paints with Canvas set to the parent's DC, origin at this control.
  virtual void Paint() {}
  // The parent's painting: WM_PAINT with the DC (origin at this control) through the
  // window-procedure method, which a skinner may have taken over.
  void PaintTo(HDC dc);

protected:
  void WndProc(TMessage& m) override;
};

struct TCreateParams {
  std::string class_name;  // empty: a class of this layer named after ClassName()
  std::string caption;
  win::DWORD style = 0, ex_style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  HWND parent = nullptr;
};

class TWinControl : public TControl {
public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;
  std::string ClassName() const override { return "TWinControl"; }

  HWND Handle();  // creates the window when there is none
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded() { Handle(); }
  // Recreates the window (new handle), telling the control first with CM_RECREATEWND.
  void RecreateWnd();

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int i) const { return controls_.at(static_cast<std::size_t>(i)); }
  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool v) override;
  void SetEnabled(bool e) override;
  std::string GetText() const override;
  void SetText(std::string_view s) override;
  void Invalidate() override;
  void SetFocus();
  bool Focused() const;
  bool TabStop = true;
  // Handles one window message for this control instead of the default path (a message-map entry:
  // the form's device-change handler, for example).
  void SetMessageHandler(UINT msg, TWndMethod handler) { handlers_[msg] = std::move(handler); }

  TNotifyEvent OnEnter, OnExit;
  // The form this control sits on (itself for a form), or null.
  TCustomForm* ParentForm();
  // The next control that takes the focus by Tab, in creation order, or null.
  TWinControl* FindNextControl(TWinControl* current, bool forward);
  // The control whose window this is, if any.
  static TWinControl* FromHandle(HWND hwnd);

protected:
  friend class TControl;
  virtual void CreateParams(TCreateParams& params);
  // After the window exists (and before its children): push stored state into it.
  virtual void CreateWnd() {}
  // Before the window goes: pull state out of it that must survive a recreation.
  virtual void DestroyWnd() {}
  void WndProc(TMessage& m) override;
  void DefaultHandler(TMessage& m) override;
  void CreateHandle();
  void DestroyHandle();
  // Runs `fn` with change events suppressed (setting a property from code).
  template <typename F>
  void from_code(F&& fn) {
    ++updating_;
    try {
      fn();
    } catch (...) {
      --updating_;
      throw;
    }
    --updating_;
  }
  bool updating() const { return updating_ > 0; }
  void apply_font();

private:
  friend class TGraphicControl;
  void insert_control(TControl* c);
  void remove_control(TControl* c);
  TControl* graphic_at(int x, int y) const;
  void paint_graphics();
  LRESULT main_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  HWND handle_ = nullptr;
  win::WNDPROC instance_ = nullptr;
  win::WNDPROC old_proc_ = nullptr;
  std::vector<TControl*> controls_;
  std::map<UINT, TWndMethod> handlers_;
  int updating_ = 0;
  bool own_class_ = false;  // a window class of this layer (the control paints its own background)
  TControl* mouse_target_ = nullptr;  // the control without a window that holds the mouse
  TControl* hover_ = nullptr;         // the control without a window under the mouse
  friend void remove_from_parent(TControl*);
};

// A plain container: a panel's or group box's window of this layer's own class.
class TCustomControl : public TWinControl {
public:
  explicit TCustomControl(TComponent* owner) : TWinControl(owner) {
    click_events_ = true;
    PublishBool("ParentBackground", [this] { return ParentBackground; }, [this](bool v) { ParentBackground = v; Invalidate(); });
  }
  std::string ClassName() const override { return "TCustomControl"; }
  bool ParentBackground = true;
  TCanvas Canvas;
};

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
enum class TPosition { poDesigned, poDefault, poScreenCenter, poMainFormCenter };
enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

class TCustomForm : public TWinControl {
public:
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;
  std::string ClassName() const override { return "TCustomForm"; }

  TPosition Position = TPosition::poDesigned;
  bool AutoScroll = false;
  TFormBorderStyle BorderStyle = TFormBorderStyle::bsSizeable;
  int ModalResult = 0;
  void Show();
  void Hide() { SetVisible(false); }
  // Asks OnClose; closing the main form ends the application.
  void Close();
  int ShowModal();
  // Whether the form runs in ShowModal's loop now.
  bool Modal() const { return modal_; }
  // Runs OnCreate; the application calls it once the form is built.
  void DoCreate();
  TNotifyEvent OnCreate, OnDestroy, OnShow;
  TCloseEvent OnClose;
  bool SetEvent(std::string_view name, TNotifyEvent handler) override;
  // The client size in pixels.
  void SetClientSize(int width, int height);
  // The menu bar (a skin reads it as "Menu"); its commands run its items.
  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* menu);

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void WndProc(TMessage& m) override;
  void Notification(TComponent* c, TOperation op) override;

private:
  TMainMenu* menu_ = nullptr;
  bool modal_ = false;
  bool destroyed_notice_ = false;
};

class TForm : public TCustomForm {
public:
  explicit TForm(TComponent* owner) : TCustomForm(owner) {}
  std::string ClassName() const override { return "TForm"; }
};

// A timer that ticks through the message loop (never while another handler runs, except inside
// ProcessMessages or a modal loop). Assigning Interval restarts the countdown even with the same
// value; enabling a stopped timer starts a full interval; missed intervals do not pile up.
class TTimer : public TComponent {
public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;
  std::string ClassName() const override { return "TTimer"; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool e);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned ms);
  TNotifyEvent OnTimer;
  void SetOnTimer(TNotifyEvent handler);
  bool SetEvent(std::string_view name, TNotifyEvent handler) override;

private:
  void update();
  bool enabled_ = true;
  unsigned interval_ = 1000;
  HWND window_ = nullptr;
  win::WNDPROC proc_ = nullptr;
};

using TExceptionEvent = std::function<void(TObject* sender, const std::exception& e)>;

class TApplication : public TComponent {
public:
  TApplication();
  ~TApplication() override;
  std::string ClassName() const override { return "TApplication"; }

  std::string Title;
  TCustomForm* MainForm() const { return main_form_; }
  // Makes a form owned by the application, builds it (`build`, the form's table) and runs its
  // OnCreate; the first form becomes the main form.
  template <typename F>
  F* CreateForm(const std::function<void(F&)>& build = nullptr) {
    auto* f = new F(this);
    if (!main_form_) main_form_ = f;
    if (build) build(*f);
    f->DoCreate();
    return f;
  }
  // Shows the main form and dispatches messages until Terminate or WM_QUIT.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Dispatches what is waiting now (timers that are due included) and returns.
  void ProcessMessages();
  // A key press that is a dialog key (Tab, arrows, Enter, Esc, Alt combinations) for the control
  // that has it goes to the control as CN_KEYDOWN and to its form as CM_DIALOGKEY first; answers
  // whether the key was used there (the message is then not dispatched).
  static bool IsKeyMsg(const win::MSG& msg);
  // What every event handler's exception comes to: OnException, or the standard exception box.
  void HandleException(const std::exception& e);
  // The same for the exception being handled now; call it only inside a catch block.
  void HandleCurrentException();
  void ShowException(const std::exception& e);
  TExceptionEvent OnException;
  unsigned HintPause = 500, HintHidePause = 2500;
  // Every form that exists (the application's and any other), in creation order.
  static int FormCount();
  static TCustomForm* Forms(int index);

protected:
  void Notification(TComponent* c, TOperation op) override;

private:
  TCustomForm* main_form_ = nullptr;
  bool terminated_ = false;
};

// The process's application object (made on first use; tests reset it between cases).
TApplication& Application();
void ResetApplication();

}  // namespace platform::components
