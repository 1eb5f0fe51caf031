// The base of every control skinner: a small object that takes over one control's messages so that
// the control is painted from the skin while everything else it does keeps working. It attaches to
// a control of the component layer through the control's window-procedure method, or to a bare
// window through its window procedure; it puts both back when it is freed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/components/controls.h"
#include "platform/components/graphics.h"
#include "platform/win/win.h"
#include "skin/skin_data.h"

namespace skin {

class TFormSkinner;

// Private messages a skinned control answers.
inline constexpr win::UINT kMsgSkinSwitch = 0x3506;  // wParam > 0 skins, otherwise the control is left as it was

class TSkinControl : public pc::TComponent {
public:
  explicit TSkinControl(pc::TComponent* owner);
  ~TSkinControl() override;
  std::string ClassName() const override { return "TSkinControl"; }

  // Hooks the owner control (once); `set_color` gives it the skin's face colour until Unhook.
  virtual void HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas);
  // Hooks a window that belongs to no control (the caller makes sure it is not hooked yet).
  virtual void HookHandle(win::HWND handle, TSkinData* sd, TFormSkinner* form, pc::TCanvas* canvas);
  // Stops skinning and gives the control its colours back; the procedures stay until destruction.
  virtual void Unhook();
  // True passes the message on to the control; false means the handler has set the result.
  virtual bool BeforeMessage(pc::TMessage& m);
  virtual void AfterMessage(pc::TMessage& m);
  virtual void PaintWindow(gdi::HDC dc);
  virtual void PaintSkin(gdi::HDC, const gdi::RECT&) {}
  virtual void RefreshSkin();

  void WndProc(pc::TMessage& m);
  void CallPrevious(pc::TMessage& m);
  void Redraw();
  void SwitchParentBackground(bool entering);
  pc::TColor ParentColor(pc::TColor fallback) const;
  void FillFace(gdi::HDC dc, const gdi::RECT& r) const;
  void FillParentColor(gdi::HDC dc, const gdi::RECT& r) const;
  // The focus rectangle around the caption FText as DrawText would place it with `flags`.
  void DrawTextFocusRect(gdi::HDC dc, win::UINT flags, const gdi::RECT& r);
  // The control's own mouse-down reaction for a press the skinner keeps from it.
  void FireMouseDown(const pc::TMessage& m);
  // The control's "BiDiMode" reads right to left.
  bool RightToLeft() const;

  std::uint8_t FMouseFlags = 0;  // bit 0 hot, bit 1 pressed
  pc::TCanvas* FCanvas = nullptr;
  bool FEnabled = false;
  bool FFocused = false;
  std::u16string FText;
  win::WNDPROC FObjectInstance = nullptr;
  win::WNDPROC FOldWndProc = nullptr;
  bool FSkinned = true;
  bool FUnicode = false;
  TSkinData* FSkinData = nullptr;
  win::HWND FHandle = nullptr;
  pc::TWndMethod FOldWindowProc;
  pc::TControl* FControl = nullptr;
  gdi::RECT FWindowRect{};
  pc::TControl* FGraphicControl = nullptr;
  bool FSetColor = false;
  pc::TColor FSavedColor = 0;
  bool FHooked = false;
  std::int32_t FHookState = 0;  // 0 created, 1 hooked, 2 released, 6 the window was destroyed
  TFormSkinner* FForm = nullptr;
  std::int32_t FMode = 0;
  bool FParentBackgroundOff = false;

  static constexpr std::uint8_t kHot = 1, kPressed = 2;

private:
  // The control whose window-procedure method this skinner holds, unless that control is being freed.
  pc::TControl* LiveControl() const;
};

// The paint cycle of WM_PAINT: the skin painted into the message's DC (or a BeginPaint DC).
void PaintOnWMPaint(TSkinControl& s, pc::TMessage& m);
// WM_ERASEBKGND: the parent's background under the control (or the parent's colour); result 1.
void EraseToParent(TSkinControl& s, pc::TMessage& m);
std::u16string GetWindowTextWide(win::HWND hwnd);

// Published properties by name, answering the empty value (-1, empty text, null) when absent.
std::u16string GetWideStrProp(const pc::TComponent* c, std::string_view name);
template <class T>
T* GetObjectPropByName(const pc::TComponent* c, std::string_view name) {
  return dynamic_cast<T*>(pc::GetObjectProp(c, name));
}

// Paints the part of the control's parent that lies under the control into `dc` (whose origin is
// the control's top-left).
void DrawParentBackground(pc::TControl* control, gdi::HDC dc);

}  // namespace skin
