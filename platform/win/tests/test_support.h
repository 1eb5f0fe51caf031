// Shared pieces of the window-system tests: a recording window procedure and a fixture that resets
// the window system and installs a virtual clock.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/clock.h"
#include "platform/win/display.h"
#include "platform/win/win.h"

namespace platform::win::test {

// Name of a message for readable traces ("WM_SIZE"), or its number in hex.
std::string message_name(UINT msg);

// Every message that reaches a window of class "Rec" (or a procedure wrapped with recording) lands
// here as "<window text>:<message name>", in order.
struct Trace {
  std::vector<std::string> lines;
  bool enabled = true;
  std::vector<UINT> ignored;  // messages left out of the trace
  void clear() { lines.clear(); }
  // The entries for one window only.
  std::vector<std::string> of(const std::string& who) const;
};
Trace& trace();

LRESULT recording_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
// Records "<tag>:<message>" and defers to DefWindowProc.
void record(HWND hwnd, UINT msg, const char* tag = nullptr);

class WinTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;
  // A visible-or-not top-level or child window of class "Rec" named `name`.
  HWND make(const char* name, DWORD style, int x, int y, int w, int h, HWND parent = nullptr, int id = 0,
            DWORD ex_style = 0);
  void pump() { ProcessPendingMessages(); }

  core::VirtualClock clock_;
  std::unique_ptr<core::ScopedClock> scoped_;
};

}  // namespace platform::win::test
