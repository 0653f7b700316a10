// Window messages between processes of one session, over the Unix-domain
// socket each process with a published window listens on. Only root and our
// own user may connect. Requests are one frame each and answered before the
// next is read, so one sender's messages arrive in order.
#ifndef QEL_TOOLKIT_REMOTE_MESSAGES_H_
#define QEL_TOOLKIT_REMOTE_MESSAGES_H_

#include <sys/types.h>

#include <string>

#include "toolkit/win_types.h"

// The socket of process `pid` in the session folder; empty without one.
std::string MessageSocketPath(pid_t pid);

// Starts this process's listener (once). False when no socket can be made.
bool StartMessageServer();
void StopMessageServer();

// True when a message may come from another process: it must not carry a
// pointer (WM_COPYDATA's data travels inside the frame and is sent only).
bool IsRemoteMessageAllowed(UINT message, bool is_send);

bool RemotePostMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
// For WM_COPYDATA `lparam` points at a COPYDATASTRUCT whose bytes are copied
// into the frame (at most 1 MiB).
LRESULT RemoteSendMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

#endif  // QEL_TOOLKIT_REMOTE_MESSAGES_H_
