#include "console/tests/window_fixture.h"

#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "platform/components/controls.h"
#include "platform/win/controls.h"
#include "platform/win/display.h"
#include "platform/win/win.h"
#include "skin/skin_manager.h"

namespace console::test {

void WindowTest::SetUp() {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  platform::win::reset_window_system();
  platform::win::InitControls();
  clock_.set_wall(FixedWallTime());
  scoped_clock_ = std::make_unique<core::ScopedClock>(clock_);
  platform::os::Services doubles;
  if (fake_serial_) doubles.serial = &opener_;
  doubles.ports = &ports_;
  doubles.shell = &shell_;
  services_ = std::make_unique<platform::os::ScopedServices>(doubles);
  dialogs_ = std::make_unique<pc::DialogScript>();
  old_dir_ = std::filesystem::current_path().string();
  char tmpl[] = "/tmp/thc_console_XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  work_dir_ = tmpl;
  std::filesystem::current_path(work_dir_);
}

void WindowTest::TearDown() {
  for (const auto& u : dialogs_->unexpected()) ADD_FAILURE() << "unexpected dialog: " << u;
  EXPECT_EQ(dialogs_->pending(), 0u) << "dialogs expected but never shown";
  pc::ResetApplication();
  form_ = nullptr;
  dialogs_.reset();
  // The skin manager's hook lives in the window system: both go, as at the program's exit, so the
  // next test's window is skinned by a fresh manager with a live hook.
  skin::DestroySkinManager();
  platform::win::reset_window_system();
  services_.reset();
  scoped_clock_.reset();
  std::filesystem::current_path(old_dir_);
  std::error_code ec;
  std::filesystem::remove_all(work_dir_, ec);
}

void WindowTest::Start() {
  form_ = pc::Application().CreateForm<Tform1>([](Tform1& f) { f.Build(); });
  form_->Show();
  Pump();
  // Every window test runs with the skin on, as the program does.
  skin::TSkinManage* manager = skin::SkinManager();
  EXPECT_TRUE(manager && manager->FindForm(form_->Handle())) << "the main window is not skinned";
}

void WindowTest::Pump() { pc::Application().ProcessMessages(); }

void WindowTest::Pass(int ms) {
  clock_.advance(std::chrono::milliseconds(ms));
  Pump();
}

void WindowTest::Click(pc::TWinControl& c) {
  ASSERT_TRUE(c.Showing()) << c.Name() << " is not on screen";
  platform::gdi::RECT r;
  platform::win::GetWindowRect(c.Handle(), &r);
  platform::gdi::POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  platform::win::inject_mouse_move(p);
  platform::win::inject_mouse_button(p, platform::win::MouseButton::kLeft, true);
  platform::win::inject_mouse_button(p, platform::win::MouseButton::kLeft, false);
  Pump();
}

bool WindowTest::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds bound) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + bound;
  for (;;) {
    Pump();
    if (done()) return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    // A real pause: waiting through the window system would let virtual time pass and fire timers.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace console::test
