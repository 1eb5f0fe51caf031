// Message queues of the GUI thread and worker threads, sending, timers, hooks and message loops.
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "core/clock.h"
#include "platform/win/window_internal.h"

namespace platform::win {
namespace detail {

namespace {

thread_local DWORD t_thread_id = 0;
thread_local std::shared_ptr<ThreadQueue> t_queue;

// A queue made for a thread on its first message call goes away with the thread.
struct LazyQueueOwner {
  DWORD id = 0;
  ~LazyQueueOwner() {
    if (!id) return;
    auto& s = state();
    std::lock_guard lock(s.table_mutex);
    s.queues.erase(id);
  }
};
thread_local LazyQueueOwner t_lazy_owner;

bool virtual_clock() { return dynamic_cast<core::VirtualClock*>(&core::current_clock()) != nullptr; }
std::int64_t now_ms() { return core::current_clock().monotonic().count(); }

std::shared_ptr<ThreadQueue> new_queue_locked(State& s) {
  auto q = std::make_shared<ThreadQueue>();
  q->id = s.next_thread++;
  s.queues.emplace(q->id, q);
  return q;
}

bool matches(const MSG& m, HWND hwnd, UINT min, UINT max) {
  if (hwnd && m.hwnd != hwnd && !IsChild(hwnd, m.hwnd)) return false;
  if (min == 0 && max == 0) return true;
  return m.message >= min && m.message <= max;
}

void run_sent(ThreadQueue& q) {
  for (;;) {
    SentItem* item = nullptr;
    {
      std::lock_guard lock(q.mutex);
      if (q.sent.empty()) return;
      item = q.sent.front();
      q.sent.pop_front();
    }
    LRESULT r = 0;
    if (Window* w = get(item->msg.hwnd)) r = send(w, item->msg.message, item->msg.wParam, item->msg.lParam);
    std::lock_guard lock(q.mutex);
    item->result = r;
    item->done = true;
    item->cv.notify_all();
  }
}

Timer* due_timer(ThreadQueue& q, HWND hwnd, std::int64_t now) {
  Timer* best = nullptr;
  for (Timer& t : q.timers) {
    if (t.due > now) continue;
    if (hwnd && t.hwnd != hwnd && !IsChild(hwnd, t.hwnd)) continue;
    if (!best || t.due < best->due) best = &t;
  }
  return best;
}

// One pass over the queue in the platform's order: sent, posted, input, quit, paint, timers.
bool peek(ThreadQueue& q, MSG* out, HWND hwnd, UINT min, UINT max, UINT remove) {
  run_sent(q);
  auto& s = state();
  if (q.id == s.gui_thread) post_due_hover(q);
  // A leave notice that converting a mouse event posts comes before that event's message, as the
  // window left behind hears of it first.
  for (bool again = true; again;) {
    again = false;
    {
      std::lock_guard lock(q.mutex);
      for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (!matches(*it, hwnd, min, max)) continue;
        *out = *it;
        if (remove & PM_REMOVE) q.posted.erase(it);
        return true;
      }
    }
    for (;;) {
      InputEvent* ev = nullptr;
      {
        std::lock_guard lock(q.mutex);
        if (!q.input.empty()) ev = &q.input.front();
      }
      if (!ev) break;
      MSG m;
      if (!ev->converted) {
        s.leave_posted = false;
        const bool made = convert_input(*ev, &m);
        again = std::exchange(s.leave_posted, false);
        if (!made) {
          std::lock_guard lock(q.mutex);
          q.input.pop_front();
          if (again) break;
          continue;
        }
        ev->converted = m;
        if (again) break;
      }
      m = *ev->converted;
      if (!matches(m, hwnd, min, max)) break;
      *out = m;
      if (remove & PM_REMOVE) {
        std::lock_guard lock(q.mutex);
        q.input.pop_front();
      }
      return true;
    }
  }
  {
    std::lock_guard lock(q.mutex);
    if (q.quit && (min == 0 && max == 0 ? true : (WM_QUIT >= min && WM_QUIT <= max))) {
      *out = MSG{};
      out->message = WM_QUIT;
      out->wParam = static_cast<WPARAM>(q.quit_code);
      if (remove & PM_REMOVE) q.quit = false;
      return true;
    }
  }
  // Only the GUI thread owns windows; other threads never walk the window tree.
  bool paint_wanted = q.id == s.gui_thread && ((min == 0 && max == 0) || (WM_PAINT >= min && WM_PAINT <= max));
  if (paint_wanted) {
    while (Window* w = find_paint_window(q.id)) {
      if (hwnd && w->handle != hwnd && !IsChild(hwnd, w->handle)) break;
      if (paint_nc_only(w)) continue;
      *out = MSG{};
      out->hwnd = w->handle;
      out->message = WM_PAINT;
      out->time = GetTickCount();
      out->pt = s.cursor;
      return true;
    }
  }
  bool timer_wanted = (min == 0 && max == 0) || (WM_TIMER >= min && WM_TIMER <= max);
  if (timer_wanted) {
    std::int64_t now = now_ms();
    if (Timer* t = due_timer(q, hwnd, now)) {
      *out = MSG{};
      out->hwnd = t->hwnd;
      out->message = WM_TIMER;
      out->wParam = t->id;
      out->lParam = reinterpret_cast<LPARAM>(t->proc);
      out->time = static_cast<DWORD>(now);
      out->pt = s.cursor;
      // No catch-up: the next tick is a full interval after this one is taken.
      if (remove & PM_REMOVE) t->due = now + std::max<UINT>(t->elapse, 1);
      return true;
    }
  }
  return false;
}

bool has_pending(ThreadQueue& q) {
  std::lock_guard lock(q.mutex);
  return !q.posted.empty() || !q.input.empty() || !q.sent.empty() || q.quit;
}

// Waits until something may be in the queue, one of `fds` is ready, or `timeout_ms` (-1: none)
// passes. Answers the index of a ready descriptor, fds.size() for the queue, -1 on time-out.
int wait_queue(ThreadQueue& q, std::span<::pollfd> fds, std::int64_t timeout_ms, bool pump_display) {
  auto& s = state();
  bool gui = q.id == s.gui_thread;
  {
    std::lock_guard lock(q.mutex);
    if (q.posted.empty() && q.input.empty() && q.sent.empty() && !q.quit) q.wake.reset();
  }
  if (gui) present_dirty();
  int display_fd = (gui && pump_display && s.display) ? s.display->fd() : -1;
  // Presenting waits for the server, and the events read meanwhile sit in the display's own queue,
  // where polling its descriptor would not see them: they are taken first (input wakes the queue).
  if (display_fd >= 0) s.display->pump();
  std::vector<::pollfd> all(fds.begin(), fds.end());
  all.push_back({q.wake.fd(), POLLIN, 0});
  if (display_fd >= 0) all.push_back({display_fd, POLLIN, 0});
  bool virt = virtual_clock();
  {
    for (auto& p : all) p.revents = 0;
    std::int64_t t = (virt && timeout_ms > 0) ? 0 : timeout_ms;
    int n = os::poll_retry(all.data(), all.size(), os::Millis(t));
    if (n > 0) {
      for (std::size_t i = 0; i < fds.size(); ++i) {
        if (all[i].revents) {
          fds[i].revents = all[i].revents;
          return static_cast<int>(i);
        }
      }
      if (display_fd >= 0 && all.back().revents) s.display->pump();
      return static_cast<int>(fds.size());
    }
    if (virt && timeout_ms > 0) {
      // Nothing can arrive from this thread while it waits; time passes virtually.
      core::current_clock().sleep(core::Millis(timeout_ms));
    }
    return -1;
  }
}

std::int64_t next_timer_wait(ThreadQueue& q) {
  std::int64_t best = q.id == state().gui_thread ? post_due_hover(q) : -1;
  if (q.timers.empty()) return best;
  std::int64_t now = now_ms();
  for (const Timer& t : q.timers) {
    std::int64_t d = std::max<std::int64_t>(0, t.due - now);
    if (best < 0 || d < best) best = d;
  }
  return best;
}

}  // namespace

ThreadQueue& current_queue() {
  if (!t_queue) {
    auto& s = state();
    std::lock_guard lock(s.table_mutex);
    t_queue = new_queue_locked(s);
    t_queue->attached = true;
    t_thread_id = t_queue->id;
    t_lazy_owner.id = t_queue->id;
  }
  return *t_queue;
}

std::shared_ptr<ThreadQueue> queue_of(DWORD thread) {
  auto& s = state();
  std::lock_guard lock(s.table_mutex);
  auto it = s.queues.find(thread);
  return it == s.queues.end() ? nullptr : it->second;
}

LRESULT call_hooks(int id, int code, WPARAM wparam, LPARAM lparam) {
  auto& s = state();
  DWORD me = GetCurrentThreadId();
  for (auto& h : s.hooks) {
    if (h->removed || h->id != id || (h->thread && h->thread != me)) continue;
    auto keep = h;
    return keep->fn(code, wparam, lparam);
  }
  return 0;
}

void reset_queues_and_hooks() {
  auto& s = state();
  s.hooks.clear();
  ThreadQueue& q = current_queue();
  q.timers.clear();
  std::lock_guard lock(q.mutex);
  q.posted.clear();
  q.input.clear();
  q.quit = false;
}

}  // namespace detail

