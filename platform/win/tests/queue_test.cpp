// The queues: posting from worker threads, thread messages, sending across threads, timers on the
// virtual clock, the retrieval order, waiting together with events, and modal loops with filters.
#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "platform/os/event.h"
#include "platform/win/tests/test_support.h"

namespace platform::win::test {
namespace {

class Queue : public WinTest {};

struct Received {
  std::vector<std::pair<UINT, WPARAM>> messages;
  std::thread::id thread;
  bool wrong_thread = false;
};
Received* g_received = nullptr;

LRESULT collecting_proc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m >= WM_USER && m < WM_USER + 10) {
    if (std::this_thread::get_id() != g_received->thread) g_received->wrong_thread = true;
    g_received->messages.emplace_back(m, w);
    if (m == WM_USER + 1) PostQuitMessage(7);
    return static_cast<LRESULT>(w) * 2;
  }
  return DefWindowProc(h, m, w, l);
}

HWND make_collector() {
  WNDCLASSEX wc;
  wc.lpfnWndProc = collecting_proc;
  wc.lpszClassName = "Collector";
  RegisterClassEx(&wc);
  return CreateWindowEx(0, "Collector", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

TEST_F(Queue, WorkerPostsAreHandledOnTheGuiThreadInOrder) {
  Received rec;
  rec.thread = std::this_thread::get_id();
  g_received = &rec;
  HWND h = make_collector();
  ASSERT_TRUE(h);
  constexpr int kCount = 2000;
  std::thread worker([h] {
    for (int i = 0; i < kCount; ++i) ASSERT_TRUE(PostMessage(h, WM_USER, static_cast<WPARAM>(i), 0));
    PostMessage(h, WM_USER + 1, 0, 0);
  });
  EXPECT_EQ(RunMessageLoop(), 7);  // blocks on the queue until the worker's messages arrive
  worker.join();
  ASSERT_EQ(rec.messages.size(), static_cast<std::size_t>(kCount + 1));
  for (int i = 0; i < kCount; ++i) ASSERT_EQ(rec.messages[static_cast<std::size_t>(i)].second, static_cast<WPARAM>(i));
  EXPECT_FALSE(rec.wrong_thread);
  g_received = nullptr;
}

// The serial component's pattern: a hidden message-only window that worker threads post notices to.
TEST_F(Queue, MessageOnlyWindowTakesNoticesFromWorkers) {
  Received rec;
  rec.thread = std::this_thread::get_id();
  g_received = &rec;
  WNDCLASSEX wc;
  wc.lpfnWndProc = collecting_proc;
  wc.lpszClassName = "Notices";
  RegisterClassEx(&wc);
  HWND h = CreateWindowEx(0, "Notices", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_TRUE(h);
  EXPECT_EQ(GetTopWindow(nullptr), nullptr);  // never among the screen's windows
  EXPECT_EQ(GetBackingBitmap(h), nullptr);
  EXPECT_EQ(FindWindowEx(HWND_MESSAGE, nullptr, "Notices", nullptr), h);
  std::thread reader([h] {
    for (int i = 0; i < 3; ++i) PostMessage(h, WM_USER, static_cast<WPARAM>(i), 0);
    PostMessage(h, WM_USER + 1, 0, 0);
  });
  RunMessageLoop();
  reader.join();
  EXPECT_EQ(rec.messages.size(), 4u);
  EXPECT_FALSE(rec.wrong_thread);
  DestroyWindow(h);
  EXPECT_FALSE(PostMessage(h, WM_USER, 0, 0));
  g_received = nullptr;
}

TEST_F(Queue, SendingFromAWorkerWaitsForTheGuiThread) {
  Received rec;
  rec.thread = std::this_thread::get_id();
  g_received = &rec;
  HWND h = make_collector();
  std::atomic<LRESULT> answer{0};
  std::thread worker([&] {
    answer = SendMessage(h, WM_USER + 2, 21, 0);
    PostMessage(h, WM_USER + 1, 0, 0);
  });
  RunMessageLoop();
  worker.join();
  EXPECT_EQ(answer.load(), 42);
  EXPECT_FALSE(rec.wrong_thread);
  g_received = nullptr;
}

// A worker's queue exists before the worker runs, so nothing posted early is lost; the worker waits
// for its close event or for the next message without polling.
TEST_F(Queue, ThreadMessagesReachAQueueAllocatedBeforeItsThread) {
  DWORD id = AllocateThreadQueue();
  ASSERT_TRUE(PostThreadMessage(id, WM_USER, 1, 0));
  ASSERT_TRUE(PostThreadMessage(id, WM_USER, 2, 0));
  os::Event close;
  std::vector<WPARAM> got;
  std::atomic<bool> waiting{false};
  std::thread worker([&] {
    AttachThreadQueue(id);
    EXPECT_EQ(GetCurrentThreadId(), id);
    MSG m;
    for (;;) {
      while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        EXPECT_EQ(m.hwnd, nullptr);
        got.push_back(m.wParam);
      }
      waiting = true;
      const os::Event* evs[] = {&close};
      DWORD r = MsgWaitForMultipleObjects(1, evs, FALSE, INFINITE, QS_ALLINPUT);
      if (r == WAIT_OBJECT_0) break;
      EXPECT_EQ(r, WAIT_OBJECT_0 + 1);
    }
  });
  while (!waiting) std::this_thread::yield();
  PostThreadMessage(id, WM_USER, 3, 0);
  // The close event ends the wait even with nothing queued.
  while (true) {
    {
      // Give the worker the third message before closing: wait until it was taken.
      auto q = got.size();
      if (q >= 3) break;
    }
    std::this_thread::yield();
  }
  close.set();
  worker.join();
  EXPECT_EQ(got, (std::vector<WPARAM>{1, 2, 3}));
  ReleaseThreadQueue(id);
  EXPECT_FALSE(PostThreadMessage(id, WM_USER, 4, 0));
}

TEST_F(Queue, MsgWaitTimesOutInVirtualTime) {
  os::Event never;
  const os::Event* evs[] = {&never};
  core::Millis before = clock_.monotonic();
  EXPECT_EQ(MsgWaitForMultipleObjects(1, evs, FALSE, 250, QS_ALLINPUT), WAIT_TIMEOUT);
  EXPECT_EQ((clock_.monotonic() - before).count(), 250);
  PostMessage(nullptr, WM_USER, 0, 0);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, evs, FALSE, 250, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
}

TEST_F(Queue, WaitingOnDescriptorsAndTheQueueTogether) {
  int p[2];
  ASSERT_EQ(::pipe(p), 0);
  ::pollfd fds[1] = {{p[0], POLLIN, 0}};
  EXPECT_EQ(MsgWaitForDescriptors(fds, 100), -1);
  std::thread writer([&] { ASSERT_EQ(::write(p[1], "x", 1), 1); });
  EXPECT_EQ(MsgWaitForDescriptors(fds, INFINITE), 0);
  EXPECT_TRUE(fds[0].revents & POLLIN);
  writer.join();
  std::thread poster([] { EXPECT_FALSE(PostThreadMessage(0, WM_USER, 0, 0)); });
  poster.join();  // a bad thread id fails
  DWORD me = GetCurrentThreadId();
  std::thread poster2([me] { PostThreadMessage(me, WM_USER, 0, 0); });
  char c;
  ASSERT_EQ(::read(p[0], &c, 1), 1);
  EXPECT_EQ(MsgWaitForDescriptors(fds, INFINITE), 1);
  poster2.join();
  ::close(p[0]);
  ::close(p[1]);
}

TEST_F(Queue, TimersFireOnTheVirtualClockWithoutCatchingUp) {
  HWND a = make("A", WS_POPUP, 0, 0, 10, 10);
  ASSERT_EQ(SetTimer(a, 5, 100, nullptr), 5u);
  MSG m;
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  clock_.advance(core::Millis(99));
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  clock_.advance(core::Millis(1));
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_EQ(m.hwnd, a);
  EXPECT_EQ(m.wParam, 5u);
  // Late by several intervals: one tick, then a full interval again.
  clock_.advance(core::Millis(450));
  EXPECT_TRUE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  clock_.advance(core::Millis(100));
  EXPECT_TRUE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
  EXPECT_TRUE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));  // not reset by the peek
  // Setting it again restarts the countdown; killing it stops it.
  clock_.advance(core::Millis(60));
  SetTimer(a, 5, 100, nullptr);
  clock_.advance(core::Millis(60));
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_TRUE(KillTimer(a, 5));
  EXPECT_FALSE(KillTimer(a, 5));
  clock_.advance(core::Millis(1000));
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  // A window's timers die with it.
  SetTimer(a, 6, 10, nullptr);
  DestroyWindow(a);
  clock_.advance(core::Millis(100));
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Queue, WaitingForATimerPassesVirtualTimeOnly) {
  static int calls;
  calls = 0;
  std::uintptr_t id = SetTimer(nullptr, 0, 300, [](HWND, UINT msg, std::uintptr_t, DWORD) {
    EXPECT_EQ(msg, WM_TIMER);
    ++calls;
  });
  ASSERT_NE(id, 0u);
  MSG m;
  ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, WM_TIMER);
  EXPECT_EQ(clock_.slept().count(), 300);
  DispatchMessage(&m);  // a timer procedure is called instead of a window procedure
  EXPECT_EQ(calls, 1);
  KillTimer(nullptr, id);
}

