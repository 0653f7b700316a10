#include "engine/file_finish.h"

#include <thread>

#include "foundation/log.h"
#include "platform/file_holders.h"
#include "platform/file_io.h"

namespace ns_Drav {

namespace {

constexpr int kMoveTries = 15;

}  // namespace

bool MoveToTarget(const std::string& tempPath,
                  const std::string& targetPath,
                  const EngineTiming& timing,
                  int* systemError) {
  int error = 0;
  for (int attempt = 1; attempt <= kMoveTries; ++attempt) {
    // rename replaces the target in one step, so no delete comes first: the
    // target is never missing while an old copy existed.
    error = RenameFile(tempPath, targetPath);
    if (error == kErrorSuccess) {
      *systemError = 0;
      return true;
    }
    LOG_ERROR("[ERROR] rename failed, try=%d, err=%d", attempt, error);
    if (error == kErrorUserMappedFile || error == kErrorSharingViolation)
      ReportLockingProcesses(tempPath);
    std::this_thread::sleep_for(std::chrono::milliseconds(attempt * timing.retrySecondMs));
  }
  LOG_ERROR("[ERROR] multi, revert file name failed! error=[%d].", error);
  *systemError = error;
  return false;
}

void ReportLockingProcesses(const std::string& path) {
  for (const FileHolder& holder : FindFileHolders(path)) {
    LOG_WARN("[WARN] process=[%d][%s] locked the file=[%s] ", holder.pid, holder.exe.c_str(),
             path.c_str());
  }
}

}  // namespace ns_Drav
