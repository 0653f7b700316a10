// Draws a window the way the backends show it: the drop shadow in a margin
// around the window, then the client area clipped to the window's shape.
#ifndef QEL_TOOLKIT_FRAME_PAINTER_H_
#define QEL_TOOLKIT_FRAME_PAINTER_H_

#include <cairo.h>

#include "toolkit/backend.h"

// The margin the frame adds around a w × h client area: the shadow's
// extents when it is drawn (`with_shadow`), else none.
RECT FrameMargins(NativeWindowDelegate* delegate, bool with_shadow);

// Paints the frame into `cr`, whose origin is the frame's top-left corner.
// `with_shadow` is false when there is no compositor (transparent pixels
// would come out black) or the window is minimised or maximised.
void PaintFrame(cairo_t* cr, NativeWindowDelegate* delegate, int w, int h, bool with_shadow);

// Adds the window shape (w × h, corners cut by `corner`) as a path.
void AppendShapePath(cairo_t* cr, int w, int h, SIZE corner);

#endif  // QEL_TOOLKIT_FRAME_PAINTER_H_
