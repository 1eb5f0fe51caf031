// The display seam: the headless backend, the choice between backends, and the reset for tests.
#include <cstdlib>

#include "platform/win/window_internal.h"

namespace platform::win {

namespace {

class HeadlessDisplay final : public Display {
public:
  HeadlessDisplay(int w, int h) : size_{w, h} {}
  SIZE screen_size() const override { return size_; }

private:
  SIZE size_;
};

}  // namespace

std::unique_ptr<Display> make_headless_display(int width, int height) {
  return std::make_unique<HeadlessDisplay>(width, height);
}

void set_display(std::unique_ptr<Display> d) { detail::state().display = std::move(d); }

Display& display() {
  auto& s = detail::state();
  if (!s.display) s.display = make_headless_display();
  return *s.display;
}

bool init_display_from_environment() {
  const char* name = std::getenv("DISPLAY");
  if (name && *name) {
    if (auto d = make_x11_display(name)) {
      set_display(std::move(d));
      return true;
    }
  }
  set_display(make_headless_display());
  return false;
}

void reset_window_system() {
  using namespace detail;
  auto& s = state();
  // Hooks go first: they may refer to state of the code that is being torn down.
  s.hooks.clear();
  destroy_all_windows();
  unregister_program_classes();
  reset_queues_and_hooks();
  s.active = s.focus = s.capture = nullptr;
  s.cursor = {};
  s.cursor_shape = nullptr;
  for (auto& k : s.keys) k = 0;
  s.last_click_hwnd = nullptr;
  s.last_click_msg = 0;
  s.last_move_hwnd = nullptr;
  s.last_move_pt = {-100000, -100000};
  end_mouse_tracking();
  s.leave_posted = false;
  s.alt_alone = false;
  s.double_click_time = 500;
  s.ext = NonClientExtensions{};
  s.nc_metrics_set = false;
  s.display = make_headless_display();
  s.graveyard.clear();
}

}  // namespace platform::win
