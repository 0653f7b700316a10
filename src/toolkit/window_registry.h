// The session's register of top-level windows, so that another process finds
// a window by class and title (an installer started twice activates the
// first; product installers post progress to the window that started them).
// One small file per window under the session folder, named by its handle.
#ifndef QEL_TOOLKIT_WINDOW_REGISTRY_H_
#define QEL_TOOLKIT_WINDOW_REGISTRY_H_

#include <string>

#include "toolkit/win_types.h"

// Adds or updates (after a title change) a window of this process.
bool PublishWindow(HWND hwnd, const std::string& class_name, const std::string& title);
void UnpublishWindow(HWND hwnd);

// The first live window with this class and title (either may be null to
// match any), this process's own windows first. 0 when there is none.
HWND FindWindow(const char* class_name, const char* title);

// True while `hwnd` is a live window of this process or of another process
// of the session.
bool IsWindow(HWND hwnd);

// The class name of a live window; empty when there is no such window.
std::string GetWindowClassName(HWND hwnd);

#endif  // QEL_TOOLKIT_WINDOW_REGISTRY_H_
