#include "foundation/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <vector>

#include "foundation/path.h"
#include "foundation/text.h"

namespace {

std::atomic<simpleLog*> g_instance{nullptr};
std::mutex g_create_lock;

constexpr size_t kFamilyLimit = 5;

bool Exists(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0)
    return false;
  close(fd);
  return true;
}

std::string Format(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[512];
  int n = vsnprintf(small, sizeof(small), format, copy);
  va_end(copy);
  if (n < 0)
    return {};
  if (static_cast<size_t>(n) < sizeof(small))
    return std::string(small, n);
  std::string out(n, '\0');
  vsnprintf(out.data(), n + 1, format, args);
  return out;
}

std::string Prefix() {
  time_t now = time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  char buffer[96];
  snprintf(buffer, sizeof(buffer), "[%4d-%02d-%02d %d:%02d:%02d] %ld - ", t.tm_year + 1900,
           t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
           static_cast<long>(syscall(SYS_gettid)));
  return buffer;
}

}  // namespace

simpleLog::simpleLog(std::string path, bool backup_on_start)
    : configured_(std::move(path)), backup_on_start_(backup_on_start) {}

void simpleLog::Init() {
  if (configured_.empty())
    printf("[simpleLog::Log] log filename is empty\n");
  path_ = configured_;
  if (!backup_on_start_ || path_.empty())
    return;
  Prune();
  time_t now = time(nullptr);
  std::tm today{};
  localtime_r(&now, &today);
  rename(path_.c_str(), BackupName(today).c_str());
}

std::string simpleLog::BackupName(const std::tm& day) const {
  std::string folder = FolderOf(path_);
  std::string stem = FileStem(path_);
  std::string ext = FileExtension(path_);
  char date[32];
  snprintf(date, sizeof(date), "_%4d-%02d-%02d", day.tm_year + 1900, day.tm_mon + 1, day.tm_mday);
  std::string name = folder + stem + date + ext;
  for (int counter = 1; Exists(name); ++counter)
    name = folder + stem + date + "_" + std::to_string(counter) + ext;
  return name;
}

// Keeps the newest five files of this log's family (the names that contain
// both its stem and its extension). Two files with the same time count once.
void simpleLog::Prune() const {
  std::string stem = FileStem(path_);
  std::string ext = FileExtension(path_);
  std::map<time_t, std::string> by_time;
  for (const std::string& file : ListFiles(FolderOf(path_), false, false)) {
    if (file.find(stem) == std::string::npos || file.find(ext) == std::string::npos)
      continue;
    struct stat st;
    time_t mtime = lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_mtime : 0;
    by_time[mtime] = file;
  }
  while (by_time.size() > kFamilyLimit) {
    unlink(by_time.begin()->second.c_str());
    by_time.erase(by_time.begin());
  }
}

void simpleLog::WriteLine(const std::string& message) {
  std::lock_guard<std::mutex> hold(lock_);
  // No link is ever followed: root must not append through a link that
  // someone else planted.
  int fd = open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0)
    return;
  std::string line = Prefix() + message + "\n";
  ssize_t written = write(fd, line.data(), line.size());
  (void)written;
  close(fd);
}

void simpleLog::Log(simpleLog* log, int /*level*/, const char* format, ...) {
  if (!log || !format)
    return;
  va_list args;
  va_start(args, format);
  std::string message = Format(format, args);
  va_end(args);
  log->WriteLine(WideToAnsi(message));
}

simpleLog* simpleLog::Create(const std::string& path) {
  std::lock_guard<std::mutex> hold(g_create_lock);
  if (simpleLog* existing = g_instance.load())
    return existing;
  auto* log = new simpleLog(path);  // lives until the process ends
  log->Init();
  g_instance.store(log);
  return log;
}

simpleLog* simpleLog::Instance() {
  return g_instance.load(std::memory_order_acquire);
}

std::string LogFolder() {
  return GetPrivateTempFolder();
}
