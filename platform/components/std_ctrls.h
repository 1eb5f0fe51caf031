// The standard controls over the window system's control classes: buttons, check boxes, edits,
// labels, panels, group boxes, combo boxes and list boxes.
#pragma once

#include <string>
#include <vector>

#include "platform/components/controls.h"

namespace platform::components {

class TButton : public TWinControl {
public:
  explicit TButton(TComponent* owner);
  std::string ClassName() const override { return "TButton"; }
  bool Default = false, Cancel = false;
  int ModalResult = 0;
  void Click() override;  // also ends a modal form with ModalResult

protected:
  void CreateParams(TCreateParams& p) override;
  void WndProc(TMessage& m) override;
};

// A button with a glyph beside its caption; the colour of the glyph's bottom-left pixel is
// transparent, and a disabled button shows it greyed.
class TBitBtn : public TButton {
public:
  explicit TBitBtn(TComponent* owner);
  std::string ClassName() const override { return "TBitBtn"; }
  TBitmap Glyph;
  // Takes `picture` as the glyph and shows it.
  void SetGlyph(const gdi::Bitmap& picture);
  int NumGlyphs = 1;
  enum class TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
  enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
  TBitBtnKind Kind = TBitBtnKind::bkCustom;
  TButtonLayout Layout = TButtonLayout::blGlyphLeft;

protected:
  void CreateWnd() override;
};

enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TWinControl {
public:
  explicit TCheckBox(TComponent* owner);
  std::string ClassName() const override { return "TCheckBox"; }
  bool Checked() const;
  void SetChecked(bool c);  // fires no OnClick

protected:
  void CreateParams(TCreateParams& p) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void WndProc(TMessage& m) override;

private:
  bool checked_ = false;
};

class TEdit : public TWinControl {
public:
  explicit TEdit(TComponent* owner);
  std::string ClassName() const override { return "TEdit"; }
  std::string Text() const { return GetText(); }
  void SetTextValue(std::string_view s) { SetText(s); }  // fires no OnChange
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int n);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool r);
  char PasswordChar() const { return password_; }
  void SetPasswordChar(char c);
  TNotifyEvent OnChange;
  bool SetEvent(std::string_view name, TNotifyEvent handler) override;

protected:
  void CreateParams(TCreateParams& p) override;
  void CreateWnd() override;
  void WndProc(TMessage& m) override;

private:
  int max_length_ = 0;
  bool read_only_ = false;
  char password_ = 0;
};

// A label. With AutoSize (the default) it takes the size of its text in its font whenever the text
// or the font changes; without WordWrap (the default) the text is one line.
class TLabel : public TGraphicControl {
public:
  explicit TLabel(TComponent* owner);
  std::string ClassName() const override { return "TLabel"; }
  bool Transparent = true;
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool on);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool on);
  void SetText(std::string_view s) override;
  void Paint() override;

private:
  void AdjustBounds();
  unsigned TextFormat() const;
  bool auto_size_ = true, word_wrap_ = false;
};

class TPanel : public TCustomControl {
public:
  explicit TPanel(TComponent* owner);
  std::string ClassName() const override { return "TPanel"; }

protected:
  void WndProc(TMessage& m) override;
};

class TGroupBox : public TCustomControl {
public:
  explicit TGroupBox(TComponent* owner);
  std::string ClassName() const override { return "TGroupBox"; }

protected:
  void CreateParams(TCreateParams& p) override;
};

// The item list of a list or combo box: kept here and mirrored into the window when there is one.
class TControlItems : public TStringList {
public:
  struct Codes {
    UINT add, insert, remove, reset;
  };
  TControlItems(TWinControl& control, Codes codes) : control_(control), codes_(codes) {}
  void Put(int index, std::string_view s) override;
  void Insert(int index, std::string_view s) override;
  int Add(std::string_view s) override;
  void Delete(int index) override;
  void Clear() override;
  // Fills the control's new window.
  void Fill();

private:
  TWinControl& control_;
  Codes codes_;
};

enum class TComboBoxStyle { csDropDown, csSimple, csDropDownList };

class TComboBox : public TWinControl {
public:
  explicit TComboBox(TComponent* owner);
  std::string ClassName() const override { return "TComboBox"; }
  TControlItems& Items() { return items_; }
  TComboBoxStyle Style = TComboBoxStyle::csDropDown;
  int ItemIndex() const;
  void SetItemIndex(int i);  // -1: none; fires no OnChange
  std::string Text() const { return GetText(); }
  int DropDownCount = 8;
  TNotifyEvent OnChange;
  bool SetEvent(std::string_view name, TNotifyEvent handler) override;

protected:
  void CreateParams(TCreateParams& p) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void WndProc(TMessage& m) override;

private:
  TControlItems items_;
  int item_index_ = -1;
};

class TListBox : public TWinControl {
public:
  explicit TListBox(TComponent* owner);
  std::string ClassName() const override { return "TListBox"; }
  TControlItems& Items() { return items_; }
  int Count() const { return items_.Count(); }
  int ItemIndex() const;
  void SetItemIndex(int i);
  int TopIndex() const;
  void SetTopIndex(int i);

protected:
  void CreateParams(TCreateParams& p) override;
  void CreateWnd() override;
  void DestroyWnd() override;

private:
  TControlItems items_;
  int item_index_ = -1, top_index_ = 0;
};

}  // namespace platform::components
