#include "engine/resume_record.h"

#include <thread>

#include "engine/file_finish.h"
#include "foundation/log.h"
#include "platform/file_io.h"

namespace ns_Drav {

namespace {

constexpr int kRemoveTries = 15;

void PutInt64(std::string* out, int64_t value) {
  uint64_t bits = static_cast<uint64_t>(value);
  for (int i = 0; i < 8; ++i)
    out->push_back(static_cast<char>((bits >> (8 * i)) & 0xff));
}

int64_t GetInt64(const unsigned char* at) {
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i)
    bits = (bits << 8) | at[i];
  return static_cast<int64_t>(bits);
}

class FdCloser {
 public:
  explicit FdCloser(int fd) : fd_(fd) {}
  ~FdCloser() {
    if (fd_ >= 0)
      CloseFile(fd_);
  }

 private:
  int fd_;
};

}  // namespace

std::string EncodeResumeRecord(const std::vector<ByteRange>& entries) {
  std::string out;
  out.reserve(entries.size() * 16 + 8);
  for (const ByteRange& range : entries) {
    PutInt64(&out, range.start);
    PutInt64(&out, range.end);
  }
  PutInt64(&out, static_cast<int64_t>(entries.size()));
  return out;
}

bool ReadResumeRecord(const std::string& path,
                      int64_t totalSize,
                      std::map<int64_t, int64_t>* entries) {
  entries->clear();
  int error = 0;
  int fd = OpenFile(path, FileOpen::kExistingRead, &error);
  if (fd < 0)
    return false;
  FdCloser closer(fd);
  int64_t size = GetFileSize(fd);
  if (totalSize <= 0 || size <= totalSize)
    return false;
  unsigned char bytes[16];
  size_t done = 0;
  if (ReadFileAt(fd, size - 8, bytes, 8, &done) != kErrorSuccess || done != 8)
    return false;
  int64_t count = GetInt64(bytes);
  // The record is exactly N entries and the count after the package: any
  // other length means a torn or foreign tail.
  if (count <= 0 || count > (size - totalSize - 8) / 16 || size != totalSize + 16 * count + 8)
    return false;
  int64_t sum = 0;
  for (int64_t k = 0; k < count; ++k) {
    int64_t offset = size - 8 - 16 * (k + 1);
    if (ReadFileAt(fd, offset, bytes, 16, &done) != kErrorSuccess || done != 16)
      return false;
    int64_t start = GetInt64(bytes);
    int64_t end = GetInt64(bytes + 8);
    if (start < 0 || start > end || start > totalSize || end > totalSize)
      return false;
    sum += end - start + 1;
    if (sum > totalSize)
      return false;
    // An end at the total size names one byte past the package.
    end = std::min(end, totalSize - 1);
    if (start <= end)
      (*entries)[start] = end;
  }
  return true;
}

void RemoveResumeRecord(const std::string& path, int64_t totalSize, const EngineTiming& timing) {
  for (int attempt = 1; attempt <= kRemoveTries; ++attempt) {
    int error = 0;
    int fd = OpenFile(path, FileOpen::kExistingReadWrite, &error);
    if (fd >= 0) {
      error = SetFileEnd(fd, totalSize);
      CloseFile(fd);
    }
    if (error == kErrorSuccess)
      return;
    LOG_ERROR("[ERROR] multi, remove cache info failed! err=[%d].", error);
    if (error != kErrorUserMappedFile && error != kErrorSharingViolation)
      return;
    ReportLockingProcesses(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(attempt * timing.retrySecondMs));
  }
}

}  // namespace ns_Drav
