// The UI thread's message queue and loop, built on the GLib main loop so that
// GTK's events, our posted messages and our timers are served by one loop.
// Any thread may post; windows, timers' callbacks and message dispatch run on
// the UI thread (the thread that called InitMessageLoop).
#ifndef QEL_TOOLKIT_MESSAGE_LOOP_H_
#define QEL_TOOLKIT_MESSAGE_LOOP_H_

#include <functional>

#include "toolkit/win_types.h"

// What a window handle leads to inside this process.
class MessageTarget {
 public:
  virtual ~MessageTarget() = default;
  virtual LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) = 0;
  // Offered every queued message for this target before dispatch; true
  // consumes it.
  virtual bool PreTranslateMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    (void)message;
    (void)wparam;
    (void)lparam;
    return false;
  }
};

// Makes the calling thread the UI thread and attaches the message source to
// the default GLib main context. Idempotent on that thread.
void InitMessageLoop();
// True on the UI thread, and on any thread before InitMessageLoop.
bool IsUiThread();

// Window handles of this process: unique within the session (process id in
// the upper bits). UI thread only, except FindMessageTarget's null test.
HWND AttachMessageTarget(MessageTarget* target);
void DetachMessageTarget(HWND hwnd);
MessageTarget* FindMessageTarget(HWND hwnd);
bool IsLocalWindowHandle(HWND hwnd);
pid_t ProcessOfWindow(HWND hwnd);

// Queues a message for `hwnd` (any thread). A handle of another process is
// delivered over that process's message socket. False when the handle leads
// nowhere. hwnd 0 is a message to the UI thread itself (WM_QUIT).
bool PostMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Delivers a message and waits for its result. On the UI thread the window
// procedure is called directly; from another thread the call is queued and
// the caller blocks until the UI thread has handled it (0 when the window
// goes away first). To another process: the result comes back over its
// socket; only WM_COPYDATA may carry a pointer (its data is copied along).
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Posts WM_QUIT with `code`: the innermost running loop ends.
void PostQuitMessage(int code);

// Runs the loop until a WM_QUIT arrives; returns its code. The message loop
// of the program ends this way once the main window handled WM_APP_EXIT.
int RunMessageLoop();

// Runs a nested loop until `done` returns true (checked after every pass) or
// a WM_QUIT arrives. Returns true when it ended on a quit, whose code is left
// in `quit_code`; the caller decides whether to post it again.
bool RunNestedLoop(const std::function<bool()>& done, int* quit_code);

// Runs `task` on the UI thread: Invoke waits for it (runs it at once on the
// UI thread), Post does not. Both keep order with posted messages.
void InvokeOnUiThread(const std::function<void()>& task);
void PostToUiThread(std::function<void()> task);

// Window timers: WM_TIMER with wParam `id` every `ms` milliseconds until
// killed or the window is gone. Setting an existing id restarts it.
bool SetTimer(HWND hwnd, uint64_t id, UINT ms);
bool KillTimer(HWND hwnd, uint64_t id);
void KillAllTimers(HWND hwnd);

// Serves pending work without blocking (tests and short waits).
void PumpPendingMessages();

#endif  // QEL_TOOLKIT_MESSAGE_LOOP_H_
