// The process-wide plain-text log. Every line is
//   [YYYY-MM-DD H:MM:SS] <kernel thread id> - <message>
// and the file is opened, appended to and closed for each line, so that it is
// complete at every moment and other processes may read it.
#ifndef QEL_FOUNDATION_LOG_H_
#define QEL_FOUNDATION_LOG_H_

#include <ctime>
#include <mutex>
#include <string>

enum LogLevel { kLogError = 1, kLogWarn = 2, kLogInfo = 3 };

class simpleLog {
 public:
  // A logger for `path`; call Init() before the first line.
  explicit simpleLog(std::string path, bool backup_on_start = true);

  // Turns the previous file into a dated backup after pruning its family to
  // five files.
  void Init();

  // Writes one line through `log`; a null logger writes nothing. The level is
  // not written: the tag at the start of the message is what shows.
  static void Log(simpleLog* log, int level, const char* format, ...)
      __attribute__((format(printf, 3, 4)));

  // The process-wide logger: Create() makes and initialises it once (later
  // calls return the first one); Instance() is null until then.
  static simpleLog* Create(const std::string& path);
  static simpleLog* Instance();

  const std::string& path() const { return path_; }

  // The name the current file gets when it is backed up on `day`.
  std::string BackupName(const std::tm& day) const;

 private:
  void Prune() const;
  void WriteLine(const std::string& message);

  std::mutex lock_;
  std::string configured_;
  std::string path_;
  bool backup_on_start_;
};

// Folder of the log files: the program's private folder under the temporary
// folder (see GetPrivateTempFolder), or empty when there is none.
std::string LogFolder();

// Logs through the process-wide logger when there is one.
#define QEL_LOG(level, ...)                           \
  do {                                                \
    if (simpleLog* qel_log_ = simpleLog::Instance())  \
      simpleLog::Log(qel_log_, (level), __VA_ARGS__); \
  } while (0)

#define LOG_INFO(...) QEL_LOG(kLogInfo, __VA_ARGS__)
#define LOG_WARN(...) QEL_LOG(kLogWarn, __VA_ARGS__)
#define LOG_ERROR(...) QEL_LOG(kLogError, __VA_ARGS__)

#endif  // QEL_FOUNDATION_LOG_H_
