// Fuzz target of the skin data component's stored stream, as a form hands it over: the count and
// the package are read, and a skin that loads is then used for real: a captioned window is skinned
// by the creation hook, painted active and inactive, hit-tested and destroyed, so hostile frame
// pictures (sizes, frame counts, key colours) reach the frame geometry, painting and region code.
#include <cstdint>
#include <span>

#include "core/error.h"
#include "platform/components/classes.h"
#include "platform/components/dialogs.h"
#include "platform/win/controls.h"
#include "platform/win/display.h"
#include "platform/win/win.h"
#include "skin/skin_data.h"
#include "skin/skin_manager.h"

namespace win = platform::win;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    win::reset_window_system();
    win::InitControls();
    win::WNDCLASSEX wc;
    wc.lpfnWndProc = win::DefWindowProc;
    wc.lpszClassName = "FuzzSkin";
    return win::RegisterClassEx(&wc) != 0;
  }();
  if (!ready) return 0;
  // Messages the loader shows (a package of an old version) close at once instead of waiting.
  platform::components::DialogScript dialogs;
  auto* sd = new skin::TSkinData(nullptr);
  sd->BeginLoading();
  sd->SetActive(true);
  try {
    sd->ReadSkinStream(std::span<const std::uint8_t>(data, size));
  } catch (const core::Error&) {
    // Refused input is an expected outcome.
  } catch (const platform::components::EComponentError&) {
  }
  sd->Loaded();
  if (!sd->FSkinNotReady) {
    win::HWND h = win::CreateWindowEx(0, "FuzzSkin", "A caption", win::WS_CAPTION | win::WS_SYSMENU | win::WS_MINIMIZEBOX,
                                      20, 20, 300, 200, nullptr, nullptr, nullptr, nullptr);
    win::ShowWindow(h, win::SW_SHOW);
    win::ProcessPendingMessages();
    win::SendMessage(h, win::WM_NCACTIVATE, 0, 0);
    win::SendMessage(h, win::WM_NCACTIVATE, 1, 0);
    platform::gdi::RECT r;
    win::GetWindowRect(h, &r);
    for (int y = r.top; y < r.top + 40; y += 7)
      for (int x = r.left; x < r.right; x += 13) win::SendMessage(h, win::WM_NCHITTEST, 0, win::MAKELPARAM(x, y));
    win::SetWindowPos(h, nullptr, 0, 0, 17, 9, win::SWP_NOMOVE | win::SWP_NOZORDER);
    win::ProcessPendingMessages();
    win::DestroyWindow(h);
  }
  skin::DestroySkinManager();
  delete sd;
  return 0;
}
