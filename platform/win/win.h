// The window system: window classes and windows with replaceable procedures, the message queues of
// the GUI thread and of worker threads, timers on the clock seam, hooks, input routing, focus and
// activation, the default window procedure with its plain frame, invalidation and painting into each
// top-level window's backing bitmap, and the display backends (headless, X11).
//
// One GUI thread owns the windows; every call that touches a window runs on the thread that created
// it. PostMessage, PostThreadMessage, IsWindow and SendMessage (marshalled) may be called from any
// thread. Handles are checked on every call: a stale handle gives the failure answer, never a crash.
//
// Choices where the layer is simpler than the platform it stands in for:
// - Every DC is clipped by the window's children and by the siblings above it (as if WS_CLIPCHILDREN
//   and WS_CLIPSIBLINGS were always set), so the composed picture never depends on paint order.
//   Invalidation still follows the styles (a parent without WS_CLIPCHILDREN invalidates its children).
// - WM_NCPAINT always carries wParam 1 (the whole frame); GetDCEx accepts 1 as "no clip region" and
//   leaves a real clip region with the caller.
// - Under a virtual clock, waiting for a timer or a finite time-out passes virtual time at once.
// - The return value of WM_NCACTIVATE(FALSE) does not keep a window active.
// - There are no MDI windows.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "platform/gdi/gdi.h"
#include "platform/win/win_types.h"

struct pollfd;

namespace platform::os {
class Event;
}

namespace platform::win {

using gdi::HBRUSH;
using gdi::HDC;
using gdi::HFONT;
using gdi::HICON;
using gdi::HRGN;

// ---- classes ----
struct WNDCLASSEX {
  UINT cbSize = sizeof(WNDCLASSEX);
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;  // a brush or (HBRUSH)(COLOR_x + 1)
  const char* lpszMenuName = nullptr;
  const char* lpszClassName = nullptr;
  HICON hIconSm = nullptr;
};
// Registering an existing name fails (0). Class names compare case-insensitively (ASCII).
ATOM RegisterClassEx(const WNDCLASSEX* wc);
BOOL UnregisterClass(const char* name, HINSTANCE instance);
BOOL GetClassInfoEx(HINSTANCE instance, const char* name, WNDCLASSEX* out);
int GetClassName(HWND hwnd, char* buffer, int size);  // copies at most size-1 bytes; answers the length
std::string GetClassName(HWND hwnd);
LONG_PTR GetClassLongPtr(HWND hwnd, int index);
LONG_PTR SetClassLongPtr(HWND hwnd, int index, LONG_PTR value);
// The program's own module instance (GWLP_HINSTANCE of windows it creates without naming another).
HINSTANCE GetModuleHandle(const char* name);

// ---- windows ----
inline constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);
HWND CreateWindowEx(DWORD ex_style, const char* class_name, const char* window_name, DWORD style, int x,
                    int y, int width, int height, HWND parent, HMENU menu_or_id, HINSTANCE instance,
                    void* param);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);  // thread-safe
BOOL IsChild(HWND parent, HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);  // the window and all its ancestors are visible
BOOL IsWindowEnabled(HWND hwnd);
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
BOOL IsWindowUnicode(HWND hwnd);  // always TRUE: every window takes UTF-8 text
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* process);

LONG_PTR GetWindowLongPtr(HWND hwnd, int index);
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value);  // answers the previous value
inline LONG GetWindowLong(HWND hwnd, int index) { return static_cast<LONG>(GetWindowLongPtr(hwnd, index)); }
inline LONG SetWindowLong(HWND hwnd, int index, LONG value) {
  return static_cast<LONG>(SetWindowLongPtr(hwnd, index, value));
}
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

// A window procedure bound to state: the stand-in for the component library's object instances.
// Answers a real procedure pointer that can be stored with SetWindowLongPtr and compared; it stays
// valid until FreeProcInstance. Throws core::Error when all slots are taken.
using ProcInstanceFn = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;
WNDPROC MakeProcInstance(ProcInstanceFn fn);
void FreeProcInstance(WNDPROC proc);

// Hierarchy and z-order.
HWND GetParent(HWND hwnd);  // the parent of a child, the owner of a top-level window
HWND GetAncestor(HWND hwnd, UINT flags);
HWND SetParent(HWND hwnd, HWND parent);
HWND GetWindow(HWND hwnd, UINT relation);
HWND GetTopWindow(HWND hwnd);  // the topmost child; nullptr: the topmost top-level window
HWND GetDesktopWindow();
HWND FindWindowEx(HWND parent, HWND after, const char* class_name, const char* window_name);
inline HWND FindWindow(const char* class_name, const char* name) {
  return FindWindowEx(nullptr, nullptr, class_name, name);
}
BOOL EnumChildWindows(HWND parent, const std::function<BOOL(HWND)>& fn);  // depth-first, z-order
int GetDlgCtrlID(HWND hwnd);
HWND GetDlgItem(HWND parent, int id);
HWND WindowFromPoint(POINT screen);
HWND ChildWindowFromPoint(HWND parent, POINT client);

