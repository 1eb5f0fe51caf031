// The form skinner: one per skinned top-level window. It replaces the window's procedure (and, for a
// form, the form's window-procedure method), answers the non-client messages itself, sizes and
// paints the frame, title bar and caption buttons from the skin, cuts the window to a region that
// follows the border bitmaps, and puts back everything it replaced when it is unhooked.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/components/comctrls.h"
#include "platform/components/controls.h"
#include "platform/components/graphics.h"
#include "platform/win/controls.h"
#include "platform/win/win.h"
#include "skin/skin_data.h"

namespace skin {

class TFormSkinner;

// A non-client hit object: a caption button (or an item of a skinned menu bar).
class TNCObject {
public:
  explicit TNCObject(TFormSkinner* form) : Form(form) {}
  virtual ~TNCObject();
  TNCObject(const TNCObject&) = delete;
  TNCObject& operator=(const TNCObject&) = delete;

  virtual void MouseDown();
  virtual void MouseUp();
  virtual void MouseMove();
  virtual void MouseLeave();
  virtual void Paint() {}

  TFormSkinner* Form;
  gdi::RECT BoundsRect{};
  bool Visible = false;
  std::int32_t State = 1;  // 1 normal, 2 pressed, 3 hot
  bool Enabled = true;
};

// A caption button drawn from a caption-button object of the skin.
class TWinSysButton : public TNCObject {
public:
  TWinSysButton(TFormSkinner* form, TDataSkinSysButton* object) : TNCObject(form), SkinObject(object) {}
  void Paint() override;
  TDataSkinSysButton* SkinObject;
};

// Caption-button hints by action.
std::string ButtonHint(int action);

class TFormSkinner : public pc::TComponent {
public:
  explicit TFormSkinner(pc::TComponent* owner);
  ~TFormSkinner() override;
  std::string ClassName() const override { return "TFormSkinner"; }

  // Entry points: a form (or another control of the component layer) and any other window.
  void SkinForm(TSkinData* sd, pc::TControl* form);
  void SkinWindow(TSkinData* sd);
  void HookWindow(TSkinData* sd);
  // Skinning switched off: the window lives on as it was before.
  void Unskin();
  // The window is going (or the manager ends): procedures back, nothing resized.
  void UnhookForDestroy();
  // Frame skinning off: procedures and colours back.
  void UnhookPlain();
  void Reskin();
  void FreeCaptionButtons();

  // ---- frame geometry, painting and region ----
  void ComputeFrameSizes();
  void PaintNonClient(gdi::HDC dc);
  void PaintTitleArea(gdi::HDC dc);
  void PaintBorderPart(int index, const gdi::RECT& r, gdi::HDC dc);
  void PaintCaptionText(gdi::HDC dc, const gdi::RECT& r);
  void UpdateRegion();
  void RemoveRegion();
  void ApplyFrameSize(bool keep_client);
  void MeasureSystemFrame();
  void FrameChanged();
  void SetSysMenuStyle(bool hide);
  gdi::POINT ScreenToWindowPoint(int x, int y);
  static void RepaintWindow(win::HWND wnd);
  void ReadShowState();

  // ---- caption buttons ----
  void BuildCaptionButtons();
  bool IsButtonVisible(int index);
  void LayoutButtons();
  void PaintButtons(gdi::HDC dc);
  TNCObject* ButtonAt(gdi::POINT p);
  void DoButtonAction(int x, int y);
  void ToggleMaximize();
  void RestoreWindow();
  void MinimizeWindow();
  void OnHoverTimer();
  void BuildSystemPopup();
  void ShowSystemPopup(gdi::POINT p);
  void BuildIconBitmap();
  void DrawIcon(gdi::HDC dc, const gdi::RECT& r);

  win::LRESULT CallOldProc(win::UINT msg, win::WPARAM wp, win::LPARAM lp);

