#include <cstdio>

#include "app/ui_host.h"
#include "platform/signals.h"

bool PlaceholderUiHost::InitThread(int* error) {
  *error = 0;
  // Stop signals are taken by the message loop, not by their default action.
  BlockStopSignals();
  return true;
}

void PlaceholderUiHost::ShowErrorBox(const std::string& text, const std::string& title) {
  fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
}

uint64_t PlaceholderUiHost::CreateMainWindow(const std::string&, bool) {
  return 1;
}

void PlaceholderUiHost::RunMessageLoop() {
  WaitForStopSignal();
}
