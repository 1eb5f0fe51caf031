// A fixture for the control tests: a visible host window that records the notifications its
// children send (WM_COMMAND, WM_NOTIFY, scroll messages, owner-draw requests), and helpers that
// click and type the way a user does.
#pragma once

#include <string>
#include <vector>

#include "platform/win/controls.h"
#include "platform/win/tests/test_support.h"

namespace platform::win::test {

class ControlsTest : public WinTest {
protected:
  void SetUp() override;
  // A child control of the host at client position (x, y).
  HWND add(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id, DWORD ex = 0);
  // Client coordinates of `hwnd` to the screen, then a press and release there.
  void click(HWND hwnd, int x, int y);
  void press(HWND hwnd, int x, int y);
  void release(HWND hwnd, int x, int y);
  void move(HWND hwnd, int x, int y);
  void type(std::string_view utf8);  // characters, each as a key press with its character
  void key(UINT vk);                 // a key press and release without a character
  // The notices the host received since the last call, as "cmd <id> <code>", "notify <id> <code>",
  // "vscroll <code> <pos>", "hscroll <code> <pos>", "draw <type> <id> <item>", "measure <type> <id>".
  std::vector<std::string> notices();
  // The same without the custom-draw requests that painting sends.
  std::vector<std::string> actions();

  HWND host_ = nullptr;
};

std::vector<std::string>& host_log();
// Custom drawing as the host answers it: with `ask_items` the host asks for item drawing and skips
// the default drawing of every item; each stage it sees is recorded as "<stage> <item id>".
struct CustomDrawScript {
  bool ask_items = false;
  std::vector<std::string> seen;
};
CustomDrawScript& custom_draw();

}  // namespace platform::win::test
