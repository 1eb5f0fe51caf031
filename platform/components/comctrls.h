// The common controls of the console's form: labelled edits, status bar with panels, page control
// with tab sheets, date-time picker, popup menus, images and the tool bar.
#pragma once

#include <string>
#include <vector>

#include "core/clock.h"
#include "platform/components/std_ctrls.h"

namespace platform::components {

// An edit with a label above it (the label sits on the edit's parent).
class TLabeledEdit : public TEdit {
public:
  explicit TLabeledEdit(TComponent* owner);
  std::string ClassName() const override { return "TLabeledEdit"; }
  TLabel& EditLabel() { return *label_; }
  void SetParent(TWinControl* parent) override;
  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool v) override;
  void SetEnabled(bool e) override;

protected:
  void Notification(TComponent* c, TOperation op) override;

private:
  void place_label();
  TLabel* label_;
};

class TStatusBar;
class TStatusPanel {
public:
  const std::string& Text() const { return text_; }
  void SetText(std::string_view s);
  int Width() const { return width_; }
  void SetWidth(int w);

private:
  friend class TStatusBar;
  TStatusBar* bar_ = nullptr;
  int index_ = 0;
  std::string text_;
  int width_ = 50;
};

class TStatusBar : public TWinControl {
public:
  explicit TStatusBar(TComponent* owner);
  std::string ClassName() const override { return "TStatusBar"; }
  TStatusPanel& AddPanel(int width);
  int PanelCount() const { return static_cast<int>(panels_.size()); }
  TStatusPanel& Panels(int i);
  bool SimplePanel = false;
  std::string SimpleText;

protected:
  void CreateParams(TCreateParams& p) override;
  void CreateWnd() override;

private:
  friend class TStatusPanel;
  void update_parts();
  void update_text(int i);
  std::vector<std::unique_ptr<TStatusPanel>> panels_;
};

class TPageControl;
class TTabSheet : public TWinControl {
public:
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;
  std::string ClassName() const override { return "TTabSheet"; }
  TPageControl* PageControl() const { return page_control_; }
  void SetPageControl(TPageControl* pc);
  void SetText(std::string_view s) override;
  int PageIndex() const;

private:
  friend class TPageControl;
  TPageControl* page_control_ = nullptr;
};

class TPageControl : public TWinControl {
public:
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;
  std::string ClassName() const override { return "TPageControl"; }
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* Pages(int i) const { return pages_.at(static_cast<std::size_t>(i)); }
  int ActivePageIndex() const { return active_; }
  void SetActivePageIndex(int i);  // fires no OnChange
  TNotifyEvent OnChange;
  bool SetEvent(std::string_view name, TNotifyEvent handler) override;

protected:
  void CreateParams(TCreateParams& p) override;
  void CreateWnd() override;
  void WndProc(TMessage& m) override;

private:
  friend class TTabSheet;
  void insert_page(TTabSheet* page);
  void remove_page(TTabSheet* page);
  void layout();
  std::vector<TTabSheet*> pages_;
  int active_ = -1;
};

enum class TDateTimeKind { dtkDate, dtkTime };

class TDateTimePicker : public TWinControl {
public:
  explicit TDateTimePicker(TComponent* owner);
  std::string ClassName() const override { return "TDateTimePicker"; }
  core::LocalTime DateTime() const;
  void SetDateTime(const core::LocalTime& t);  // fires no OnChange
  // The date part only; the time of day is kept.
  void SetDate(int year, int month, int day);
  void SetMinDate(const core::LocalTime& t);
  void SetMaxDate(const core::LocalTime& t);
  TDateTimeKind Kind = TDateTimeKind::dtkDate;
  TNotifyEvent OnChange;
  bool SetEvent(std::string_view name, TNotifyEvent handler) override;

protected:
  void CreateParams(TCreateParams& p) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void WndProc(TMessage& m) override;

private:
  void push_range();
  core::LocalTime value_ = core::local_now();
  core::LocalTime min_{1752, 9, 14}, max_{9999, 12, 31};
  bool has_min_ = false, has_max_ = false;
};

