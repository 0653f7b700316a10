// The engine's control thread: commands from any thread go into a queue that
// this one thread works off in order, so that the tasks change one at a
// time.
#ifndef QEL_ENGINE_TASK_OPERATOR_H_
#define QEL_ENGINE_TASK_OPERATOR_H_

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "engine/download_task.h"
#include "engine/task_manager.h"

namespace ns_Drav {

class CTaskOperator {
 public:
  CTaskOperator() = default;
  // Stops the control thread and waits for it.
  virtual ~CTaskOperator();
  CTaskOperator(const CTaskOperator&) = delete;
  CTaskOperator& operator=(const CTaskOperator&) = delete;

  // Takes the task manager (not owned) and starts the control thread; only
  // the first call does anything.
  bool Start(ITaskManager* manager);
  // Queues a command; false once the thread was told to stop.
  bool Post(TaskCommand command);
  // Tells the thread to leave at its next wake-up (queued commands are
  // dropped) and waits for it at most `timeoutMs`. True when it has ended.
  bool Stop(int timeoutMs);
  bool stopping() const { return stop_.load(); }

 private:
  void Run();
  void Handle(const TaskCommand& command);

  std::mutex queue_lock_;
  std::condition_variable wake_;
  std::deque<TaskCommand> queue_;  // guarded by queue_lock_
  bool exited_ = false;            // guarded by queue_lock_
  std::condition_variable exited_wake_;
  std::atomic<bool> stop_{false};
  ITaskManager* manager_ = nullptr;
  std::mutex join_lock_;  // one joiner at a time
  std::thread thread_;
};

}  // namespace ns_Drav

#endif  // QEL_ENGINE_TASK_OPERATOR_H_