  // ---- state ----
  pc::TWndMethod FOldWindowProc;
  win::WNDPROC FOldWndProc = nullptr;
  win::WNDPROC FWndProcInstance = nullptr;
  gdi::HFONT FCaptionFont = nullptr;  // the system caption font (owned)
  std::unique_ptr<pc::TTimer> FTimer;
  std::u16string FCaptionPrefix = u"  ", FCaptionSuffix = u" ";
  std::string FClassName;
  bool FSkinFrame = false;
  gdi::RECT FClientRect{};
  std::uint32_t FLastMenuTick = 0;
  bool FMenuRequested = false;  // FLastMenuTick holds a request (the tick count may start near 0)
  std::uint32_t FDoubleClickTime = 0;
  int FCaptionTextWidth = 0;
  win::HWND FOwnerWnd = nullptr;
  gdi::HICON FIcon = nullptr;
  int FIconSize = 0;
  std::u16string FCaptionText;
  int FBorderLeft = 0, FTitleHeight = 0, FBorderRight = 0, FBorderBottom = 0;
  gdi::RECT FWindowRect{};
  gdi::RECT FCaptionTextRect{};
  gdi::RECT FSystemFrame{};
  int FMenuBarHeight = 0;
  int FCaptionButtonCount = 0;
  bool FTracking = false;
  bool FRightToLeft = false;
  bool FUnicode = true;
  bool FDialogClass = false;
  bool FChildWindow = false;
  std::unique_ptr<pc::TPopupMenu> FSystemPopup;
  win::HMENU FMenuHandle = nullptr;
  win::HMENU FSystemMenu = nullptr;
  pc::TColor FSavedColor = pc::clBtnFace;
  std::uint32_t FStyle = 0;
  int FCaptionClip = 0;
  TNCObject* FHotObject = nullptr;
  // The caption button the last non-client press went to: only a release over it acts.
  TNCObject* FPressedObject = nullptr;
  bool FHasRegion = false;
  gdi::HRGN FRegion = nullptr;
  pc::TControl* FForm = nullptr;
  win::HWND FHandle = nullptr;
  TSkinData* FSkinData = nullptr;
  std::vector<std::unique_ptr<TWinSysButton>> FCaptionButtons;
  SkinImage FSmallIconBitmap;
  SkinImage FFrameBitmap;  // the title area, composed off screen
  int FWindowWidth = 0, FWindowHeight = 0;
  int FRegionWidth = 0, FRegionHeight = 0;
  bool FActive = true;
  std::uint8_t FBorderKind = 0;    // 0 sizeable, 1 single, 2 none, 3 dialog
  std::uint8_t FCaptionCaps = 0;   // bit 0 max box, 1 min box, 2 help, 3 system menu, 4 keep WS_SYSMENU
  std::uint8_t FShowState = 0;     // 0 normal, 1 maximised, 2 minimised
  std::uint32_t FSkinState = 0;    // 0 created, 1 active, 3 re-skinning, 4 going, 5 resizing, 6 destroyed
  std::string FWindowName;

  static constexpr std::uint8_t kCapMax = 1, kCapMin = 2, kCapHelp = 4, kCapSysMenu = 8, kCapKeepSysMenu = 16;

private:
  win::LRESULT WndProc(win::HWND hwnd, win::UINT msg, win::WPARAM wp, win::LPARAM lp);
  bool HandleStage1(pc::TMessage& m);
  void HandleStages2And3(pc::TMessage& m);
  void FormWndProc(pc::TMessage& m);
  void Activate();
  void OnSize(pc::TMessage& m);
  void OnNCActivate(pc::TMessage& m);
  void OnNCCalcSize(pc::TMessage& m);
  void OnNCPaint(pc::TMessage& m);
  void OnNCHitTest(pc::TMessage& m);
  void OnNCMouseMove(pc::TMessage& m);
  void OnNCLButtonDown(pc::TMessage& m);
  void OnNCLButtonUp(pc::TMessage& m);
  void OnNCLButtonDblClk(pc::TMessage& m);
  void OnNCRButtonDown(pc::TMessage& m);
  void OnSysCommand(pc::TMessage& m);
  void OnCommand(pc::TMessage& m);
  // The start of both unhook paths of a skinned frame: the system popup and the timer stop. A window
  // whose frame is not skinned is unhooked plainly instead (answer false).
  bool BeginFrameUnhook();
  void ReleaseProcedures();
  void RestoreFormState();
  void PostSysCommand(win::UINT command);
  // Whether the system menu has a Close item, and whether that item is enabled.
  bool HasCloseItem(bool enabled_only);
  pc::TCustomForm* AsForm() const;
  void SetFormColour(pc::TColor colour);

  friend class TWinSysButton;
  friend class TNCObject;
};

}  // namespace skin
