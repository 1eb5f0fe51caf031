// Controls the skin engine knows besides those on the console's form: speed buttons, radio buttons
// and radio groups, track bars, up-down buttons, progress bars, memos, header controls, list views
// and check-list boxes. Each is a small control over the window system's class of its kind, with
// the properties (published by the names the skinners read) and the messages the skinners rely on.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/components/comctrls.h"
#include "platform/win/controls.h"

namespace platform::components {

enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// A button without a window: its parent paints it (WM_PAINT with the parent's DC through its
// window-procedure method) and tells it of the mouse (CM_MOUSEENTER, CM_MOUSELEAVE). Buttons of one
// GroupIndex on one parent stay down one at a time; AllowAllUp lets the last one come up again.
class TSpeedButton : public TGraphicControl {
public:
  explicit TSpeedButton(TComponent* owner);
  std::string ClassName() const override { return "TSpeedButton"; }
  bool Down() const { return down_; }
  void SetDown(bool down);  // fires no OnClick
  bool Flat = false;
  int GroupIndex = 0;
  bool AllowAllUp = false;
  TBitmap Glyph;
  int NumGlyphs = 1;
  int Margin = -1, Spacing = 4;
  TButtonLayout Layout = TButtonLayout::blGlyphLeft;
  void Paint() override;

protected:
  void WndProc(TMessage& m) override;

private:
  bool down_ = false, pressed_ = false, hot_ = false;
};

// A radio button over the "Button" class. Checking one (by code or by a click) unchecks the other
// radio buttons of its parent; only a click fires OnClick.
class TRadioButton : public TWinControl {
public:
  explicit TRadioButton(TComponent* owner);
  std::string ClassName() const override { return "TRadioButton"; }
  bool Checked() const;
  void SetChecked(bool c);
  enum class TLeftRight { taLeftJustify, taRightJustify };
  // taLeftJustify puts the caption left of the circle (BS_LEFTTEXT).
  TLeftRight Alignment = TLeftRight::taRightJustify;

protected:
  void CreateParams(TCreateParams& p) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void WndProc(TMessage& m) override;

private:
  void uncheck_siblings();
  bool checked_ = false;
};

// A group box with one radio button per line of Items, laid out in Columns; ItemIndex is the
// checked one (-1: none).
class TRadioGroup : public TGroupBox {
public:
  explicit TRadioGroup(TComponent* owner);
  std::string ClassName() const override { return "TRadioGroup"; }
  TStringList& Items() { return items_; }
  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int i);  // fires no OnClick
  int Columns() const { return columns_; }
  void SetColumns(int n);
  int ButtonCount() const { return static_cast<int>(buttons_.size()); }
  TRadioButton* Buttons(int i) const { return buttons_.at(static_cast<std::size_t>(i)); }
  void SetBounds(int left, int top, int width, int height) override;

private:
  void rebuild();
  void arrange();
  TStringList items_;
  std::vector<TRadioButton*> buttons_;
  int item_index_ = -1, columns_ = 1;
};

// What track bars, up-downs and progress bars share: Min, Max and Position, kept here while there
// is no window and asked of the window while there is one.
class TRangeControl : public TWinControl {
public:
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const;
  void SetRange(int min, int max);
  void SetPosition(int pos);  // fires no event

protected:
  TRangeControl(TComponent* owner, int max);
  // The window's own messages for range and position.
  virtual void send_range() = 0;
  virtual void send_position() = 0;
  virtual int read_position() = 0;
  void CreateWnd() override;
  void DestroyWnd() override;
  int min_ = 0, max_ = 0, pos_ = 0;
};

enum class TTrackBarOrientation { trHorizontal, trVertical };

// A track bar over "msctls_trackbar32"; its custom-draw notices reach its window-procedure method
// as CN_NOTIFY, so a skinner can draw channel and thumb.
class TTrackBar : public TRangeControl {
public:
  explicit TTrackBar(TComponent* owner);
  std::string ClassName() const override { return "TTrackBar"; }
  TTrackBarOrientation Orientation = TTrackBarOrientation::trHorizontal;
  int PageSize = 2, LineSize = 1;
  TNotifyEvent OnChange;  // the user moved it
  bool SetEvent(std::string_view name, TNotifyEvent handler) override;

protected:
  void CreateParams(TCreateParams& p) override;
  void CreateWnd() override;
  void WndProc(TMessage& m) override;
  void send_range() override;
  void send_position() override;
  int read_position() override;
};

enum class TUDOrientation { udVertical, udHorizontal };

// An up-down (spin) button over "msctls_updown32".
// OnClick: a click on either button (after the position changed).
class TUpDown : public TRangeControl {
public:
  explicit TUpDown(TComponent* owner);
  std::string ClassName() const override { return "TUpDown"; }
  TUDOrientation Orientation = TUDOrientation::udVertical;

protected:
  void CreateParams(TCreateParams& p) override;
  void WndProc(TMessage& m) override;
  void send_range() override;
  void send_position() override;
  int read_position() override;
};