class TMenuItem : public TComponent {
public:
  explicit TMenuItem(TComponent* owner);
  std::string ClassName() const override { return "TMenuItem"; }
  std::string Caption;
  bool Enabled = true, Checked = false;
  TNotifyEvent OnClick;
  bool SetEvent(std::string_view name, TNotifyEvent handler) override;
  void Add(TMenuItem* item);
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int i) const { return items_.at(static_cast<std::size_t>(i)); }
  int Command() const { return command_; }
  virtual void Click();

protected:
  void Notification(TComponent* c, TOperation op) override;

private:
  friend class TPopupMenu;
  std::vector<TMenuItem*> items_;
  int command_;
};

class TPopupMenu : public TComponent {
public:
  explicit TPopupMenu(TComponent* owner);
  std::string ClassName() const override { return "TPopupMenu"; }
  TMenuItem& Items() { return *root_; }
  // Runs the menu at a screen point as a modal loop; the chosen item's OnClick runs.
  void Popup(int x, int y);
  TNotifyEvent OnPopup;

private:
  win::HMENU build(TMenuItem& item);
  TMenuItem* find(TMenuItem& item, int command);
  TMenuItem* root_;
};

// A form's menu bar: its items become the window's menu when the form has a window (the form's
// Menu), and a chosen command runs its item's OnClick.
class TMainMenu : public TComponent {
public:
  explicit TMainMenu(TComponent* owner);
  ~TMainMenu() override;
  std::string ClassName() const override { return "TMainMenu"; }
  TMenuItem& Items() { return *root_; }
  // Items are drawn by their owner (WM_MEASUREITEM / WM_DRAWITEM), as a skin asks.
  bool OwnerDraw = false;
  TImageList* Images = nullptr;
  // The menu bar built from the items (rebuilt after Rebuild); owned by the menu.
  win::HMENU Handle();
  // Builds the bar again from the items and shows it on the form that uses it.
  void Rebuild();
  enum class TFindItemKind { fkCommand, fkHandle };
  // The item with the command or, for fkHandle, whose drop-down is that menu.
  TMenuItem* FindItem(std::uintptr_t value, TFindItemKind kind);
  // Runs the item of a menu command; answers whether the command was one of this menu's.
  bool DispatchCommand(int command);

protected:
  void Notification(TComponent* c, TOperation op) override;

private:
  friend class TCustomForm;
  void destroy_handle();
  TMenuItem* root_;
  win::HMENU handle_ = nullptr;
  std::vector<std::pair<win::HMENU, TMenuItem*>> dropdowns_;
  TCustomForm* form_ = nullptr;
};

class TImage : public TGraphicControl {
public:
  explicit TImage(TComponent* owner);
  std::string ClassName() const override { return "TImage"; }
  TBitmap Picture;
  bool Stretch = false;
  // The colour of the picture's bottom-left pixel shows what lies behind the image.
  bool Transparent = false;
  void Paint() override;
};

class TToolBar;
enum class TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator };

class TToolButton : public TComponent {
public:
  explicit TToolButton(TComponent* owner);
  ~TToolButton() override;
  std::string ClassName() const override { return "TToolButton"; }
  std::string Caption() const { return caption_; }
  void SetCaption(std::string_view s);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool e);
  TToolButtonStyle Style = TToolButtonStyle::tbsButton;
  int ImageIndex = -1;
  TPopupMenu* DropdownMenu = nullptr;
  TNotifyEvent OnClick;
  bool SetEvent(std::string_view name, TNotifyEvent handler) override;
  void SetToolBar(TToolBar* bar);
  int Command() const { return command_; }
  virtual void Click();

private:
  friend class TToolBar;
  TToolBar* bar_ = nullptr;
  std::string caption_;
  bool enabled_ = true;
  int command_;
};

class TToolBar : public TWinControl {
public:
  explicit TToolBar(TComponent* owner);
  ~TToolBar() override;
  std::string ClassName() const override { return "TToolBar"; }
  int ButtonCount() const { return static_cast<int>(buttons_.size()); }
  TToolButton* Buttons(int i) const { return buttons_.at(static_cast<std::size_t>(i)); }
  TImageList* Images = nullptr;
  bool ShowCaptions = true;

protected:
  void CreateParams(TCreateParams& p) override;
  void CreateWnd() override;
  void WndProc(TMessage& m) override;

private:
  friend class TToolButton;
  void add_to_window(TToolButton* b);
  void remove_button(TToolButton* b);
  void rebuild();
  std::vector<TToolButton*> buttons_;
};

}  // namespace platform::components