using namespace detail;

DWORD GetCurrentThreadId() {
  if (!t_thread_id) current_queue();
  return t_thread_id;
}

DWORD AllocateThreadQueue() {
  auto& s = state();
  std::lock_guard lock(s.table_mutex);
  return new_queue_locked(s)->id;
}

void AttachThreadQueue(DWORD thread) {
  auto q = queue_of(thread);
  if (!q) return;
  t_queue = q;
  t_thread_id = thread;
  q->attached = true;
}

void ReleaseThreadQueue(DWORD thread) {
  auto& s = state();
  std::shared_ptr<ThreadQueue> q;
  {
    std::lock_guard lock(s.table_mutex);
    auto it = s.queues.find(thread);
    if (it == s.queues.end()) return;
    q = it->second;
    s.queues.erase(it);
  }
  std::lock_guard lock(q->mutex);
  q->posted.clear();
  for (SentItem* item : q->sent) {
    item->done = true;
    item->cv.notify_all();
  }
  q->sent.clear();
  if (t_queue == q) {
    t_queue.reset();
    t_thread_id = 0;
  }
}

namespace {

// Queues a posted message (stamped with the current tick) on `q` and wakes its thread.
BOOL post_to(const std::shared_ptr<ThreadQueue>& q, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (!q) return FALSE;
  MSG m;
  m.hwnd = hwnd;
  m.message = msg;
  m.wParam = wparam;
  m.lParam = lparam;
  m.time = core::tick_count();
  std::lock_guard lock(q->mutex);
  q->posted.push_back(m);
  q->wake.set();
  return TRUE;
}

}  // namespace

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  std::shared_ptr<ThreadQueue> q;
  if (!hwnd) {
    q = queue_of(GetCurrentThreadId());
  } else {
    auto& s = state();
    std::lock_guard lock(s.table_mutex);
    auto it = s.windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
    if (it == s.windows.end() || it->second->dead) return FALSE;
    auto qi = s.queues.find(it->second->thread);
    if (qi == s.queues.end()) return FALSE;
    q = qi->second;
  }
  return post_to(q, hwnd, msg, wparam, lparam);
}

