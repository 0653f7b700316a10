#include "toolkit/message_loop.h"

#include <glib.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "toolkit/remote_messages.h"

namespace {

// A sender waiting for the UI thread to handle its message.
struct Reply {
  std::mutex lock;
  std::condition_variable done_cv;
  bool done = false;
  LRESULT result = 0;

  void Finish(LRESULT value) {
    std::lock_guard<std::mutex> hold(lock);
    result = value;
    done = true;
    done_cv.notify_all();
  }
};

struct Message {
  HWND hwnd = 0;
  UINT message = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  std::shared_ptr<Reply> reply;
  std::function<void()> task;
};

// One running loop; nested loops stack up on the UI thread.
struct LoopFrame {
  bool quit = false;
  int code = 0;
};

// Messages served per dispatch pass, so that drawing and input get their turn.
constexpr int kMessagesPerPass = 32;

struct QueueSource {
  GSource source;
};

class Queue {
 public:
  static Queue& Get() {
    static Queue* queue = new Queue();  // lives until exit: other threads may post late
    return *queue;
  }

  void Init() {
    std::lock_guard<std::mutex> hold(lock_);
    if (source_)
      return;
    ui_thread_ = std::this_thread::get_id();
    context_ = g_main_context_default();
    static GSourceFuncs funcs = {Prepare, Check, Dispatch, nullptr, nullptr, nullptr};
    source_ = g_source_new(&funcs, sizeof(QueueSource));
    // Messages must keep flowing while a handler runs a nested (modal) loop.
    g_source_set_can_recurse(source_, TRUE);
    g_source_set_priority(source_, G_PRIORITY_DEFAULT);
    g_source_attach(source_, context_);
  }

  bool IsUiThread() {
    std::lock_guard<std::mutex> hold(lock_);
    // Before a UI thread exists, whoever calls is it (tests, tools).
    return !source_ || std::this_thread::get_id() == ui_thread_;
  }

  void Push(Message message) {
    GMainContext* context;
    {
      std::lock_guard<std::mutex> hold(lock_);
      pending_.push_back(std::move(message));
      context = context_;
    }
    if (context)
      g_main_context_wakeup(context);
  }

  bool HasPending() {
    std::lock_guard<std::mutex> hold(lock_);
    return !pending_.empty();
  }

  bool Pop(Message* out) {
    std::lock_guard<std::mutex> hold(lock_);
    if (pending_.empty())
      return false;
    *out = std::move(pending_.front());
    pending_.pop_front();
    return true;
  }

  // Window table.
  HWND Attach(MessageTarget* target) {
    std::lock_guard<std::mutex> hold(lock_);
    HWND hwnd;
    do {
      serial_ = (serial_ % 0xFFFF) + 1;
      hwnd = (static_cast<HWND>(getpid()) << 16) | serial_;
    } while (targets_.count(hwnd));
    targets_[hwnd] = target;
    return hwnd;
  }
  void Detach(HWND hwnd) {
    std::lock_guard<std::mutex> hold(lock_);
    targets_.erase(hwnd);
  }
  MessageTarget* Find(HWND hwnd) {
    std::lock_guard<std::mutex> hold(lock_);
    auto it = targets_.find(hwnd);
    return it == targets_.end() ? nullptr : it->second;
  }

  std::vector<LoopFrame*>& frames() { return frames_; }
  // A quit that arrived while no loop ran; taken by the next loop.
  bool TakePendingQuit(int* code) {
    if (!pending_quit_)
      return false;
    pending_quit_ = false;
    *code = pending_code_;
    return true;
  }

  // Timers.
  struct TimerKey {
    HWND hwnd;
    uint64_t id;
    bool operator<(const TimerKey& o) const { return hwnd != o.hwnd ? hwnd < o.hwnd : id < o.id; }
  };
  bool SetTimer(HWND hwnd, uint64_t id, UINT ms);
  bool KillTimer(HWND hwnd, uint64_t id);
  void KillAll(HWND hwnd);

 private:
  static gboolean Prepare(GSource*, gint* timeout) {
    *timeout = -1;
    return Get().HasPending();
  }
  static gboolean Check(GSource*) { return Get().HasPending(); }
  static gboolean Dispatch(GSource*, GSourceFunc, gpointer);
  static gboolean OnTimer(gpointer data);

