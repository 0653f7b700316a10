// The log of a test process and the lines one test added to it.
#ifndef QEL_TESTS_SUPPORT_LOG_WATCH_H_
#define QEL_TESTS_SUPPORT_LOG_WATCH_H_

#include <unistd.h>

#include <string>

#include "foundation/log.h"
#include "foundation/path.h"
#include "support/temp_dir.h"

class LogWatch {
 public:
  // Opens the process's log "<family>-<pid>.log" in the temporary folder on
  // the first call (later calls keep that one; it is removed when the
  // process ends), and marks where the calling test's lines begin.
  void Start(const std::string& family) {
    path_ = ProcessLogPath(family);
    start_ = ReadFile(path_).size();
  }
  // What was logged since Start.
  std::string NewLines() const { return ReadFile(path_).substr(start_); }
  bool Contains(const std::string& text) const {
    return NewLines().find(text) != std::string::npos;
  }

 private:
  static const std::string& ProcessLogPath(const std::string& family) {
    static struct ProcessLog {
      explicit ProcessLog(const std::string& family)
          : path(GetTempFolder() + family + "-" + std::to_string(getpid()) + ".log") {
        simpleLog::Create(path);
      }
      ~ProcessLog() { unlink(path.c_str()); }
      std::string path;
    } log(family);
    return log.path;
  }

  std::string path_;
  size_t start_ = 0;
};

#endif  // QEL_TESTS_SUPPORT_LOG_WATCH_H_
