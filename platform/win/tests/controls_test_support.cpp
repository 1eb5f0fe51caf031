#include "platform/win/tests/controls_test_support.h"

#include "core/unicode.h"

namespace platform::win::test {

std::vector<std::string>& host_log() {
  static std::vector<std::string> log;
  return log;
}

CustomDrawScript& custom_draw() {
  static CustomDrawScript s;
  return s;
}

namespace {
LRESULT host_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto& log = host_log();
  switch (msg) {
    case WM_COMMAND:
      if (lp) log.push_back("cmd " + std::to_string(LOWORD(wp)) + " " + std::to_string(HIWORD(wp)));
      else log.push_back("menu " + std::to_string(LOWORD(wp)));
      return 0;
    case WM_NOTIFY: {
      auto* h = reinterpret_cast<NMHDR*>(lp);
      log.push_back("notify " + std::to_string(h->idFrom) + " " + std::to_string(static_cast<int>(h->code)));
      if (h->code == NM_CUSTOMDRAW && custom_draw().ask_items) {
        auto* cd = reinterpret_cast<NMCUSTOMDRAW*>(lp);
        custom_draw().seen.push_back(std::to_string(cd->dwDrawStage) + " " + std::to_string(cd->dwItemSpec));
        return cd->dwDrawStage == CDDS_PREPAINT ? CDRF_NOTIFYITEMDRAW : CDRF_SKIPDEFAULT;
      }
      return 0;
    }
    case WM_VSCROLL:
    case WM_HSCROLL:
      log.push_back(std::string(msg == WM_VSCROLL ? "vscroll " : "hscroll ") + std::to_string(LOWORD(wp)) + " " +
                    std::to_string(HIWORD(wp)));
      return 0;
    case WM_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      log.push_back("draw " + std::to_string(d->CtlType) + " " + std::to_string(d->CtlID) + " " +
                    std::to_string(static_cast<int>(d->itemID)));
      RECT r = d->rcItem;
      gdi::FillRect(d->hDC, &r, gdi::GetSysColorBrush((d->itemState & ODS_SELECTED) ? gdi::COLOR_HIGHLIGHT : gdi::COLOR_INFOBK));
      return TRUE;
    }
    case WM_MEASUREITEM: {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      log.push_back("measure " + std::to_string(m->CtlType) + " " + std::to_string(m->CtlID));
      m->itemHeight = 20;
      m->itemWidth = 80;
      return TRUE;
    }
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) < 0xF000) {
        log.push_back("syscmd " + std::to_string(wp));
        return 0;
      }
      break;
    default: break;
  }
  return DefWindowProc(hwnd, msg, wp, lp);
}
}  // namespace

void ControlsTest::SetUp() {
  WinTest::SetUp();
  custom_draw() = CustomDrawScript{};
  InitControls();
  NONCLIENTMETRICS m;
  SystemParametersInfo(SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0);
  m.lfMessageFont.lfFaceName = std::string(gdi::kTestFontFace);
  m.lfMessageFont.lfHeight = 10;
  m.lfCaptionFont = m.lfMessageFont;
  m.lfMenuFont = m.lfMessageFont;
  SystemParametersInfo(0x002A, m.cbSize, &m, 0);
  WNDCLASSEX wc;
  wc.lpfnWndProc = host_proc;
  wc.lpszClassName = "Host";
  wc.style = CS_DBLCLKS;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(gdi::COLOR_BTNFACE + 1));
  ASSERT_NE(RegisterClassEx(&wc), 0);
  host_ = CreateWindowEx(0, "Host", "Host", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(host_, nullptr);
  pump();
  host_log().clear();
}

HWND ControlsTest::add(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id, DWORD ex) {
  HWND c = CreateWindowEx(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, host_,
                          reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, nullptr);
  pump();
  return c;
}

namespace {
POINT screen_of(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  return p;
}
}  // namespace

void ControlsTest::press(HWND hwnd, int x, int y) {
  inject_mouse_button(screen_of(hwnd, x, y), MouseButton::kLeft, true);
  pump();
}
void ControlsTest::release(HWND hwnd, int x, int y) {
  inject_mouse_button(screen_of(hwnd, x, y), MouseButton::kLeft, false);
  pump();
}
void ControlsTest::move(HWND hwnd, int x, int y) {
  inject_mouse_move(screen_of(hwnd, x, y));
  pump();
}
void ControlsTest::click(HWND hwnd, int x, int y) {
  POINT p = screen_of(hwnd, x, y);
  inject_mouse_move(p);
  inject_mouse_button(p, MouseButton::kLeft, true);
  inject_mouse_button(p, MouseButton::kLeft, false);
  pump();
}
void ControlsTest::type(std::string_view utf8) {
  for (char32_t c : core::utf8_to_utf32(utf8)) {
    UINT vk = (c >= U'a' && c <= U'z') ? static_cast<UINT>(c - 32) : (c < 0x80 ? static_cast<UINT>(c) : 0xE5);
    inject_key(vk, true, c);
    inject_key(vk, false);
  }
  pump();
}
void ControlsTest::key(UINT vk) {
  inject_key(vk, true);
  inject_key(vk, false);
  pump();
}

std::vector<std::string> ControlsTest::notices() {
  std::vector<std::string> out;
  out.swap(host_log());
  return out;
}

std::vector<std::string> ControlsTest::actions() {
  std::vector<std::string> out;
  for (auto& s : notices())
    if (s.size() < 4 || s.compare(s.size() - 4, 4, " -12") != 0) out.push_back(s);
  return out;
}

}  // namespace platform::win::test
