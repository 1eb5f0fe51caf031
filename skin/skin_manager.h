// The skin manager: one per process. Its window hook on the GUI thread decides which windows get
// skinned and with which skin data component; it keeps the registry of skinned windows (one form
// skinner each) and of skinned popup menus, and runs the one-shot actions that switch skinning on
// or off or apply a new skin.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/components/controls.h"
#include "platform/win/win.h"
#include "skin/skin_data.h"

namespace skin {

class TFormSkinner;
class TPopupMenuSkinner;

// Private messages of the skin engine.
inline constexpr win::UINT kMsgReskin = 0x3401;          // re-apply the skin to a form
inline constexpr win::UINT kMsgRepaintFrame = 0x3502;    // repaint a window's frame
inline constexpr win::UINT kMsgActivate = 0x3503;        // activate a newly made form skinner
inline constexpr win::UINT kMsgButtonAction = 0x3514;    // a caption button's action nobody handles
inline constexpr win::UINT kMsgButtonVisible = 0x3515;   // is a caption button visible?
inline constexpr win::UINT kMsgRecreateScroll = 0x3517;  // recreate the scroll-bar skinner of a child
inline constexpr win::UINT kMsgOpenMenuBarItem = 0x3518;
inline constexpr win::UINT kMsgIsSkinned = 0x3523;  // answered 1 by skinned windows and menus
inline constexpr win::UINT kMsgPaintNonClient = 0xBC4B;
inline constexpr win::UINT kMsgSkinQuery = 0xBC4D;
inline constexpr win::UINT kMsgSkinApplied = 0xBC4E;
inline constexpr win::LPARAM kSkinMagic = 0x41A2;
inline constexpr win::LPARAM kActivateParam = 1000;

class TSkinManage {
public:
  TSkinManage();
  ~TSkinManage();
  TSkinManage(const TSkinManage&) = delete;
  TSkinManage& operator=(const TSkinManage&) = delete;

  void InstallHook();
  void RegisterSkinData(TSkinData* sd);
  void UnregisterSkinData(TSkinData* sd);
  // Skins `w` when it passes every filter; answers whether a skinner was made.
  bool TrySkinWindow(win::HWND w);
  bool SkinFormIfShown(pc::TCustomForm* form);
  TFormSkinner* FindForm(win::HWND w) const;
  // A form skinner leaves the registry (its destructor calls this).
  void RemoveForm(win::HWND w);
  void SkinPopupMenu(win::HWND w);
  bool ReleasePopupMenu(win::HWND w);
  bool IsPopupMenu(win::HWND w) const;
  void AssignMenuHandle(win::HMENU menu);
  const SkinImage* FindPopupBitmap(win::HMENU menu) const;
  void Schedule(int action, unsigned interval_ms);
  void RefreshSkinData();
  TSkinData* ChooseSkinData(win::HWND w) const;
  bool FilterClass(win::HWND w, const std::string& class_name) const;

  std::vector<TFormSkinner*> FForms;  // owned unless a form owns them
  std::vector<std::unique_ptr<TPopupMenuSkinner>> FPopupMenus;
  std::vector<TSkinData*> FSkinDatas;
  bool FActive = false;
  bool FForceAll = false;
  int FState = 0;      // 0 nothing activated yet, 1 running, 4 shutting down
  int FPopupKind = 0;  // 0 an application's popup, 1 a menu of a skinned window, 2 its system menu
  int FAction = 0;     // 1 skin all, 2 unskin all, 3 apply a new skin
  TSkinData* FActionTarget = nullptr;
  TSkinData* FMainSkinData = nullptr;
  std::unique_ptr<pc::TTimer> FTimer;

private:
  win::LRESULT HookProc(int code, win::WPARAM wp, win::LPARAM lp);
  void Purge();
  void RunAction();
  void FreeForm(TFormSkinner* f);

  win::HHOOK hook_ = nullptr;
  bool hook_finished_ = false;
};

// The process's manager: null before the first skin data component is loaded and after the end.
TSkinManage* SkinManager();
TSkinManage& CreateSkinManager();
// Ends skinning (the program's end, and tests): unhooks every window and removes the hook.
void DestroySkinManager();

}  // namespace skin