BOOL PostThreadMessage(DWORD thread, UINT msg, WPARAM wparam, LPARAM lparam) {
  return post_to(queue_of(thread), nullptr, msg, wparam, lparam);
}

void PostQuitMessage(int exit_code) {
  ThreadQueue& q = current_queue();
  std::lock_guard lock(q.mutex);
  q.quit = true;
  q.quit_code = exit_code;
  q.wake.set();
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  DWORD me = GetCurrentThreadId();
  DWORD owner = 0;
  std::shared_ptr<ThreadQueue> q;
  {
    auto& s = state();
    std::lock_guard lock(s.table_mutex);
    auto it = s.windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
    if (it == s.windows.end() || it->second->dead) return 0;
    owner = it->second->thread;
    auto qi = s.queues.find(owner);
    if (qi != s.queues.end()) q = qi->second;
  }
  if (owner == me) return send(get(hwnd), msg, wparam, lparam);
  // Another thread's window: the call waits until that thread handles it in its message calls.
  if (!q) return 0;
  SentItem item;
  item.msg.hwnd = hwnd;
  item.msg.message = msg;
  item.msg.wParam = wparam;
  item.msg.lParam = lparam;
  std::unique_lock lock(q->mutex);
  q->sent.push_back(&item);
  q->wake.set();
  item.cv.wait(lock, [&] { return item.done; });
  return item.result;
}

