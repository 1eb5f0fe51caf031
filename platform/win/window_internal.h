// Internal state of the window system, shared by its source files only.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/os/event.h"
#include "platform/win/display.h"
#include "platform/win/win.h"

namespace platform::win::detail {

struct WindowClass {
  std::string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr, icon_small = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  int wnd_extra = 0;
  bool system = false;  // registered by the window system itself; survives a reset
};

struct Window {
  HWND handle = nullptr;
  WindowClass* cls = nullptr;
  DWORD thread = 0;
  DWORD style = 0, ex_style = 0;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  LONG_PTR id = 0;
  LONG_PTR user_data = 0;
  Window* parent = nullptr;  // child windows
  Window* owner = nullptr;   // top-level windows
  std::vector<Window*> children;  // z-order, topmost first
  RECT rect{};         // window rectangle: parent's client coordinates (screen for top-level windows)
  RECT client{};       // client rectangle, same coordinates
  RECT normal_rect{};  // restored position while minimised or maximised
  std::string text;
  HFONT font = nullptr;
  HICON icon_small = nullptr, icon_big = nullptr;
  std::map<std::string, void*, std::less<>> props;
  HRGN region = nullptr;  // window coordinates
  bool own_frame = false;  // the program draws the whole frame (no window-manager decorations)
  bool nc_active = false;
  // Painting: the update region in window coordinates, and what BeginPaint still owes.
  gdi::Region update;
  bool need_erase = false, need_ncpaint = false, internal_paint = false;
  std::unique_ptr<gdi::Bitmap> backing;  // top-level windows
  bool dirty = false;                    // backing changed since the display last showed it
  bool destroying = false, dead = false;
  bool message_only = false;
};

struct Timer {
  HWND hwnd = nullptr;
  std::uintptr_t id = 0;
  UINT elapse = 0;
  TIMERPROC proc = nullptr;
  std::int64_t due = 0;
};

struct SentItem {
  MSG msg;
  LRESULT result = 0;
  bool done = false;
  std::condition_variable cv;
};

// A raw input event, turned into a window message when the queue reaches it (so that hit-testing
// and capture apply at that moment, as the modal loops expect).
struct InputEvent {
  enum Kind { kMove, kButton, kWheel, kKey } kind = kMove;
  POINT pt{};
  int button = 0;
  bool down = false;
  int delta = 0;
  UINT vk = 0;
  char32_t ch = 0;
  DWORD time = 0;
  std::optional<MSG> converted;  // set once turned into a message
};

struct ThreadQueue {
  DWORD id = 0;
  std::mutex mutex;
  std::deque<MSG> posted;
  std::deque<InputEvent> input;
  std::deque<SentItem*> sent;
  bool quit = false;
  int quit_code = 0;
  bool attached = false;
  os::Event wake;
  // Used only by the owning thread.
  std::vector<Timer> timers;
  MSG last{};
};

struct Hook {
  int id = 0;
  HookFn fn;
  DWORD thread = 0;
  bool removed = false;
};

struct State {
  // Guarded by table_mutex (read from any thread).
  std::mutex table_mutex;
  std::unordered_map<std::uintptr_t, std::unique_ptr<Window>> windows;
  std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> queues;
  std::uintptr_t next_handle = 0x10010;
  DWORD next_thread = 1;

  // GUI-thread state.
  std::vector<std::unique_ptr<WindowClass>> classes;
  std::vector<Window*> top_levels;  // z-order, topmost first
  std::vector<Window*> message_windows;
  std::vector<std::unique_ptr<Window>> graveyard;
  int call_depth = 0;
  std::list<std::shared_ptr<Hook>> hooks;  // newest first
  std::atomic<DWORD> gui_thread{0};
  Window* active = nullptr;
  Window* focus = nullptr;
  Window* capture = nullptr;
  POINT cursor{};
  HCURSOR cursor_shape = nullptr;
  std::uint8_t keys[256]{};
  // Mouse bookkeeping.
  HWND last_click_hwnd = nullptr;
  UINT last_click_msg = 0;
  DWORD last_click_time = 0;
  POINT last_click_pt{};
  HWND last_move_hwnd = nullptr;
  POINT last_move_pt{-100000, -100000};
  // TrackMouseEvent: the tracked window, what is asked (TME_LEAVE, TME_HOVER, TME_NONCLIENT), and
  // for a hover notice its wait, its due time (monotonic ms) and where the pointer must stay.
  HWND track_hwnd = nullptr;
  DWORD track_flags = 0;
  DWORD hover_time = 400;
  std::int64_t hover_due = 0;
  POINT hover_origin{};
  bool leave_posted = false;  // a leave notice was posted while input was being converted
  bool alt_alone = false;
  UINT double_click_time = 500;
  NonClientExtensions ext;
  std::unique_ptr<Display> display;
  bool nc_metrics_set = false;
  NONCLIENTMETRICS nc_metrics;
};

State& state();

// Lookup of a live window (nullptr for stale or foreign handles).
Window* get(HWND hwnd);
ThreadQueue& current_queue();
std::shared_ptr<ThreadQueue> queue_of(DWORD thread);

// Sending with the window's current procedure; safe against destruction during the call.
LRESULT send(Window* w, UINT msg, WPARAM wparam, LPARAM lparam);
LRESULT call_hooks(int id, int code, WPARAM wparam, LPARAM lparam);

// Geometry helpers.
Window* root_of(Window* w);
bool is_visible(const Window* w);           // the window and its ancestors
POINT screen_origin(const Window* w);       // window's top-left corner on the screen
POINT client_screen_origin(const Window* w);
POINT origin_in_top(const Window* w);       // window's top-left corner in its top-level's coordinates
RECT window_rect_local(const Window* w);    // (0, 0, width, height)
RECT client_rect_local(const Window* w);    // client rectangle in window coordinates
// Visible part of the window (or of its client area) in its top-level window's coordinates.
gdi::Region visible_region(const Window* w, bool client_only);

// Painting internals.
void invalidate(Window* w, const gdi::Region& area_window_coords, UINT flags);
void on_geometry_changed(Window* w, const RECT& old_rect, bool size_changed, bool shown_or_hidden);
Window* find_paint_window(DWORD thread);
bool paint_nc_only(Window* w);  // handles a window whose update lies in its frame only
void erase_now(Window* w);
void present_dirty();
void release_top(Window* w);  // drops backing when destroyed

// Activation and focus internals.
bool activate(Window* top, bool mouse, bool click);
void activate_other(Window* leaving);
void focus_window(Window* w);

// Input: turns a raw event into a message; false when the event produces none.
bool convert_input(InputEvent& ev, MSG* out);
// Posts the hover notice of TrackMouseEvent once it is due and no older input waits; answers the
// time in ms until it is due (-1: none asked).
std::int64_t post_due_hover(ThreadQueue& q);
void end_mouse_tracking();
// The IDC_ name of a cursor handle (0 for none).
int cursor_name(HCURSOR cursor);

// Default frame.
FrameLayout compute_layout(DWORD style, DWORD ex_style, int width, int height, bool child, int menu_height);
int menu_height_of(Window* w, int width);
void paint_default_frame(Window* w, HDC window_dc);
const NONCLIENTMETRICS& nc_metrics();

void destroy_all_windows();
MINMAXINFO min_max_info(Window* w);  // filled with the defaults, then WM_GETMINMAXINFO
void register_system_class(const char* name, WNDPROC proc, UINT style, HBRUSH background,
                           int cursor = IDC_ARROW);
void unregister_program_classes();
void reset_queues_and_hooks();

}  // namespace platform::win::detail