enum class TProgressBarOrientation { pbHorizontal, pbVertical };

// A progress bar over "msctls_progress32".
class TProgressBar : public TRangeControl {
public:
  explicit TProgressBar(TComponent* owner);
  std::string ClassName() const override { return "TProgressBar"; }
  void StepIt();
  int Step = 10;
  TProgressBarOrientation Orientation = TProgressBarOrientation::pbHorizontal;
  bool Smooth = false;

protected:
  void CreateParams(TCreateParams& p) override;
  void send_range() override;
  void send_position() override;
  int read_position() override;
};

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// A multi-line edit; Lines is its text line by line.
class TMemo : public TWinControl {
public:
  explicit TMemo(TComponent* owner);
  std::string ClassName() const override { return "TMemo"; }
  TStringList& Lines();
  TScrollStyle ScrollBars = TScrollStyle::ssNone;
  bool ReadOnly = false, WordWrap = true;
  TNotifyEvent OnChange;
  bool SetEvent(std::string_view name, TNotifyEvent handler) override;

protected:
  void CreateParams(TCreateParams& p) override;
  void CreateWnd() override;
  void WndProc(TMessage& m) override;

private:
  TStringList lines_;
  bool syncing_ = false;
};

// A header control over "SysHeader32": one section per column title.
class THeaderControl : public TWinControl {
public:
  explicit THeaderControl(TComponent* owner);
  std::string ClassName() const override { return "THeaderControl"; }
  enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
  struct Section {
    std::string Text;
    int Width = 50;
    TAlignment Alignment = TAlignment::taLeftJustify;
    int ImageIndex = -1;
  };
  void AddSection(Section s);
  int SectionCount() const { return static_cast<int>(sections_.size()); }
  const Section& Sections(int i) const { return sections_.at(static_cast<std::size_t>(i)); }
  TImageList* Images = nullptr;
  // The index of the section clicked last (-1 before any).
  int ClickedSection = -1;
  TNotifyEvent OnSectionClick;

protected:
  void CreateParams(TCreateParams& p) override;
  void CreateWnd() override;
  void WndProc(TMessage& m) override;

private:
  void insert(int index, const Section& s);
  std::vector<Section> sections_;
};

// A list view over "SysListView32" in its report view: columns and rows of texts.
class TListView : public TWinControl {
public:
  explicit TListView(TComponent* owner);
  std::string ClassName() const override { return "TListView"; }
  void AddColumn(std::string_view caption, int width);
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  // A row: its caption and the texts of the further columns.
  void AddItem(std::string_view caption, const std::vector<std::string>& sub_items = {});
  int ItemCount() const { return static_cast<int>(rows_.size()); }
  int ItemIndex() const;
  void SetItemIndex(int i);
  // The header window of the columns (created with the list's window).
  HWND HeaderHandle();
  TNotifyEvent OnChange;  // the selection changed by the user
  bool SetEvent(std::string_view name, TNotifyEvent handler) override;

protected:
  void CreateParams(TCreateParams& p) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void WndProc(TMessage& m) override;

private:
  void insert_column(int index);
  void insert_row(int index);
  std::vector<std::pair<std::string, int>> columns_;
  std::vector<std::vector<std::string>> rows_;
  int item_index_ = -1;
};

// A list box whose items carry a check box: each has a check state, an enabled flag and may be a
// header (a caption line without a box). The items are drawn by the control (owner-drawn list,
// CN_DRAWITEM), so a skinner can take the drawing over.
class TCheckListBox : public TListBox {
public:
  explicit TCheckListBox(TComponent* owner);
  std::string ClassName() const override { return "TCheckListBox"; }
  TCheckBoxState State(int i) const;
  void SetState(int i, TCheckBoxState s);  // fires no OnClickCheck
  bool Checked(int i) const { return State(i) == TCheckBoxState::cbChecked; }
  void SetChecked(int i, bool c) { SetState(i, c ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked); }
  bool ItemEnabled(int i) const;
  void SetItemEnabled(int i, bool e);
  bool Header(int i) const;
  void SetHeader(int i, bool h);
  bool AllowGrayed = false;
  bool Flat = true;
  TColor HeaderColor = 0x80000000u | gdi::COLOR_INFOTEXT, HeaderBackgroundColor = 0x80000000u | gdi::COLOR_INFOBK;
  // The user toggled an item's box (a click on it or the space bar).
  TNotifyEvent OnClickCheck;
  bool SetEvent(std::string_view name, TNotifyEvent handler) override;
  static constexpr int kBoxSize = 13;

protected:
  void CreateParams(TCreateParams& p) override;
  void WndProc(TMessage& m) override;

private:
  struct ItemState : TObject {
    TCheckBoxState state = TCheckBoxState::cbUnchecked;
    bool enabled = true, header = false;
  };
  ItemState& item(int i);
  const ItemState* find(int i) const;
  void toggle(int i);
  void draw_item(const win::DRAWITEMSTRUCT& di);
  std::vector<std::unique_ptr<ItemState>> states_;
};

}  // namespace platform::components