  std::mutex lock_;
  std::deque<Message> pending_;
  GSource* source_ = nullptr;
  GMainContext* context_ = nullptr;
  std::thread::id ui_thread_;
  std::unordered_map<HWND, MessageTarget*> targets_;
  uint16_t serial_ = 0;
  std::vector<LoopFrame*> frames_;
  bool pending_quit_ = false;
  int pending_code_ = 0;
  std::map<TimerKey, GSource*> timers_;
};

void Deliver(Message& message) {
  if (message.task) {
    message.task();
    if (message.reply)
      message.reply->Finish(0);
    return;
  }
  MessageTarget* target = FindMessageTarget(message.hwnd);
  LRESULT result = 0;
  if (target && !(!message.reply &&
                  target->PreTranslateMessage(message.message, message.wparam, message.lparam)))
    result = target->WindowProc(message.message, message.wparam, message.lparam);
  if (message.reply)
    message.reply->Finish(result);
}

gboolean Queue::Dispatch(GSource*, GSourceFunc, gpointer) {
  Queue& queue = Get();
  for (int served = 0; served < kMessagesPerPass; ++served) {
    LoopFrame* frame = queue.frames_.empty() ? nullptr : queue.frames_.back();
    if (frame && frame->quit)
      break;
    Message message;
    if (!queue.Pop(&message))
      break;
    if (message.hwnd == 0 && message.message == WM_QUIT && !message.task) {
      if (frame) {
        frame->quit = true;
        frame->code = static_cast<int>(message.wparam);
      } else {
        // No loop runs (a pump between loops): the next loop ends at once.
        queue.pending_quit_ = true;
        queue.pending_code_ = static_cast<int>(message.wparam);
      }
      break;
    }
    Deliver(message);
  }
  return G_SOURCE_CONTINUE;
}

struct TimerData {
  HWND hwnd;
  uint64_t id;
};

gboolean Queue::OnTimer(gpointer data) {
  auto* timer = static_cast<TimerData*>(data);
  MessageTarget* target = FindMessageTarget(timer->hwnd);
  if (!target) {
    Get().KillTimer(timer->hwnd, timer->id);
    return G_SOURCE_REMOVE;
  }
  target->WindowProc(WM_TIMER, timer->id, 0);
  return G_SOURCE_CONTINUE;
}

bool Queue::SetTimer(HWND hwnd, uint64_t id, UINT ms) {
  if (!Find(hwnd))
    return false;
  GSource* source = g_timeout_source_new(ms);
  g_source_set_can_recurse(source, TRUE);
  g_source_set_callback(source, OnTimer, new TimerData{hwnd, id},
                        [](gpointer data) { delete static_cast<TimerData*>(data); });
  GSource* old = nullptr;
  {
    std::lock_guard<std::mutex> hold(lock_);
    GSource*& slot = timers_[TimerKey{hwnd, id}];
    old = slot;
    slot = source;
    g_source_attach(source, context_ ? context_ : g_main_context_default());
  }
  if (old) {
    g_source_destroy(old);
    g_source_unref(old);
  }
  return true;
}

bool Queue::KillTimer(HWND hwnd, uint64_t id) {
  GSource* source = nullptr;
  {
    std::lock_guard<std::mutex> hold(lock_);
    auto it = timers_.find(TimerKey{hwnd, id});
    if (it == timers_.end())
      return false;
    source = it->second;
    timers_.erase(it);
  }
  g_source_destroy(source);
  g_source_unref(source);
  return true;
}

void Queue::KillAll(HWND hwnd) {
  std::vector<GSource*> sources;
  {
    std::lock_guard<std::mutex> hold(lock_);
    for (auto it = timers_.lower_bound(TimerKey{hwnd, 0});
         it != timers_.end() && it->first.hwnd == hwnd;) {
      sources.push_back(it->second);
      it = timers_.erase(it);
    }
  }
  for (GSource* source : sources) {
    g_source_destroy(source);
    g_source_unref(source);
  }
}

bool RunFrame(LoopFrame* frame, const std::function<bool()>& done) {
  auto& frames = Queue::Get().frames();
  frame->quit = Queue::Get().TakePendingQuit(&frame->code);
  frames.push_back(frame);
  GMainContext* context = g_main_context_default();
  while (!frame->quit && !(done && done()))
    g_main_context_iteration(context, TRUE);
  frames.pop_back();
  return frame->quit;
}

}  // namespace

