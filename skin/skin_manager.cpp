#include "skin/skin_manager.h"

#include <algorithm>

#include "core/unicode.h"
#include "skin/foreign_classes.h"
#include "skin/form_skinner.h"
#include "skin/popup_menu_skinner.h"

namespace skin {
namespace {

std::unique_ptr<TSkinManage>& manager_slot() {
  static std::unique_ptr<TSkinManage> m;
  return m;
}

bool contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

}  // namespace

TSkinManage* SkinManager() { return manager_slot().get(); }

TSkinManage& CreateSkinManager() {
  auto& m = manager_slot();
  if (!m) m = std::make_unique<TSkinManage>();
  return *m;
}

void DestroySkinManager() {
  // Out of the slot first, so that what the destruction calls finds no manager to report to.
  std::unique_ptr<TSkinManage> m = std::move(manager_slot());
  m.reset();
}

TSkinManage::TSkinManage() : FTimer(std::make_unique<pc::TTimer>(nullptr)) {
  FTimer->SetEnabled(false);
  FTimer->SetInterval(100);
  FTimer->SetOnTimer([this](pc::TObject*) { RunAction(); });
}

TSkinManage::~TSkinManage() {
  FState = 4;
  FActive = false;
  FTimer.reset();
  while (!FForms.empty()) {
    TFormSkinner* f = FForms.back();
    FForms.pop_back();
    f->UnhookForDestroy();
    delete f;
  }
  for (auto& p : FPopupMenus) p->Unsubclass();
  FPopupMenus.clear();
  FSkinDatas.clear();
  if (hook_) win::UnhookWindowsHookEx(hook_);
  hook_ = nullptr;
  hook_finished_ = true;
}

void TSkinManage::InstallHook() {
  if (hook_) return;
  hook_ = win::SetWindowsHookEx(
      win::WH_CBT, [this](int code, win::WPARAM wp, win::LPARAM lp) { return HookProc(code, wp, lp); }, nullptr,
      win::GetCurrentThreadId());
}

win::LRESULT TSkinManage::HookProc(int code, win::WPARAM wp, win::LPARAM lp) {
  if (!hook_finished_) {
    auto hwnd = reinterpret_cast<win::HWND>(wp);
    switch (code) {
      case win::HCBT_CREATEWND: {
        auto* cbt = reinterpret_cast<win::CBT_CREATEWND*>(lp);
        const win::CREATESTRUCT* cs = cbt ? cbt->lpcs : nullptr;
        if (cs && !(static_cast<win::DWORD>(cs->style) & win::WS_CHILD) && cs->lpszClass &&
            std::string_view(cs->lpszClass) == win::kMenuClass)
          SkinPopupMenu(hwnd);
        break;
      }
      case win::HCBT_DESTROYWND: ReleasePopupMenu(hwnd); break;
      case win::HCBT_ACTIVATE:
        if (FState == 0) FState = 1;
        TrySkinWindow(hwnd);
        break;
      default: break;
    }
  }
  return win::CallNextHookEx(hook_, code, wp, lp);
}

void TSkinManage::RegisterSkinData(TSkinData* sd) {
  FSkinDatas.push_back(sd);
  if (!FMainSkinData && sd->SkinFormtype == TSkinFormType::sfMainform) FMainSkinData = sd;
}

void TSkinManage::UnregisterSkinData(TSkinData* sd) {
  FSkinDatas.erase(std::remove(FSkinDatas.begin(), FSkinDatas.end(), sd), FSkinDatas.end());
  if (FMainSkinData == sd) FMainSkinData = nullptr;
  if (FActionTarget == sd) FActionTarget = nullptr;
}

void TSkinManage::FreeForm(TFormSkinner* f) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), f), FForms.end());
  delete f;
}

void TSkinManage::Purge() {
  if (FState == 4) return;
  for (std::size_t i = FForms.size(); i-- > 0;) {
    if (i >= FForms.size()) continue;
    if (FForms[i]->FSkinState == 6) FreeForm(FForms[i]);
  }
}

TFormSkinner* TSkinManage::FindForm(win::HWND w) const {
  for (TFormSkinner* f : FForms)
    if (f->FHandle == w) return f;
  return nullptr;
}

void TSkinManage::RemoveForm(win::HWND w) {
  if (FState == 4) return;
  FForms.erase(std::remove_if(FForms.begin(), FForms.end(), [w](TFormSkinner* f) { return f->FHandle == w; }),
               FForms.end());
}