TEST_F(Queue, RetrievalOrderIsPostedThenInputThenQuitThenPaintThenTimers) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100);
  pump();
  SetTimer(a, 1, 10, nullptr);
  clock_.advance(core::Millis(20));
  InvalidateRect(a, nullptr, TRUE);
  PostQuitMessage(3);
  inject_key(VK_SPACE, true, U' ');
  PostMessage(a, WM_USER, 0, 0);
  std::vector<UINT> order;
  MSG m;
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    order.push_back(m.message);
    if (m.message != WM_QUIT) DispatchMessage(&m);
    if (m.message == WM_TIMER) break;
  }
  EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_KEYDOWN, WM_QUIT, WM_PAINT, WM_TIMER}));
}

TEST_F(Queue, FiltersSelectByWindowAndRange) {
  HWND a = make("A", WS_POPUP, 0, 0, 10, 10);
  HWND b = make("B", WS_POPUP, 0, 0, 10, 10);
  PostMessage(a, WM_USER, 1, 0);
  PostMessage(b, WM_USER + 5, 2, 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, b, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.wParam, 2u);
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_USER + 1, WM_USER + 9, PM_REMOVE));
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_USER, WM_USER, PM_REMOVE));
  EXPECT_EQ(m.hwnd, a);
}

TEST_F(Queue, ModalLoopOffersEveryMessageToTheFilterHook) {
  HWND a = make("A", WS_POPUP, 0, 0, 10, 10);
  std::vector<std::pair<int, UINT>> seen;
  HHOOK hook = SetWindowsHookEx(
      WH_MSGFILTER,
      [&](int code, WPARAM, LPARAM lp) -> LRESULT {
        auto* m = reinterpret_cast<MSG*>(lp);
        seen.emplace_back(code, m->message);
        return m->message == WM_USER + 3;  // eaten: never dispatched
      },
      nullptr, GetCurrentThreadId());
  bool done = false;
  PostMessage(a, WM_USER + 3, 0, 0);
  PostMessage(a, WM_USER + 4, 0, 0);
  trace().clear();
  WNDPROC old = reinterpret_cast<WNDPROC>(GetWindowLongPtr(a, GWLP_WNDPROC));
  WNDPROC ender = MakeProcInstance([&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_USER + 4) done = true;
    return CallWindowProc(old, h, m, w, l);
  });
  SetWindowLongPtr(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ender));
  RunModalLoop([&] { return done; }, MSGF_MENU);
  EXPECT_EQ(seen, (std::vector<std::pair<int, UINT>>{{MSGF_MENU, WM_USER + 3}, {MSGF_MENU, WM_USER + 4}}));
  EXPECT_EQ(trace().of("A"), (std::vector<std::string>{"0x0404"}));
  UnhookWindowsHookEx(hook);
  SetWindowLongPtr(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
  FreeProcInstance(ender);
  // WM_QUIT ends a modal loop and stays for the outer loop.
  PostQuitMessage(9);
  RunModalLoop([] { return false; }, MSGF_DIALOGBOX);
  EXPECT_EQ(RunMessageLoop(), 9);
}

TEST_F(Queue, HooksChainNewestFirstAndUnhookedOnesAreSkipped) {
  std::vector<int> calls;
  HHOOK first = nullptr, second = nullptr;
  first = SetWindowsHookEx(WH_CBT, [&](int code, WPARAM w, LPARAM l) -> LRESULT {
    calls.push_back(1);
    return CallNextHookEx(first, code, w, l);
  }, nullptr, 0);
  second = SetWindowsHookEx(WH_CBT, [&](int code, WPARAM w, LPARAM l) -> LRESULT {
    calls.push_back(2);
    return CallNextHookEx(second, code, w, l);
  }, nullptr, 0);
  make("A", WS_POPUP, 0, 0, 10, 10);
  EXPECT_EQ(calls, (std::vector<int>{2, 1}));
  UnhookWindowsHookEx(second);
  calls.clear();
  make("B", WS_POPUP, 0, 0, 10, 10);
  EXPECT_EQ(calls, (std::vector<int>{1}));
  EXPECT_FALSE(UnhookWindowsHookEx(second));
}

}  // namespace
}  // namespace platform::win::test