// Geometry.
BOOL GetWindowRect(HWND hwnd, RECT* out);  // screen coordinates
BOOL GetClientRect(HWND hwnd, RECT* out);  // (0, 0, width, height)
BOOL ScreenToClient(HWND hwnd, POINT* p);
BOOL ClientToScreen(HWND hwnd, POINT* p);
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
BOOL SetWindowPos(HWND hwnd, HWND insert_after, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL ShowWindow(HWND hwnd, int cmd);  // answers whether the window was visible before
BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* out);
BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* wp);
BOOL AdjustWindowRectEx(RECT* r, DWORD style, BOOL menu, DWORD ex_style);
// The region (window coordinates) becomes the window's; the previous one is deleted. nullptr
// removes it. GetWindowRgn copies the region into `out`: answers its kind, ERROR without one.
int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw);
int GetWindowRgn(HWND hwnd, HRGN out);
// Whether the program draws a top-level window's whole frame (a skin does). On a screen with a
// window manager such a window is shown undecorated: its whole window rectangle, shaped by its
// region, moved and minimised from its own caption. Every other top-level window with a caption
// gets the window manager's decorations, and the screen shows what lies inside the layer's own
// caption and borders (which keep their place in the window's geometry). Off by default.
BOOL SetWindowOwnFrame(HWND hwnd, BOOL own);
BOOL HasWindowOwnFrame(HWND hwnd);

// Text, fonts, icons, user data, named properties.
BOOL SetWindowText(HWND hwnd, std::string_view text);  // sends WM_SETTEXT
int GetWindowText(HWND hwnd, char* buffer, int size);  // sends WM_GETTEXT
std::string GetWindowText(HWND hwnd);
int GetWindowTextLength(HWND hwnd);
BOOL SetProp(HWND hwnd, std::string_view name, void* data);
void* GetProp(HWND hwnd, std::string_view name);
void* RemoveProp(HWND hwnd, std::string_view name);

BOOL EnableWindow(HWND hwnd, BOOL enable);  // answers whether it was disabled before

// ---- messages ----
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);  // thread-safe
BOOL PostThreadMessage(DWORD thread, UINT msg, WPARAM wparam, LPARAM lparam);
void PostQuitMessage(int exit_code);
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
BOOL SendNotifyMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
// GetMessage answers 0 on WM_QUIT, -1 on an invalid window filter, otherwise 1.
BOOL GetMessage(MSG* msg, HWND hwnd, UINT min, UINT max);
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT min, UINT max, UINT remove);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
BOOL WaitMessage();
DWORD GetQueueStatus(UINT flags);
DWORD GetMessageTime();
DWORD GetMessagePos();
BOOL InSendMessage();
// Waits for one of `events` or for input in the calling thread's queue (WAIT_OBJECT_0 + count), or
// for `timeout_ms`. Under a virtual clock, a finite time-out passes in virtual time.
DWORD MsgWaitForMultipleObjects(DWORD count, const os::Event* const* events, BOOL wait_all, DWORD timeout_ms,
                                DWORD wake_mask);
// The same over file descriptors: answers the index of the first ready descriptor (its revents
// filled), `fds.size()` for queue input, -1 on time-out.
int MsgWaitForDescriptors(std::span<::pollfd> fds, DWORD timeout_ms);

// Thread queues. A thread gets its queue on its first message call; AllocateThreadQueue makes a
// queue that messages can be posted to before its thread runs (the thread then calls
// AttachThreadQueue), so that nothing posted early is lost.
DWORD GetCurrentThreadId();
DWORD AllocateThreadQueue();
void AttachThreadQueue(DWORD thread);
void ReleaseThreadQueue(DWORD thread);  // drops the queue and what is still in it

// The application's message loop helpers.
int RunMessageLoop();             // until WM_QUIT; answers its exit code
void ProcessPendingMessages();    // dispatches what is queued now (also paint and due timers), then returns
// Runs a nested modal loop until `done()` answers true or WM_QUIT arrives (which is re-posted so that
// the outer loop ends too). Every message is first offered to the WH_MSGFILTER hooks with `filter`.
void RunModalLoop(const std::function<bool()>& done, int filter);
BOOL CallMsgFilter(MSG* msg, int code);

// ---- timers ----
std::uintptr_t SetTimer(HWND hwnd, std::uintptr_t id, UINT elapse_ms, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, std::uintptr_t id);
DWORD GetTickCount();
UINT GetDoubleClickTime();
BOOL SetDoubleClickTime(UINT ms);

