// The temporary file of one package: created pre-allocated to the package's
// size, then written at final offsets by all range workers through one
// descriptor.
#ifndef QEL_ENGINE_DOWNLOAD_FILE_H_
#define QEL_ENGINE_DOWNLOAD_FILE_H_

#include <cstdint>
#include <mutex>
#include <shared_mutex>
#include <string>

namespace ns_Drav {

enum CreateTempFileResult : int {
  kTempFileCreated = 0,
  kTempFileCreateFailed = 1,
  kTempFileNoSpace = 2,
  kTempFileEmptyPath = 3,
};

// Creates `path` (and its missing folders) with `size` bytes reserved on the
// volume. Any result but kTempFileCreated leaves no file behind;
// `*systemError` gets the system error of the failing step.
int CreateTempFile(const std::string& path, int64_t size, int* systemError);

// `path`'s size in bytes, 0 when it can't be read.
int64_t GetLocalFileSize(const std::string& path);

class DownloadFile {
 public:
  DownloadFile() = default;
  ~DownloadFile();
  DownloadFile(const DownloadFile&) = delete;
  DownloadFile& operator=(const DownloadFile&) = delete;

  // Opens the existing file for reading and writing, closing any open one.
  bool OpenForWrite(const std::string& path);
  bool is_open() const;

  // Writes `length` bytes at `offset`; with `setEnd` the file then ends right
  // after them. Data writes of the ranges run side by side (each is one
  // positioned write); a write with `setEnd`, a sync and the close each have
  // the file to themselves. False without an open file.
  bool WriteAt(int64_t offset, int64_t length, const void* data, bool setEnd);

  // Puts everything written so far on the device.
  bool Sync();

  // Flushes and closes; false when nothing was open.
  bool FlushAndClose();

 private:
  mutable std::shared_mutex lock_;
  std::mutex gate_;  // taken on the way in: a waiting exclusive write goes first
  int fd_ = -1;
};

}  // namespace ns_Drav

#endif  // QEL_ENGINE_DOWNLOAD_FILE_H_
