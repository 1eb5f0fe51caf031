#include "platform/components/tests/test_support.h"

#include "platform/win/controls.h"
#include "platform/win/display.h"

namespace platform::components::test {

void ComponentsTest::SetUp() {
  win::reset_window_system();
  win::InitControls();
  scoped_ = std::make_unique<core::ScopedClock>(clock_);
  dialogs_ = std::make_unique<DialogScript>();
}

void ComponentsTest::TearDown() {
  for (const auto& u : dialogs_->unexpected()) ADD_FAILURE() << "unexpected dialog: " << u;
  EXPECT_EQ(dialogs_->pending(), 0u) << "dialogs expected but never shown";
  ResetApplication();
  dialogs_.reset();
  win::reset_window_system();
  scoped_.reset();
}

void ComponentsTest::click(TWinControl& c) {
  gdi::RECT r;
  win::GetWindowRect(c.Handle(), &r);
  gdi::POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  win::inject_mouse_move(p);
  win::inject_mouse_button(p, win::MouseButton::kLeft, true);
  win::inject_mouse_button(p, win::MouseButton::kLeft, false);
  pump();
}

}  // namespace platform::components::test
