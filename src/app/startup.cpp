#include "app/startup.h"

#include "app/engine_endpoints.h"
#include "app/language_table.h"
#include "foundation/log.h"
#include "platform/instance_lock.h"
#include "platform/process.h"

namespace {

constexpr const char* kNotAdmin =
    "You must be logged in as administrator when installing this program.";

void OpenLog(bool fork_mode) {
  std::string folder = LogFolder();
  if (!folder.empty() && !simpleLog::Instance())
    simpleLog::Create(folder + (fork_mode ? "hvForkQEL.log" : "hvQEL.log"));
  LOG_INFO("[INFO] start, fork=[%d].", fork_mode ? 1 : 0);
}

// A fatal start-up error: the log line, and in normal mode the message box.
int Fail(IUiHost& ui, bool fork_mode, const char* log_line, const char* message) {
  LOG_ERROR("%s", log_line);
  if (!fork_mode)
    ui.ShowErrorBox(message, "Error");
  return kExitFailed;
}

void TakeHostValues(InstallerState* s) {
  s->run_state.SetSelectLang(ArgumentValue(s->args, "HostLang"));
  s->host_version = ArgumentValue(s->args, "HostVersion");
  std::string hwnd = ArgumentValue(s->args, "HostHwnd");
  if (hwnd.empty())
    return;
  uint64_t handle = 0;
  if (!ParseHostWindow(hwnd, &handle)) {
    LOG_WARN("[WARN] set host hwnd, invalid value=[%s].", hwnd.c_str());
    return;
  }
  LOG_INFO("[INFO] set host hwnd=[%llx].", static_cast<unsigned long long>(handle));
  s->host_window = handle;
  s->has_host_window = true;
}

int RunWindow(IUiHost& ui,
              const StartupOptions& options,
              InstallerState* s,
              LanguageTable& texts,
              InstanceLock& lock) {
  int error = 0;
  if (!ui.InitThread(&error)) {
    LOG_ERROR("[ERROR] CoInitialize failed! err=[%d]", error);
    return kExitFailed;
  }
  ui.LoadSkin();
  if (!ui.ConstructMainWindow(*s, texts)) {
    LOG_ERROR("[ERROR] create QelWnd failed!");
    ui.UninitThread();
    return kExitFailed;
  }
  s->main_window = ui.CreateMainWindow(s->config.ProductName, s->fork_mode);
  LOG_INFO("[INFO] QelWnd handle=[%llx]", static_cast<unsigned long long>(s->main_window));
  LOG_INFO("[INFO] MessageLoop");
  ui.RunMessageLoop();
  LOG_INFO("[INFO] MessageLoop end");

  ui.UninitThread();
  lock.Release();
  if (options.stop_engine)
    options.stop_engine();
  LOG_INFO("[INFO] exit!");
  return kExitOk;
}

}  // namespace

std::string InstanceLockName(const std::string& product_name, bool fork_mode) {
  return product_name + "_qel" + (fork_mode ? "_fork" : "");
}

int RunInstaller(const std::vector<std::string>& args,
                 IUiHost& ui,
                 const StartupOptions& options,
                 InstallerState* s) {
  s->args = ParseCommandLine(args);
  s->fork_mode = IsForkMode(s->args);
  OpenLog(s->fork_mode);
  ConfigureEngineEndpoints(GetEndpoints());
  if (options.install_crash_handler)
    options.install_crash_handler();

  bool elevated = options.is_elevated ? options.is_elevated() : IsElevated();
  if (!elevated)
    return Fail(ui, s->fork_mode,
                "[ERROR] You must be logged in as administrator when installing "
                "this program.",
                kNotAdmin);

  if (!LoadLocalXml(&s->config, options.config_services))
    return Fail(ui, s->fork_mode, "[ERROR] LoadLocalXml failed!", "Load product xml error.");

  s->run_state.Configure(s->config.RunStateFile, s->fork_mode);
  s->run_state.ReadRunConfig();
  if (s->fork_mode)
    TakeHostValues(s);

  LanguageTable texts;
  ResourceReader read = options.read_resource ? options.read_resource : ReadOwnResource;
  if (!texts.loadLangXML(s->config.ProductBrand, read))
    return Fail(ui, s->fork_mode, "[ERROR] loadLangXML failed!", "Load lang xml error.");

  InstanceLock lock;
  int error = 0;
  InstanceLock::Result taken =
      lock.Acquire(InstanceLockName(s->config.ProductName, s->fork_mode), &error);
  if (taken == InstanceLock::kHeldElsewhere) {
    LOG_WARN("[WARN] Already exist PreInstance.");
    if (!s->fork_mode)
      ui.ActivateRunningInstance(s->config.ProductName);
    return kExitFailed;
  }
  if (taken == InstanceLock::kFailed)
    LOG_WARN("[WARN] single instance lock failed, err=[%d].", error);

  return RunWindow(ui, options, s, texts, lock);
}