void InitMessageLoop() {
  Queue::Get().Init();
}

bool IsUiThread() {
  return Queue::Get().IsUiThread();
}

HWND AttachMessageTarget(MessageTarget* target) {
  return Queue::Get().Attach(target);
}

void DetachMessageTarget(HWND hwnd) {
  Queue::Get().KillAll(hwnd);
  Queue::Get().Detach(hwnd);
}

MessageTarget* FindMessageTarget(HWND hwnd) {
  return Queue::Get().Find(hwnd);
}

pid_t ProcessOfWindow(HWND hwnd) {
  return static_cast<pid_t>(hwnd >> 16);
}

bool IsLocalWindowHandle(HWND hwnd) {
  return ProcessOfWindow(hwnd) == getpid();
}

bool PostMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (hwnd != 0 && !IsLocalWindowHandle(hwnd))
    return RemotePostMessage(hwnd, message, wparam, lparam);
  if (hwnd != 0 && !FindMessageTarget(hwnd))
    return false;
  Message queued;
  queued.hwnd = hwnd;
  queued.message = message;
  queued.wparam = wparam;
  queued.lparam = lparam;
  Queue::Get().Push(std::move(queued));
  return true;
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!IsLocalWindowHandle(hwnd))
    return RemoteSendMessage(hwnd, message, wparam, lparam);
  if (IsUiThread()) {
    MessageTarget* target = FindMessageTarget(hwnd);
    return target ? target->WindowProc(message, wparam, lparam) : 0;
  }
  if (!FindMessageTarget(hwnd))
    return 0;
  auto reply = std::make_shared<Reply>();
  Message queued;
  queued.hwnd = hwnd;
  queued.message = message;
  queued.wparam = wparam;
  queued.lparam = lparam;
  queued.reply = reply;
  Queue::Get().Push(std::move(queued));
  std::unique_lock<std::mutex> hold(reply->lock);
  // A window destroyed while the message waits still answers (with 0),
  // because Deliver finishes every reply it pops.
  reply->done_cv.wait(hold, [&] { return reply->done; });
  return reply->result;
}

void PostQuitMessage(int code) {
  Message quit;
  quit.message = WM_QUIT;
  quit.wparam = static_cast<WPARAM>(code);
  Queue::Get().Push(std::move(quit));
}

int RunMessageLoop() {
  InitMessageLoop();
  LoopFrame frame;
  RunFrame(&frame, nullptr);
  return frame.code;
}

bool RunNestedLoop(const std::function<bool()>& done, int* quit_code) {
  LoopFrame frame;
  bool quit = RunFrame(&frame, done);
  if (quit_code)
    *quit_code = frame.code;
  return quit;
}

void InvokeOnUiThread(const std::function<void()>& task) {
  if (IsUiThread()) {
    task();
    return;
  }
  auto reply = std::make_shared<Reply>();
  Message queued;
  queued.task = task;
  queued.reply = reply;
  Queue::Get().Push(std::move(queued));
  std::unique_lock<std::mutex> hold(reply->lock);
  reply->done_cv.wait(hold, [&] { return reply->done; });
}

void PostToUiThread(std::function<void()> task) {
  Message queued;
  queued.task = std::move(task);
  Queue::Get().Push(std::move(queued));
}

bool SetTimer(HWND hwnd, uint64_t id, UINT ms) {
  return Queue::Get().SetTimer(hwnd, id, ms);
}

bool KillTimer(HWND hwnd, uint64_t id) {
  return Queue::Get().KillTimer(hwnd, id);
}

void KillAllTimers(HWND hwnd) {
  Queue::Get().KillAll(hwnd);
}

void PumpPendingMessages() {
  GMainContext* context = g_main_context_default();
  while (g_main_context_iteration(context, FALSE)) {
  }
}