BOOL SendNotifyMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  Window* w = get(hwnd);
  if (!w) return FALSE;
  if (w->thread == GetCurrentThreadId()) {
    send(w, msg, wparam, lparam);
    return TRUE;
  }
  return PostMessage(hwnd, msg, wparam, lparam);
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT min, UINT max, UINT remove) {
  if (!msg) return FALSE;
  ThreadQueue& q = current_queue();
  auto& s = state();
  // Events the display has already read count as much as those still on its descriptor.
  if (q.id == s.gui_thread && s.display && s.display->fd() >= 0) s.display->pump();
  if (!peek(q, msg, hwnd, min, max, remove)) return FALSE;
  if (remove & PM_REMOVE) q.last = *msg;
  return TRUE;
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT min, UINT max) {
  if (!msg) return -1;
  if (hwnd && !IsWindow(hwnd)) return -1;
  ThreadQueue& q = current_queue();
  for (;;) {
    if (PeekMessage(msg, hwnd, min, max, PM_REMOVE)) return msg->message == WM_QUIT ? FALSE : TRUE;
    std::int64_t wait = next_timer_wait(q);
    wait_queue(q, {}, wait, true);
  }
}

BOOL WaitMessage() {
  ThreadQueue& q = current_queue();
  MSG m;
  if (peek(q, &m, nullptr, 0, 0, PM_NOREMOVE)) return TRUE;
  wait_queue(q, {}, next_timer_wait(q), true);
  return TRUE;
}

DWORD GetQueueStatus(UINT flags) {
  ThreadQueue& q = current_queue();
  DWORD st = 0;
  {
    std::lock_guard lock(q.mutex);
    if (!q.posted.empty()) st |= QS_POSTMESSAGE;
    if (!q.sent.empty()) st |= QS_SENDMESSAGE;
    for (const auto& ev : q.input) st |= ev.kind == InputEvent::kKey ? QS_KEY : (ev.kind == InputEvent::kMove ? QS_MOUSEMOVE : QS_MOUSEBUTTON);
  }
  if (q.id == state().gui_thread && find_paint_window(q.id)) st |= QS_PAINT;
  if (due_timer(q, nullptr, now_ms())) st |= QS_TIMER;
  st &= flags;
  return (st << 16) | st;
}

DWORD GetMessageTime() { return current_queue().last.time; }
DWORD GetMessagePos() {
  const MSG& m = current_queue().last;
  return MAKELONG(static_cast<WORD>(m.pt.x), static_cast<WORD>(m.pt.y));
}
BOOL InSendMessage() { return FALSE; }

BOOL TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return FALSE;
  if (!msg->lPrivate) return FALSE;
  UINT ch = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
  // The character comes right after its key, ahead of anything posted meanwhile.
  ThreadQueue& q = current_queue();
  MSG m = *msg;
  m.message = ch;
  m.wParam = msg->lPrivate;
  m.lPrivate = 0;
  std::lock_guard lock(q.mutex);
  q.posted.push_front(m);
  q.wake.set();
  return TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
  if (!msg) return 0;
  Window* w = get(msg->hwnd);
  if (msg->message == WM_TIMER && msg->lParam) {
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    proc(msg->hwnd, WM_TIMER, msg->wParam, core::tick_count());
    return 0;
  }
  if (!w) return 0;
  LRESULT r = send(w, msg->message, msg->wParam, msg->lParam);
  if (msg->message == WM_PAINT) {
    // A procedure that neither painted nor validated would be asked forever; the platform asks
    // again only after a new invalidation, so the internal flag is dropped here.
    if ((w = get(msg->hwnd))) w->internal_paint = false;
  }
  return r;
}

DWORD MsgWaitForMultipleObjects(DWORD count, const os::Event* const* events, BOOL, DWORD timeout_ms, DWORD) {
  ThreadQueue& q = current_queue();
  std::vector<::pollfd> fds;
  for (DWORD i = 0; i < count; ++i) fds.push_back({events[i]->fd(), POLLIN, 0});
  for (DWORD i = 0; i < count; ++i)
    if (events[i]->is_set()) return WAIT_OBJECT_0 + i;
  if (has_pending(q)) return WAIT_OBJECT_0 + count;
  int r = wait_queue(q, fds, timeout_ms == INFINITE ? -1 : static_cast<std::int64_t>(timeout_ms), true);
  if (r < 0) return WAIT_TIMEOUT;
  return WAIT_OBJECT_0 + static_cast<DWORD>(r);
}

