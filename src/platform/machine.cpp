#include "platform/machine.h"

#include <sys/utsname.h>

MachineArch MachineArchFromName(std::string_view machine) {
  MachineArch arch;
  arch.is_arm64 = machine == "aarch64" || machine == "arm64";
  arch.is_64bit_system = arch.is_arm64 || machine == "x86_64" || machine == "amd64" ||
                         machine == "ppc64le" || machine == "ppc64" || machine == "s390x" ||
                         machine == "riscv64" || machine == "loongarch64";
  return arch;
}

MachineArch DetectMachineArch() {
  utsname name;
  if (uname(&name) != 0)
    return MachineArchFromName(sizeof(void*) == 8 ? "x86_64" : "i686");
  return MachineArchFromName(name.machine);
}