bool TSkinManage::TrySkinWindow(win::HWND w) {
  if (!FActive) return false;
  Purge();
  if (!win::IsWindow(w)) return false;
  if (win::SendMessage(w, kMsgIsSkinned, 0, 0) == 1 || FindForm(w)) return false;
  pc::TControl* form = nullptr;
  for (int i = 0; i < pc::TApplication::FormCount(); ++i) {
    pc::TCustomForm* f = pc::TApplication::Forms(i);
    if (f->HandleAllocated() && f->Handle() == w) {
      form = f;
      break;
    }
  }
  if (!form) form = FindControlOfWindow(w);
  const auto style = static_cast<win::DWORD>(win::GetWindowLong(w, win::GWL_STYLE));
  const std::string class_name = win::GetClassName(w);
  // An embedded form is part of its host (there are no MDI windows here).
  if (!FForceAll && (style & win::WS_CHILD)) return false;
  if (!form && reinterpret_cast<win::HINSTANCE>(win::GetWindowLongPtr(w, win::GWLP_HINSTANCE)) !=
                   win::GetModuleHandle(nullptr) &&
      class_name != "#32770")
    return false;
  gdi::RECT r{};
  win::GetWindowRect(w, &r);
  if (r.right - r.left == 0 || r.bottom - r.top == 0) return false;
  if (form && form->Tag == 99) return false;
  for (std::string_view part : kUnskinnedClassParts)
    if (contains(class_name, part)) return false;
  if (class_name == "TApplication") return false;
  if (!FilterClass(w, class_name)) return false;
  TSkinData* sd = ChooseSkinData(w);
  if (!sd || sd->FSkinNotReady) return false;
  auto f = std::make_unique<TFormSkinner>(form);
  f->FHandle = w;
  f->FWindowName = class_name;
  if (form) f->SkinForm(sd, form);
  else f->SkinWindow(sd);
  FForms.push_back(f.release());
  win::PostMessage(w, kMsgActivate, 0, kActivateParam);
  return true;
}

bool TSkinManage::FilterClass(win::HWND w, const std::string& class_name) const {
  bool result = true;
  if (!FMainSkinData) return result;
  const std::string lower = core::ascii_lower(class_name);
  if (contains(lower, "preview") && !InSet(FMainSkinData->Options, xoPreview)) result = false;
  if (class_name == "#32770" && (win::GetWindowLong(w, win::GWL_STYLE) & 0x200)) result = false;
  if (lower == kUnskinnedLowerClass) result = false;
  FMainSkinData->FilterWindow(w, class_name, result);
  return result;
}

TSkinData* TSkinManage::ChooseSkinData(win::HWND w) const {
  for (auto it = FSkinDatas.rbegin(); it != FSkinDatas.rend(); ++it) {
    TSkinData* sd = *it;
    if (sd->SkinFormtype != TSkinFormType::sfOnlyThisForm) continue;
    if (auto* owner = dynamic_cast<pc::TWinControl*>(sd->Owner()); owner && owner->HandleAllocated() && owner->Handle() == w)
      return sd;
  }
  const std::string lower = core::ascii_lower(win::GetClassName(w));
  if (lower == "tmessageform" || lower == "#32770") {
    for (auto it = FSkinDatas.rbegin(); it != FSkinDatas.rend(); ++it)
      if ((*it)->SkinFormtype == TSkinFormType::sfDialog) return *it;
  }
  for (auto it = FSkinDatas.rbegin(); it != FSkinDatas.rend(); ++it)
    if ((*it)->SkinFormtype == TSkinFormType::sfMainform) return *it;
  return FSkinDatas.empty() ? nullptr : FSkinDatas.front();
}

bool TSkinManage::SkinFormIfShown(pc::TCustomForm* form) {
  if (!form->Visible() || !form->HandleAllocated()) return true;
  if (win::GetWindowLong(form->Handle(), win::GWL_STYLE) & win::WS_CHILD) return true;
  return TrySkinWindow(form->Handle());
}

bool TSkinManage::IsPopupMenu(win::HWND w) const {
  return std::any_of(FPopupMenus.begin(), FPopupMenus.end(), [w](const auto& p) { return p->Window() == w; });
}

