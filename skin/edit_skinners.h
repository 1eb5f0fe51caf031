// Edits, combo boxes and date-time pickers keep their own client areas (text, caret, selection); the
// skin replaces their borders and drop-down buttons. The combo box skinner also tracks its button's
// hot and pressed looks, watches the edit inside it, and skins its list's scroll bar; the picker gets
// a small arrow button of the engine's own over its drop-down button.
#pragma once

#include <string>

#include "platform/win/controls.h"
#include "skin/control_skinner.h"

namespace skin {

class TSkinUpDown;
class TSkinScrollbarH;
class TComboxScrollBar;

// The engine's private message: the control paints its client area into the DC in wParam.
inline constexpr win::UINT kMsgPaintClient = 0xBC4A;

class TSkinEdit : public TSkinControl {
public:
  explicit TSkinEdit(pc::TComponent* owner) : TSkinControl(owner) {}
  std::string ClassName() const override { return "TSkinEdit"; }
  void AfterMessage(pc::TMessage& m) override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& r) override;
  void FindSpinButton();
  void PaintPrintFrame(gdi::HDC dc);

  TSkinUpDown* FUpDown = nullptr;

protected:
  void Notification(pc::TComponent* c, pc::TOperation op) override;
};

class TSkinComBox : public TSkinControl {
public:
  explicit TSkinComBox(pc::TComponent* owner) : TSkinControl(owner) {}
  ~TSkinComBox() override;
  std::string ClassName() const override { return "TSkinComBox"; }
  void HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) override;
  void HookHandle(win::HWND handle, TSkinData* sd, TFormSkinner* form, pc::TCanvas* canvas) override;
  void Unhook() override;
  void AfterMessage(pc::TMessage& m) override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& r) override;
  void PaintFlatButton(gdi::HDC dc, const gdi::RECT& r);
  void PaintExFrame(gdi::HDC dc, const gdi::RECT& r);
  void PaintExButton(gdi::HDC dc, int state);
  void AttachDropBar();
  void SubclassEdit();

  std::uint32_t FStyle = 0;
  std::uint32_t FExStyle = 0;
  win::HWND FListWnd = nullptr;
  win::HWND FEditWnd = nullptr;
  win::WNDPROC FEditInstance = nullptr, FOldEditProc = nullptr;
  TSkinScrollbarH* FListBar = nullptr;
  TComboxScrollBar* FDropBar = nullptr;
  win::COMBOBOXINFO FInfo{};
  gdi::RECT FButtonRect{};
  bool FExtended = false;

protected:
  void Notification(pc::TComponent* c, pc::TOperation op) override;

private:
  win::LRESULT EditWndProc(win::HWND hwnd, win::UINT msg, win::WPARAM wp, win::LPARAM lp);
  void ReleaseEdit();
  // A left button going down or up on the box or its edit: the button's pressed look.
  void TrackPress(win::UINT msg);
  void FreeListSkinners(bool unhook);
  // Reads the combo box's information; false when the window system cannot give it.
  bool ReadInfo();
};

class TArrowButton;

class TSkinDateTime : public TSkinControl {
public:
  explicit TSkinDateTime(pc::TComponent* owner) : TSkinControl(owner) {}
  ~TSkinDateTime() override;
  std::string ClassName() const override { return "TSkinDateTime"; }
  void HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) override;
  void AfterMessage(pc::TMessage& m) override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& r) override;

  TArrowButton* FArrow = nullptr;
};

// The arrow over a date-time picker's drop-down button: it shows the skin's combo arrow and passes a
// click on to the picker, which then opens its calendar as for a click on its own button.
class TArrowButton : public pc::TCustomControl {
public:
  explicit TArrowButton(pc::TComponent* owner);
  std::string ClassName() const override { return "TArrowButton"; }
  void Attach(TSkinDateTime* skin, pc::TWinControl* picker);
  // Keeps the arrow at the picker's button inside the picker's window rectangle `r` (moved to 0, 0).
  void Reposition(const gdi::RECT& r);

  int FButtonWidth = 0;
  pc::TWinControl* FPicker = nullptr;
  TSkinDateTime* FSkin = nullptr;
  win::HWND FPickerWnd = nullptr;
  bool FArrowHot = false;

protected:
  void CreateParams(pc::TCreateParams& p) override;
  void WndProc(pc::TMessage& m) override;

private:
  void Paint(gdi::HDC dc);
};

}  // namespace skin
