// The real backend: GTK 3 windows (frameless, RGBA when the screen has a
// compositor), GTK's input, message box, folder chooser and clipboard.
#ifndef QEL_TOOLKIT_GTK_BACKEND_H_
#define QEL_TOOLKIT_GTK_BACKEND_H_

#include <memory>
#include <string>

#include "toolkit/backend.h"

// Opens the display and makes the GTK backend current. False when there is
// no display (the offscreen backend stays in place).
bool UseGtkBackend();

// Saves what the screen shows in `area` (screen coordinates) as a PNG.
bool SaveScreenshot(const RECT& area, const std::string& path);

// Native children of a GTK window: an entry, a text view or a web view put
// into `fixed` (a GtkFixed) at a client rectangle offset by the frame margin.
std::unique_ptr<NativeChild> CreateGtkChild(NativeChildKind kind, void* fixed, POINT origin);

#endif  // QEL_TOOLKIT_GTK_BACKEND_H_
