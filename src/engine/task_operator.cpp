#include "engine/task_operator.h"

#include <chrono>
#include <system_error>

#include "foundation/log.h"

namespace ns_Drav {

CTaskOperator::~CTaskOperator() {
  {
    std::lock_guard<std::mutex> hold(queue_lock_);
    stop_ = true;
  }
  wake_.notify_all();
  std::lock_guard<std::mutex> hold(join_lock_);
  if (!thread_.joinable())
    return;
  if (thread_.get_id() == std::this_thread::get_id())
    thread_.detach();  // destroyed from its own callback: it ends by itself
  else
    thread_.join();
}

bool CTaskOperator::Start(ITaskManager* manager) {
  std::lock_guard<std::mutex> hold(join_lock_);
  if (manager_ || !manager)
    return false;
  manager_ = manager;
  try {
    thread_ = std::thread(&CTaskOperator::Run, this);
  } catch (const std::system_error&) {
    LOG_ERROR("[ERROR] task operator, thread creation failed!");
    std::lock_guard<std::mutex> queue(queue_lock_);
    stop_ = true;
    exited_ = true;
    return false;
  }
  return true;
}

bool CTaskOperator::Post(TaskCommand command) {
  {
    std::lock_guard<std::mutex> hold(queue_lock_);
    if (stop_)
      return false;
    queue_.push_back(std::move(command));
  }
  wake_.notify_one();
  return true;
}

bool CTaskOperator::Stop(int timeoutMs) {
  std::unique_lock<std::mutex> hold(queue_lock_);
  stop_ = true;
  wake_.notify_all();
  if (!thread_.joinable() && !manager_)
    return true;  // never started
  // Called from a callback on the control thread itself: it leaves once the
  // current command is done.
  if (thread_.get_id() == std::this_thread::get_id())
    return false;
  bool ended =
      exited_wake_.wait_for(hold, std::chrono::milliseconds(timeoutMs), [this] { return exited_; });
  hold.unlock();
  if (!ended)
    return false;
  std::lock_guard<std::mutex> join(join_lock_);
  if (thread_.joinable())
    thread_.join();
  return true;
}

void CTaskOperator::Run() {
  for (;;) {
    TaskCommand command;
    {
      std::unique_lock<std::mutex> hold(queue_lock_);
      wake_.wait(hold, [this] { return stop_ || !queue_.empty(); });
      if (stop_ || !manager_)
        break;
      command = std::move(queue_.front());
      queue_.pop_front();
    }
    LOG_INFO("[INFO] handle type=[%d], pid=[%d], taskid=[%d]", command.type, command.pid,
             command.taskId);
    Handle(command);
  }
  std::lock_guard<std::mutex> hold(queue_lock_);
  queue_.clear();
  exited_ = true;
  exited_wake_.notify_all();
}

void CTaskOperator::Handle(const TaskCommand& command) {
  switch (command.type) {
    case kCommandAdd: {
      DownloadTask task;
      task.url = command.url;
      task.saveDir = command.saveDir;
      task.unusedText = command.unusedText;
      task.taskId = command.pid;
      task.exeVersion = command.exeVersion;
      task.serverMd5 = command.serverMd5;
      task.unusedInt = command.unusedInt;
      task.flags = command.flags;
      task.segments = command.segments;
      task.maxConcurrent = command.maxConcurrent;
      manager_->AddTask(task);
      break;
    }
    case kCommandRemove:
      manager_->RemoveTask(command.taskId);
      break;
    case kCommandStop:
      manager_->StopTask(command.taskId);
      break;
    case kCommandResume:
      manager_->ResumeTask(command.taskId);
      break;
    case kCommandRemoveAll:
      manager_->RemoveAll();
      break;
    default:
      break;
  }
}

}  // namespace ns_Drav
