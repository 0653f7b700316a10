// Posts a window message to a window of this desktop session, found by class
// and title or given by handle; product installers report progress this way.
//   qel-post (--class NAME [--title TEXT] | --hwnd HANDLE) [--send]
//            [--copydata TEXT [--tag N]] [MESSAGE [WPARAM [LPARAM]]]
// Numbers are decimal or 0x-hexadecimal (the window handle as the installer
// hands it on: "/QELWIN=1A2B" is --hwnd 0x1A2B). Exit 0 when delivered, 1
// when no such window or the message was refused, 2 on bad usage.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "toolkit/message_loop.h"
#include "toolkit/window_registry.h"

namespace {

bool ParseNumber(const char* text, uint64_t* value) {
  char* end = nullptr;
  errno = 0;
  unsigned long long n = strtoull(text, &end, 0);
  if (!*text || *end || errno)
    return false;
  *value = n;
  return true;
}

int Usage() {
  fprintf(stderr,
          "usage: qel-post (--class NAME [--title TEXT] | --hwnd HANDLE) [--send]\n"
          "                [--copydata TEXT [--tag N]] [MESSAGE [WPARAM [LPARAM]]]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const char* class_name = nullptr;
  const char* title = nullptr;
  const char* copydata = nullptr;
  uint64_t hwnd = 0, tag = 0;
  bool send = false;
  uint64_t numbers[3] = {0, 0, 0};
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool has_value = i + 1 < argc;
    if (arg == "--class" && has_value)
      class_name = argv[++i];
    else if (arg == "--title" && has_value)
      title = argv[++i];
    else if (arg == "--hwnd" && has_value) {
      if (!ParseNumber(argv[++i], &hwnd))
        return Usage();
    } else if (arg == "--send")
      send = true;
    else if (arg == "--copydata" && has_value)
      copydata = argv[++i];
    else if (arg == "--tag" && has_value) {
      if (!ParseNumber(argv[++i], &tag))
        return Usage();
    } else if (count < 3 && ParseNumber(argv[i], &numbers[count]))
      ++count;
    else
      return Usage();
  }
  if ((!class_name && !hwnd) || (!copydata && count == 0))
    return Usage();
  if (!hwnd)
    hwnd = FindWindow(class_name, title);
  if (!hwnd || !IsWindow(hwnd)) {
    fprintf(stderr, "qel-post: no such window\n");
    return 1;
  }
  if (copydata) {
    COPYDATASTRUCT copy;
    copy.dwData = tag;
    copy.cbData = static_cast<uint32_t>(std::string(copydata).size());
    copy.lpData = copydata;
    LRESULT result = SendMessage(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
    printf("%lld\n", static_cast<long long>(result));
    return 0;
  }
  UINT message = static_cast<UINT>(numbers[0]);
  if (send) {
    printf("%lld\n", static_cast<long long>(
                         SendMessage(hwnd, message, numbers[1], static_cast<LPARAM>(numbers[2]))));
    return 0;
  }
  if (!PostMessage(hwnd, message, numbers[1], static_cast<LPARAM>(numbers[2]))) {
    fprintf(stderr, "qel-post: message refused\n");
    return 1;
  }
  return 0;
}
