// Display backends of the window system: they present the top-level windows' backing bitmaps and
// feed input back in. Headless keeps everything in memory (tests read the bitmaps); X11 shows each
// top-level window as an undecorated X window (popups override-redirect), shaped by its region.
#pragma once

#include <memory>
#include <string>

#include "platform/win/win_types.h"

namespace platform::gdi {
class Bitmap;
}

namespace platform::win {

class Display {
public:
  virtual ~Display() = default;
  virtual SIZE screen_size() const = 0;
  // A top-level window appeared, changed place, size, visibility, z-order or region, or went away.
  virtual void window_created(HWND) {}
  virtual void window_changed(HWND) {}
  virtual void window_destroyed(HWND) {}
  virtual void window_activated(HWND) {}
  virtual void capture_changed(HWND) {}
  // The pointer's shape changed: an IDC_ name, or 0 to hide it.
  virtual void cursor_changed(int) {}
  // Shows what the window's backing bitmap holds now.
  virtual void present(HWND, const gdi::Bitmap&) {}
  // A descriptor that becomes readable when input waits (-1: none), and the call that reads it and
  // injects the input.
  virtual int fd() const { return -1; }
  virtual void pump() {}
  virtual bool headless() const { return true; }
};

std::unique_ptr<Display> make_headless_display(int width = 1024, int height = 768);
// nullptr when the X server cannot be opened or the program was built without X11.
std::unique_ptr<Display> make_x11_display(const char* name = nullptr);

// Installs a display (the window system owns it). Without one, a headless 1024 x 768 display is
// used; init_display_from_environment picks X11 when DISPLAY is set.
void set_display(std::unique_ptr<Display> display);
Display& display();
bool init_display_from_environment();

// Tests: destroys every window, timer, hook and class the program registered, empties the queues,
// and puts back the headless display and the default metrics.
void reset_window_system();

}  // namespace platform::win
