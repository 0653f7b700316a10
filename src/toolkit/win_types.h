// The window-message vocabulary the program's windows speak: handles,
// message numbers and parameter types with their usual names and values, so
// that the numbers other processes post keep their meaning.
#ifndef QEL_TOOLKIT_WIN_TYPES_H_
#define QEL_TOOLKIT_WIN_TYPES_H_

#include <cstdint>

// A window handle: unique within the desktop session. The upper bits hold the
// owning process id, so another process can tell where to deliver a message.
using HWND = uint64_t;
using UINT = uint32_t;
using WPARAM = uint64_t;
using LPARAM = int64_t;
using LRESULT = int64_t;

struct POINT {
  int x = 0;
  int y = 0;
};

struct SIZE {
  int cx = 0;
  int cy = 0;
};

struct RECT {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  bool Contains(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  bool operator==(const RECT&) const = default;
};

// WM_COPYDATA's lParam points at one of these for the duration of the call.
struct COPYDATASTRUCT {
  uint64_t dwData = 0;
  uint32_t cbData = 0;
  const void* lpData = nullptr;
};

// Window messages.
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_GETMINMAXINFO = 0x0024;
constexpr UINT WM_WINDOWPOSCHANGED = 0x0047;
constexpr UINT WM_COPYDATA = 0x004A;
constexpr UINT WM_NCCALCSIZE = 0x0083;
constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_NCPAINT = 0x0085;
constexpr UINT WM_NCACTIVATE = 0x0086;
constexpr UINT WM_NCLBUTTONDBLCLK = 0x00A3;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_EXITSIZEMOVE = 0x0232;
constexpr UINT WM_MOUSEHOVER = 0x02A1;
constexpr UINT WM_MOUSELEAVE = 0x02A3;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// Ends the UI thread's message loop once the main window has shut down.
constexpr UINT WM_APP_EXIT = WM_APP + 444;

// Toolkit-private: brings a window to the front (restoring it when
// minimised); how another process activates a running instance.
constexpr UINT WM_QEL_ACTIVATE = 0x03F0;

// WM_SYSCOMMAND commands.
constexpr WPARAM SC_SIZE = 0xF000;
constexpr WPARAM SC_MOVE = 0xF010;
constexpr WPARAM SC_MINIMIZE = 0xF020;
constexpr WPARAM SC_MAXIMIZE = 0xF030;
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_RESTORE = 0xF120;

// WM_SIZE kinds.
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;

// WM_NCHITTEST answers.
constexpr LRESULT HTCLIENT = 1;
constexpr LRESULT HTCAPTION = 2;
constexpr LRESULT HTLEFT = 10;
constexpr LRESULT HTRIGHT = 11;
constexpr LRESULT HTTOP = 12;
constexpr LRESULT HTTOPLEFT = 13;
constexpr LRESULT HTTOPRIGHT = 14;
constexpr LRESULT HTBOTTOM = 15;
constexpr LRESULT HTBOTTOMLEFT = 16;
constexpr LRESULT HTBOTTOMRIGHT = 17;

// Virtual keys.
constexpr WPARAM VK_BACK = 0x08;
constexpr WPARAM VK_TAB = 0x09;
constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_ESCAPE = 0x1B;
constexpr WPARAM VK_F4 = 0x73;

// Window styles the base window adjusts.
constexpr uint32_t WS_CAPTION = 0x00C00000;
constexpr uint32_t WS_CLIPSIBLINGS = 0x04000000;
constexpr uint32_t WS_CLIPCHILDREN = 0x02000000;
constexpr uint32_t WS_POPUP = 0x80000000;
constexpr uint32_t WS_VISIBLE = 0x10000000;
constexpr uint32_t WS_EX_TOPMOST = 0x00000008;

// Coordinates packed into an LPARAM (signed 16-bit each).
constexpr LPARAM MAKELPARAM(int lo, int hi) {
  return static_cast<LPARAM>(static_cast<uint32_t>(static_cast<uint16_t>(lo)) |
                             (static_cast<uint32_t>(static_cast<uint16_t>(hi)) << 16));
}
constexpr int GET_X_LPARAM(LPARAM lp) {
  return static_cast<int16_t>(lp & 0xFFFF);
}
constexpr int GET_Y_LPARAM(LPARAM lp) {
  return static_cast<int16_t>((lp >> 16) & 0xFFFF);
}

struct MINMAXINFO {
  POINT ptReserved;
  POINT ptMaxSize;
  POINT ptMaxPosition;
  POINT ptMinTrackSize;
  POINT ptMaxTrackSize;
};

#endif  // QEL_TOOLKIT_WIN_TYPES_H_
