// The last steps of a package file: its move to the target name, and the
// report of other programs that hold it when a step fails.
#ifndef QEL_ENGINE_FILE_FINISH_H_
#define QEL_ENGINE_FILE_FINISH_H_

#include <string>

#include "engine/engine_timing.h"

namespace ns_Drav {

// Renames `tempPath` to `targetPath` (replacing any file there), up to 15
// tries, the n-th waiting n retry-seconds. False after the last failure,
// with that failure's system error in `*systemError`.
bool MoveToTarget(const std::string& tempPath,
                  const std::string& targetPath,
                  const EngineTiming& timing,
                  int* systemError);

// Logs, at warning level, every other process that holds `path` open.
void ReportLockingProcesses(const std::string& path);

}  // namespace ns_Drav

#endif  // QEL_ENGINE_FILE_FINISH_H_
