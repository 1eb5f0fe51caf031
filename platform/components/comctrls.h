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
enum class TStatusPanelBevel { pbNone, pbLowered, pbRaised };
enum class TStatusPanelStyle { psText, psOwnerDraw };
enum class TPanelAlignment { taLeftJustify, taRightJustify, taCenter };
class TStatusPanel {
public:
  // How a skin frames and places the panel (the window draws its own panels plainly).
  TPanelAlignment Alignment = TPanelAlignment::taLeftJustify;
  TStatusPanelBevel Bevel = TStatusPanelBevel::pbLowered;
  TStatusPanelStyle Style = TStatusPanelStyle::psText;
  bool RightToLeft = false;
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
  // Draws an owner-drawn panel's contents on the bar's canvas (a skin calls it for every panel).
  std::function<void(TStatusBar* bar, TStatusPanel& panel, const gdi::RECT& r)> OnDrawPanel;
  TCanvas Canvas;

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
  // A page without a tab stays in the page control but shows no tab.
  bool TabVisible() const { return tab_visible_; }
  void SetTabVisible(bool v);
  // The index of the page's tab among the tabs shown, -1 when it shows none.
  int TabIndex() const;

private:
  friend class TPageControl;
  TPageControl* page_control_ = nullptr;
  bool tab_visible_ = true;
};

enum class TTabPosition { tpTop, tpBottom, tpLeft, tpRight };
enum class TTabStyle { tsTabs, tsButtons, tsFlatButtons };

class TPageControl : public TWinControl {
public:
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;
  std::string ClassName() const override { return "TPageControl"; }
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* Pages(int i) const { return pages_.at(static_cast<std::size_t>(i)); }
  int ActivePageIndex() const { return active_; }
  void SetActivePageIndex(int i);  // fires no OnChange
  // The page that tab `tab` shows (pages without a tab have none), or null.
  TTabSheet* PageForTab(int tab) const;
  TTabPosition TabPosition() const { return tab_position_; }
  void SetTabPosition(TTabPosition p);
  TTabStyle Style() const { return style_; }
  void SetStyle(TTabStyle s);
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
  // The window's tabs again from the pages that show one.
  void rebuild_tabs();
  std::vector<TTabSheet*> pages_;
  int active_ = -1;
  TTabPosition tab_position_ = TTabPosition::tpTop;
  TTabStyle style_ = TTabStyle::tsTabs;
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

// A key with its modifiers: the virtual-key code in the low byte, scShift, scCtrl, scAlt above.
using TShortCut = std::uint16_t;
inline constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;
// "Ctrl+S", "Shift+F5"; empty for no key.
std::string ShortCutToText(TShortCut shortcut);

// Owner drawing of a menu item: its size on a canvas in the menu font, then its picture.
using TMenuMeasureItemEvent = std::function<void(TObject* sender, TCanvas& canvas, int& width, int& height)>;
using TMenuDrawItemEvent = std::function<void(TObject* sender, TCanvas& canvas, const gdi::RECT& r, bool selected)>;

class TMenuItem : public TComponent {
public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;
  std::string ClassName() const override { return "TMenuItem"; }
  std::string Caption;
  bool Enabled = true, Checked = false, Visible = true;
  // The menu's default item (drawn bold).
  bool Default = false;
  int ImageIndex = -1;
  TShortCut ShortCut = 0;
  TNotifyEvent OnClick;
  TMenuMeasureItemEvent OnMeasureItem;
  TMenuDrawItemEvent OnDrawItem;
  bool SetEvent(std::string_view name, TNotifyEvent handler) override;
  void Add(TMenuItem* item);
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int i) const { return items_.at(static_cast<std::size_t>(i)); }
  TMenuItem* Parent() const { return parent_; }
  // The menu of the item's sub-items as last built (null before).
  win::HMENU Handle() const { return handle_; }
  void SetHandle(win::HMENU menu) { handle_ = menu; }
  // The popup or main menu the item belongs to, or null.
  TComponent* GetParentMenu() const;
  // The image list of that menu, or null.
  TImageList* MenuImages() const;
  int Command() const { return command_; }
  virtual void Click();
  // Owner drawing: OnMeasureItem and OnDrawItem, or the menu's plain look without them.
  void MeasureItem(TCanvas& canvas, int& width, int& height);
  void DrawItem(TCanvas& canvas, const gdi::RECT& r, bool selected);
  // The item whose owner-draw data this is, while it lives; null otherwise.
  static TMenuItem* FromData(std::uintptr_t data);

protected:
  void Notification(TComponent* c, TOperation op) override;

private:
  friend class TPopupMenu;
  std::vector<TMenuItem*> items_;
  TMenuItem* parent_ = nullptr;
  win::HMENU handle_ = nullptr;
  int command_;
};

// Hands a WM_MEASUREITEM or WM_DRAWITEM of an owner-drawn menu item to the item; answers whether the
// message was one (its result is then set).
bool DispatchMenuItemDrawing(TMessage& m);

class TPopupMenu : public TComponent {
public:
  explicit TPopupMenu(TComponent* owner);
  std::string ClassName() const override { return "TPopupMenu"; }
  TMenuItem& Items() { return *root_; }
  // Items are drawn by their OnMeasureItem and OnDrawItem (as a skin asks).
  bool OwnerDraw = false;
  TImageList* Images = nullptr;
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

// The state of a tool-bar button being custom-drawn (a set of these bits).
enum TCustomDrawStateBit : unsigned {
  cdsSelected = 1, cdsGrayed = 2, cdsDisabled = 4, cdsChecked = 8, cdsFocused = 16, cdsDefault = 32, cdsHot = 64,
  cdsMarked = 128, cdsIndeterminate = 256
};
using TToolBarCustomDrawEvent = std::function<void(TToolBar* sender, const gdi::RECT& r, bool& default_draw)>;
using TToolBarCustomDrawButtonEvent =
    std::function<void(TToolBar* sender, TToolButton* button, unsigned state, bool& default_draw)>;

class TToolBar : public TWinControl {
public:
  explicit TToolBar(TComponent* owner);
  ~TToolBar() override;
  std::string ClassName() const override { return "TToolBar"; }
  int ButtonCount() const { return static_cast<int>(buttons_.size()); }
  TToolButton* Buttons(int i) const { return buttons_.at(static_cast<std::size_t>(i)); }
  TImageList* Images = nullptr;
  bool ShowCaptions = true;
  bool Flat = false;
  // Custom drawing: the bar's background when a paint starts (Canvas is the paint's DC), then each
  // button before the bar draws it; a handler that leaves default_draw set lets the bar draw the
  // button's image and caption (in Canvas.Font's colour), without its edges.
  TToolBarCustomDrawEvent OnCustomDraw;
  TToolBarCustomDrawButtonEvent OnCustomDrawButton;
  TCanvas Canvas;
  // The button's rectangle in the bar (empty without a window).
  gdi::RECT ButtonRect(const TToolButton* b);

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
