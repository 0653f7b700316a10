// Runs a built program of the project and collects what it says.
#ifndef QEL_TESTS_INTEGRATION_INSTALLER_RUN_TOOL_H_
#define QEL_TESTS_INTEGRATION_INSTALLER_RUN_TOOL_H_

#include <string>
#include <vector>

#include "platform/process.h"
#include "support/temp_dir.h"

struct ToolResult {
  int code = -1;
  std::string out;
  std::string err;
};

inline std::string BinPath(const std::string& name) {
  return std::string(QEL_BIN_DIR) + "/" + name;
}

// `argv[0]` is one of our programs ("qel-reg") or any other program.
inline ToolResult RunTool(std::vector<std::string> argv, const std::string& input = "") {
  TempDir io;
  if (argv[0].rfind("qel-", 0) == 0)
    argv[0] = BinPath(argv[0]);
  SpawnOptions options;
  options.stdout_path = io.path() + "out";
  options.stderr_path = io.path() + "err";
  options.stdin_path = io.path() + "in";
  WriteFile(options.stdin_path, input);
  ToolResult result;
  pid_t pid = 0;
  int error = 0;
  if (!SpawnProcess(argv, options, &pid, &error) ||
      WaitProcess(pid, 60000, &result.code) != WaitResult::kExited)
    return result;
  result.out = ReadFile(options.stdout_path);
  result.err = ReadFile(options.stderr_path);
  return result;
}

#endif  // QEL_TESTS_INTEGRATION_INSTALLER_RUN_TOOL_H_
