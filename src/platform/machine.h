// What kind of machine this is.
#ifndef QEL_PLATFORM_MACHINE_H_
#define QEL_PLATFORM_MACHINE_H_

#include <string_view>

struct MachineArch {
  bool is_64bit_system = false;
  bool is_arm64 = false;
};

MachineArch DetectMachineArch();
// From a uname machine name ("x86_64", "aarch64", "i686" ...).
MachineArch MachineArchFromName(std::string_view machine);

#endif  // QEL_PLATFORM_MACHINE_H_
