// The installer's entry point.
#include <string>
#include <vector>

#include "app/startup.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  PlaceholderUiHost ui;
  InstallerState state;
  return RunInstaller(args, ui, StartupOptions(), &state);
}
