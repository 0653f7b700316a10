#include "toolkit/message_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "toolkit_test_util.h"

namespace {

class Recorder : public MessageTarget {
 public:
  Recorder() : hwnd(AttachMessageTarget(this)) {}
  ~Recorder() override { DetachMessageTarget(hwnd); }
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override {
    seen.push_back({message, wparam, lparam});
    if (on_message)
      on_message(message, wparam);
    return static_cast<LRESULT>(wparam) * 2;
  }
  struct Seen {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
  };
  std::vector<Seen> seen;
  std::function<void(UINT, WPARAM)> on_message;
  HWND hwnd;
};

}  // namespace

TEST(MessageLoop, TenThreadsArriveInOrderPerSender) {
  InitMessageLoop();
  Recorder target;
  constexpr int kThreads = 10, kEach = 500;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i)
        PostMessage(target.hwnd, WM_APP + 1, static_cast<WPARAM>(t), i);
    });
  RunUntil([&] { return target.seen.size() == size_t{kThreads * kEach}; });
  for (auto& thread : threads)
    thread.join();
  ASSERT_EQ(target.seen.size(), size_t{kThreads * kEach});
  std::vector<LPARAM> next(kThreads, 0);
  for (const auto& seen : target.seen) {
    ASSERT_EQ(seen.lparam, next[seen.wparam]) << "sender " << seen.wparam;
    ++next[seen.wparam];
  }
}

TEST(MessageLoop, SendFromAnotherThreadWaitsForTheAnswer) {
  InitMessageLoop();
  Recorder target;
  std::atomic<LRESULT> answer{-1};
  std::thread sender([&] { answer = SendMessage(target.hwnd, WM_APP + 2, 21, 0); });
  RunUntil([&] { return answer != -1; });
  sender.join();
  EXPECT_EQ(answer, 42);
  // On the UI thread the call is direct.
  EXPECT_EQ(SendMessage(target.hwnd, WM_APP + 2, 5, 0), 10);
}

TEST(MessageLoop, MessagesToGoneWindowsAreDropped) {
  InitMessageLoop();
  HWND gone;
  {
    Recorder target;
    gone = target.hwnd;
  }
  EXPECT_FALSE(PostMessage(gone, WM_APP, 0, 0));
  std::atomic<bool> done{false};
  std::thread sender([&] {
    EXPECT_EQ(SendMessage(gone, WM_APP, 1, 0), 0);
    done = true;
  });
  sender.join();
  EXPECT_TRUE(done);
}

TEST(MessageLoop, QuitEndsTheInnermostLoopAndIsPostedOnByModalCode) {
  InitMessageLoop();
  Recorder target;
  int inner_code = -1;
  bool inner_quit = false;
  target.on_message = [&](UINT message, WPARAM) {
    if (message != WM_APP + 3)
      return;
    PostQuitMessage(7);
    inner_quit = RunNestedLoop([] { return false; }, &inner_code);
    // What a modal loop does with a quit it saw.
    PostQuitMessage(inner_code);
  };
  PostMessage(target.hwnd, WM_APP + 3, 0, 0);
  EXPECT_EQ(RunMessageLoop(), 7);
  EXPECT_TRUE(inner_quit);
  EXPECT_EQ(inner_code, 7);
}

TEST(MessageLoop, MessagesKeepFlowingInsideANestedLoop) {
  InitMessageLoop();
  Recorder target;
  bool nested_saw_second = false;
  target.on_message = [&](UINT message, WPARAM) {
    if (message == WM_APP + 4) {
      PostMessage(target.hwnd, WM_APP + 5, 0, 0);
      RunUntil([&] { return target.seen.back().message == WM_APP + 5; });
      nested_saw_second = target.seen.back().message == WM_APP + 5;
    }
  };
  PostMessage(target.hwnd, WM_APP + 4, 0, 0);
  RunUntil([&] { return nested_saw_second; });
  EXPECT_TRUE(nested_saw_second);
}

TEST(MessageLoop, TimersTickUntilKilled) {
  InitMessageLoop();
  Recorder target;
  int ticks = 0;
  target.on_message = [&](UINT message, WPARAM id) {
    if (message == WM_TIMER && id == 9 && ++ticks == 3)
      KillTimer(target.hwnd, 9);
  };
  ASSERT_TRUE(SetTimer(target.hwnd, 9, 1));
  RunUntil([&] { return ticks >= 3; });
  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(KillTimer(target.hwnd, 9));
  // A window that goes away takes its timers along.
  EXPECT_FALSE(SetTimer(0x1234, 1, 1));
}

TEST(MessageLoop, InvokeRunsOnTheUiThread) {
  InitMessageLoop();
  std::thread::id ran_on;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    InvokeOnUiThread([&] { ran_on = std::this_thread::get_id(); });
    done = true;
  });
  RunUntil([&] { return done.load(); });
  worker.join();
  EXPECT_EQ(ran_on, std::this_thread::get_id());
}
