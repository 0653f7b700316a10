// The process's start-up and shutdown: command line, log, administrator
// check, product configuration, run state, language texts, single instance,
// main window and message loop.
#ifndef QEL_APP_STARTUP_H_
#define QEL_APP_STARTUP_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/product_config.h"
#include "app/run_state.h"
#include "app/ui_host.h"

// What start-up builds and hands on (to the orchestrator, once it exists).
struct InstallerState {
  bool fork_mode = false;
  ArgumentMap args;
  ProductConfig config;
  RunState run_state;
  std::string host_version;
  bool has_host_window = false;
  uint64_t host_window = 0;
  uint64_t main_window = 0;
};

struct StartupOptions {
  ProductConfigServices config_services;
  // For the language texts; default: the own executable.
  ResourceReader read_resource;
  // Default: effective user id 0.
  std::function<bool()> is_elevated;
  // Part of the process's set-up that later pieces provide.
  std::function<void()> install_crash_handler;
  std::function<void()> stop_engine;
};

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailed = -1;

// Runs the installer with `args` (the argument vector without the program)
// until its main window ends; returns the exit code. `state` receives what
// was built.
int RunInstaller(const std::vector<std::string>& args,
                 IUiHost& ui,
                 const StartupOptions& options,
                 InstallerState* state);

// The single-instance lock's name: product name + "_qel" (+ "_fork").
std::string InstanceLockName(const std::string& product_name, bool fork_mode);

#endif  // QEL_APP_STARTUP_H_