// ---- hooks ----
using HookFn = std::function<LRESULT(int code, WPARAM, LPARAM)>;
HHOOK SetWindowsHookEx(int id, HookFn proc, HINSTANCE module, DWORD thread);
BOOL UnhookWindowsHookEx(HHOOK hook);
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wparam, LPARAM lparam);

// ---- focus, activation, capture, input ----
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();
BOOL GetCursorPos(POINT* p);
BOOL SetCursorPos(int x, int y);
// Leave and hover notices for one window at a time. TME_LEAVE: WM_MOUSELEAVE (WM_NCMOUSELEAVE with
// TME_NONCLIENT) once the pointer leaves the window or the asked-for part of it, ahead of the
// message of the move that left. TME_HOVER: one WM_MOUSEHOVER (client point, MK_ flags) or
// WM_NCMOUSEHOVER (hit code, screen point) when the pointer has rested for dwHoverTime ms
// (HOVER_DEFAULT: 400) within 2 pixels of where it was; moving further starts the wait again.
BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme);
// The system's cursor shapes: LoadCursor answers one handle per IDC_ name (nullptr for other names
// or modules); SetCursor shows it and answers the previous one (nullptr hides the pointer).
// DefWindowProc sets the class cursor over the client area and the sizing shapes over the
// borders when it handles WM_SETCURSOR.
HCURSOR LoadCursor(HINSTANCE instance, int name);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
short GetKeyState(int vk);
short GetAsyncKeyState(int vk);

// Input as the backends deliver it (tests call these too). Points are screen coordinates; buttons
// are 0 left, 1 right, 2 middle. The events go into the GUI thread's queue.
enum class MouseButton { kLeft = 0, kRight = 1, kMiddle = 2 };
void inject_mouse_move(POINT screen);
void inject_mouse_button(POINT screen, MouseButton button, bool down);
void inject_mouse_wheel(POINT screen, int delta);
void inject_key(UINT vk, bool down, char32_t ch = 0);

// ---- painting ----
BOOL InvalidateRect(HWND hwnd, const RECT* r, BOOL erase);  // client coordinates; nullptr: all
BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* r);
BOOL UpdateWindow(HWND hwnd);
BOOL RedrawWindow(HWND hwnd, const RECT* r, HRGN region, UINT flags);
BOOL GetUpdateRect(HWND hwnd, RECT* out, BOOL erase);
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
HDC GetDC(HWND hwnd);        // client area; nullptr: the screen
HDC GetWindowDC(HWND hwnd);  // whole window
HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags);  // clip region in screen coordinates
int ReleaseDC(HWND hwnd, HDC dc);
// The top-level window's backing bitmap (its whole window rectangle), for tests and backends.
const gdi::Bitmap* GetBackingBitmap(HWND top_level);
// Every visible top-level window composed in z-order onto a screen-sized bitmap, outside any
// window region left untouched (`background`).
gdi::Bitmap ComposeScreen(gdi::Pixel background = 0x3A6EA5);

// ---- system values ----
int GetSystemMetrics(int index);
using gdi::GetSysColor;
BOOL SystemParametersInfo(UINT action, UINT param, void* data, UINT win_ini);
// Fixed answer: NT 6.1 (Parts branch on the version; see the layer's notes).
DWORD GetVersion();

// ---- the default window procedure ----
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

// ---- places for menus and scroll bars (filled by the menu and control layer) ----
// The window system calls these when set; without them a window has no menu bar and its scroll
// bars are empty strips.
struct NonClientExtensions {
  // Height of the menu bar of a top-level window of width `width` (0 without a menu).
  std::function<int(HWND, int width)> menu_bar_height;
  // Paints the menu bar into a window DC at `bar` (window coordinates).
  std::function<void(HWND, HDC, const RECT& bar)> paint_menu_bar;
  // Paints the scroll bars of a WS_HSCROLL/WS_VSCROLL window; `vbar`/`hbar` are window coordinates.
  std::function<void(HWND, HDC, const RECT* vbar, const RECT* hbar)> paint_scroll_bars;
  // WM_NCLBUTTONDOWN on HTMENU, HTVSCROLL or HTHSCROLL, and SC_KEYMENU/SC_MOUSEMENU (answers
  // whether it handled the request).
  std::function<bool(HWND, UINT msg, WPARAM, LPARAM)> nonclient_request;
};
void SetNonClientExtensions(NonClientExtensions ext);

// Default frame layout (window coordinates) that DefWindowProc paints and hit-tests; the menu and
// scroll-bar layer and tests use it.
struct FrameLayout {
  RECT window{};   // (0, 0, width, height)
  RECT client{};   // client area
  RECT caption{};  // empty without a caption
  RECT menu{};     // empty without a menu bar
  RECT vscroll{}, hscroll{}, size_box{};
  RECT sys_button{}, min_button{}, max_button{}, close_button{};
  int border = 0;  // width of the outer frame
};
FrameLayout GetFrameLayout(HWND hwnd);

}  // namespace platform::win
