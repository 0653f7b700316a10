// Events that a download raises, and the observer that receives them.
#ifndef QEL_ENGINE_DOWNLOAD_EVENT_H_
#define QEL_ENGINE_DOWNLOAD_EVENT_H_

#include <cstdint>
#include <string>

namespace ns_Drav {

enum DownloadEventType : int32_t {
  kEventFileName = 0,            // text: the package's file name
  kEventFileSize = 1,            // value: total size
  kEventFinished = 2,            // a: final status
  kEventProgress = 3,            // progress
  kEventRangeStarted = 4,        // a: -1, b: 0, value: undownloaded bytes of the new range
  kEventBegin = 7,               //
  kEventRangeIp = 8,             // text: address of the new range (may be empty)
  kEventRetry = 9,               // a: attempt number
  kEventAttemptEnd = 10,         // a: attempt number, b: status
  kEventFileMd5 = 11,            // text: the file's digest
  kEventMd5Match = 12,           //
  kEventFileError = 13,          // a: FileErrorKind, b: system error
  kEventPackageInfoFailed = 14,  // a: 2 (size not learned)
  kEventDnsCacheCleared = 15,    // a: current status
  kEventDnsQueried = 16,         // text: host + ":" + addresses joined with ","
  kEventPrepare = 17,            //
  kEventThreadConfig = 18,       // a: connections, b: buffer size
};

enum FileErrorKind : int32_t {
  kFileErrorNotCreated = 1,
  kFileErrorRenameFailed = 2,
  kFileErrorDiskFull = 3,
  kFileErrorSizeMismatch = 4,
};

struct DownloadProgress {
  int32_t reserved = -1;
  int64_t total = 0;
  int64_t downloaded = 0;
  int32_t speed = 0;  // bytes per second
};

// One event of one task. A plain value: observers may keep copies.
struct DownloadEvent {
  int32_t reserved = -1;
  int32_t taskId = 0;
  int32_t type = 0;
  std::string text;
  int64_t value = 0;
  DownloadProgress progress;
  int32_t a = 0;
  int32_t b = 0;
};

// Receives every event of a download, synchronously, on the thread that
// raised it (mostly the task's download thread).
class IObserver {
 public:
  virtual ~IObserver() = default;
  virtual void OnEvent(const DownloadEvent& event) = 0;
};

}  // namespace ns_Drav

#endif  // QEL_ENGINE_DOWNLOAD_EVENT_H_
