// The command line of qel-fetch.
#ifndef QEL_TOOLS_QEL_FETCH_FETCH_OPTIONS_H_
#define QEL_TOOLS_QEL_FETCH_FETCH_OPTIONS_H_

#include <cstdint>
#include <string>
#include <vector>

struct FetchOptions {
  std::string url;
  std::string saveDir;
  std::string md5;  // accepted digests, separated by ","
  int32_t taskId = 1;
  // Either count selects weak-network mode (flags bit 0); 0 means 24.
  bool weakNetwork = false;
  int32_t segments = 0;
  int32_t concurrency = 0;
  std::string logPath;
  bool quiet = false;
  bool help = false;
};

// Parses the arguments after the program name. False with `error` set when
// they don't make a command.
bool ParseFetchOptions(const std::vector<std::string>& args,
                       FetchOptions* options,
                       std::string* error);

// The text of --help.
std::string FetchUsage();

// The process's exit code for a download's final status: 0 for success
// (0 or 1), else the status itself.
int ExitCodeForStatus(int status);

// Exit code of a command line that makes no command ("Parameter error").
constexpr int kExitUsage = 8;

#endif  // QEL_TOOLS_QEL_FETCH_FETCH_OPTIONS_H_