void TSkinManage::SkinPopupMenu(win::HWND w) {
  if (!FActive || win::SendMessage(w, kMsgIsSkinned, 0, 0) == 1 || IsPopupMenu(w)) return;
  TSkinData* sd = ChooseSkinData(w);
  if (!sd || sd->FSkinNotReady) return;
  switch (FPopupKind) {
    case 0:
      if (!InSet(sd->SkinControls, xcPopupMenu)) return;
      break;
    case 1:
      if (!InSet(sd->SkinControls, xcMainMenu) && !InSet(sd->SkinControls, xcMenuItem)) return;
      break;
    case 2:
      if (!InSet(sd->SkinControls, xcSystemMenu)) return;
      break;
    default: break;
  }
  auto p = std::make_unique<TPopupMenuSkinner>();
  p->Subclass(w, sd, nullptr);
  FPopupMenus.push_back(std::move(p));
}

bool TSkinManage::ReleasePopupMenu(win::HWND w) {
  auto it = std::find_if(FPopupMenus.begin(), FPopupMenus.end(), [w](const auto& p) { return p->Window() == w; });
  bool found = it != FPopupMenus.end();
  if (found) {
    (*it)->Unsubclass();
    FPopupMenus.erase(it);
  }
  if (FPopupMenus.empty()) FPopupKind = 0;
  return found;
}

void TSkinManage::AssignMenuHandle(win::HMENU menu) {
  for (auto it = FPopupMenus.rbegin(); it != FPopupMenus.rend(); ++it) {
    if ((*it)->MenuHandle()) continue;
    (*it)->SetMenuHandle(menu);
    return;
  }
}

const SkinImage* TSkinManage::FindPopupBitmap(win::HMENU menu) const {
  for (const auto& p : FPopupMenus)
    if (p->MenuHandle() == menu) return &p->Background();
  return nullptr;
}

void TSkinManage::Schedule(int action, unsigned interval_ms) {
  FAction = action;
  FTimer->SetInterval(interval_ms);
  if (FState != 0) {
    FTimer->SetEnabled(true);
    return;
  }
  // Before any window was activated there is nothing to do but remember the switch.
  if (action == 1) FActive = true;
  else if (action == 2) FActive = false;
}

void TSkinManage::RefreshSkinData() {
  for (TFormSkinner* f : FForms)
    if (f->FSkinData == FActionTarget) f->FreeCaptionButtons();
}

void TSkinManage::RunAction() {
  FTimer->SetEnabled(false);
  TSkinData* sd = FActionTarget;
  if (!sd) return;
  auto unskin = [this](TFormSkinner* f) {
    f->Unskin();
    const win::HWND h = f->FHandle;
    FreeForm(f);
    TFormSkinner::RepaintWindow(h);
  };
  if (sd->SkinFormtype == TSkinFormType::sfOnlyThisForm) {
    switch (FAction) {
      case 1:
        FActive = true;
        FForceAll = true;
        for (int i = pc::TApplication::FormCount(); i-- > 0;) {
          pc::TCustomForm* form = pc::TApplication::Forms(i);
          if (form == sd->Owner()) {
            SkinFormIfShown(form);
            break;
          }
        }
        FForceAll = false;
        break;
      case 2:
        FActive = false;
        Purge();
        for (auto it = FForms.rbegin(); it != FForms.rend(); ++it) {
          if ((*it)->FSkinData != sd) continue;
          unskin(*it);
          break;
        }
        break;
      case 3:
        Purge();
        for (TFormSkinner* f : FForms) {
          if (f->FSkinData != sd) continue;
          f->FreeCaptionButtons();
          f->ComputeFrameSizes();
          f->Reskin();
          break;
        }
        break;
      default: break;
    }
  } else {
    switch (FAction) {
      case 1:
        FActive = true;
        FForceAll = true;
        Purge();
        for (int i = pc::TApplication::FormCount(); i-- > 0;) {
          if (i < pc::TApplication::FormCount()) SkinFormIfShown(pc::TApplication::Forms(i));
        }
        FForceAll = false;
        break;
      case 2:
        FActive = false;
        Purge();
        while (!FForms.empty()) unskin(FForms.front());
        break;
      case 3: {
        Purge();
        std::vector<TFormSkinner*> mine;
        for (TFormSkinner* f : FForms)
          if (f->FSkinData == sd) mine.push_back(f);
        for (TFormSkinner* f : mine) {
          f->FreeCaptionButtons();
          f->ComputeFrameSizes();
        }
        for (TFormSkinner* f : mine) f->Reskin();
        break;
      }
      default: break;
    }
  }
  sd->SkinChanged();
  FActionTarget = nullptr;
}

}  // namespace skin
