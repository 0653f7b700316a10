// What the engine's facade is asked to do: a download task, the commands of
// the control thread's queue, and the progress record of a task.
#ifndef QEL_ENGINE_DOWNLOAD_TASK_H_
#define QEL_ENGINE_DOWNLOAD_TASK_H_

#include <cstdint>
#include <string>

namespace ns_Drav {

// Bit 0 of DownloadTask::flags: use the service's slice and connection
// counts (weak-network mode).
constexpr int32_t kTaskFlagWeakNetwork = 0x0001;

struct DownloadTask {
  std::string url;
  std::string saveDir;  // a trailing "/" is added when missing
  std::string unusedText;
  int32_t taskId = 0;  // 1 or more; the orchestrator uses the package id
  std::string exeVersion;
  std::string serverMd5;  // accepted digests separated by ","; empty: none
  int32_t unusedInt = 0;
  int32_t flags = 0;
  int32_t segments = 0;       // weak-network mode; below 1 means 24
  int32_t maxConcurrent = 0;  // weak-network mode; below 1 means 24
};

enum TaskCommandType : int32_t {
  kCommandAdd = 0,
  kCommandRemove = 1,
  kCommandStop = 2,
  kCommandResume = 3,
  kCommandRemoveAll = 4,
};

struct TaskCommand {
  int32_t pid = 0;     // the task number of an add command
  int32_t taskId = 0;  // the task number of the other commands
  int32_t type = kCommandAdd;
  int32_t unusedInt = 0;
  int32_t flags = 0;
  int32_t segments = 0;
  int32_t maxConcurrent = 0;
  std::string url;
  std::string saveDir;
  std::string unusedText;
  std::string serverMd5;
  std::string exeVersion;
};

struct TaskInfo {
  int32_t taskId = 0;
  int64_t total = 0;
  int64_t downloaded = 0;
  int32_t speed = 0;  // bytes per second, from the last progress event
  std::string url;
  std::string saveDir;
  std::string fileName;
};

}  // namespace ns_Drav

#endif  // QEL_ENGINE_DOWNLOAD_TASK_H_