int MsgWaitForDescriptors(std::span<::pollfd> fds, DWORD timeout_ms) {
  ThreadQueue& q = current_queue();
  if (has_pending(q)) return static_cast<int>(fds.size());
  return wait_queue(q, fds, timeout_ms == INFINITE ? -1 : static_cast<std::int64_t>(timeout_ms), true);
}

int RunMessageLoop() {
  MSG m;
  for (;;) {
    BOOL r = GetMessage(&m, nullptr, 0, 0);
    if (r == 0) return static_cast<int>(m.wParam);
    if (r < 0) return -1;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
}

void ProcessPendingMessages() {
  MSG m;
  // Bounded, so that a procedure that keeps posting to itself cannot hold the caller forever.
  for (int i = 0; i < 100000 && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE); ++i) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  if (current_queue().id == state().gui_thread) present_dirty();
}

BOOL CallMsgFilter(MSG* msg, int code) {
  return call_hooks(WH_MSGFILTER, code, 0, reinterpret_cast<LPARAM>(msg)) != 0 ? TRUE : FALSE;
}

void RunModalLoop(const std::function<bool()>& done, int filter) {
  MSG m;
  while (!done()) {
    if (!GetMessage(&m, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(m.wParam));
      return;
    }
    if (CallMsgFilter(&m, filter)) continue;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
}

// ---- timers ----
std::uintptr_t SetTimer(HWND hwnd, std::uintptr_t id, UINT elapse_ms, TIMERPROC proc) {
  if (hwnd && !IsWindow(hwnd)) return 0;
  ThreadQueue& q = current_queue();
  elapse_ms = std::clamp<UINT>(elapse_ms, 10, 0x7FFFFFFF);
  if (!hwnd) {
    // Without a window the platform picks a fresh id.
    static std::uintptr_t next = 0x7000;
    if (!id) id = ++next;
  }
  std::int64_t due = now_ms() + elapse_ms;
  for (Timer& t : q.timers) {
    if (t.hwnd == hwnd && t.id == id) {
      t.elapse = elapse_ms;
      t.proc = proc;
      t.due = due;
      return hwnd ? 1 : id;
    }
  }
  q.timers.push_back({hwnd, id, elapse_ms, proc, due});
  return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, std::uintptr_t id) {
  ThreadQueue& q = current_queue();
  auto it = std::find_if(q.timers.begin(), q.timers.end(), [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == q.timers.end()) return FALSE;
  q.timers.erase(it);
  // A tick already taken from the queue is not delivered after the kill.
  return TRUE;
}

DWORD GetTickCount() { return core::tick_count(); }
UINT GetDoubleClickTime() { return state().double_click_time; }
BOOL SetDoubleClickTime(UINT ms) {
  state().double_click_time = ms ? ms : 500;
  return TRUE;
}

// ---- hooks ----
HHOOK SetWindowsHookEx(int id, HookFn proc, HINSTANCE, DWORD thread) {
  if (!proc || (id != WH_CBT && id != WH_MSGFILTER)) return nullptr;
  auto h = std::make_shared<Hook>();
  h->id = id;
  h->fn = std::move(proc);
  h->thread = thread;
  state().hooks.push_front(h);
  return reinterpret_cast<HHOOK>(h.get());
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
  auto& hooks = state().hooks;
  for (auto it = hooks.begin(); it != hooks.end(); ++it) {
    if (reinterpret_cast<HHOOK>(it->get()) == hook) {
      (*it)->removed = true;
      hooks.erase(it);
      return TRUE;
    }
  }
  return FALSE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wparam, LPARAM lparam) {
  auto& hooks = state().hooks;
  auto it = std::find_if(hooks.begin(), hooks.end(), [&](const auto& h) { return reinterpret_cast<HHOOK>(h.get()) == hook; });
  if (it == hooks.end()) return 0;
  int id = (*it)->id;
  DWORD me = GetCurrentThreadId();
  for (++it; it != hooks.end(); ++it) {
    if ((*it)->removed || (*it)->id != id || ((*it)->thread && (*it)->thread != me)) continue;
    auto keep = *it;
    return keep->fn(code, wparam, lparam);
  }
  return 0;
}

}  // namespace platform::win
