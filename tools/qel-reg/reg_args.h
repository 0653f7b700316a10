// The command line of qel-reg, in reg.exe's words.
#ifndef QEL_TOOLS_QEL_REG_REG_ARGS_H_
#define QEL_TOOLS_QEL_REG_REG_ARGS_H_

#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

struct RegArgs {
  std::string command;    // query, add, delete
  std::string root_name;  // HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER
  RegRoot root = RegRoot::kLocalMachine;
  std::string path;                  // below the root, "\" separated
  std::optional<std::string> value;  // /v NAME, or "" for /ve
  bool all_values = false;           // /va
  bool recurse = false;              // /s
  bool force = false;                // /f
  std::string type = "REG_SZ";       // /t
  std::optional<std::string> data;   // /d
  RegView view = RegView::k64;
};

// False with `error` set when the line is not valid.
bool ParseRegArgs(const std::vector<std::string>& args, RegArgs* out, std::string* error);

#endif  // QEL_TOOLS_QEL_REG_REG_ARGS_H_
