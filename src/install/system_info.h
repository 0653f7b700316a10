// Small facts about the system that the installation uses: program files
// folders, administrator paths, file versions, time stamps, the system and
// browser versions, and per-user DWORD settings.
#ifndef QEL_INSTALL_SYSTEM_INFO_H_
#define QEL_INSTALL_SYSTEM_INFO_H_

#include <array>
#include <cstdint>
#include <string>

#include "platform/machine.h"

struct ProgramFilesFolders {
  std::string folder32;
  std::string folder64;  // empty on a 32-bit system
};
ProgramFilesFolders GetProgramFilesFolders(const MachineArch& arch);

// True for a folder inside a system folder (/usr, /etc, /bin, /sbin, /lib,
// /lib32, /lib64, /libx32, /boot) or the program files folder, after "."
// and ".." are resolved and, for the part that exists, symbolic links.
bool IsAdminPath(const std::string& folder);

// "A.B.C.D" from the VERSION resource of the executable at `path`; false
// when it has none or it is not four numbers of 0 to 65535.
bool GetFileVersionText(const std::string& path, std::string* version);
// The own executable's version; empty without one.
std::string GetOwnVersion();
// The own executable's file name.
std::string GetOwnExeName();
// "%d.%d.%d.%d"; missing parts are 0.
std::array<int, 4> ParseVersion(const std::string& text);

// Local time as "%Y%m%d%H%M%S".
std::string GetTimestampText();
// prefix + the kernel's major.minor.patch; the prefix alone when unknown.
std::string GetOsVersionText(const std::string& prefix);
// REG_SZ "Version" of HKLM\Software\Microsoft\Internet Explorer, or "-".
std::string GetBrowserVersion();

// A REG_DWORD under HKEY_CURRENT_USER; 0 when missing.
int ReadUserDword(const std::string& subkey, const std::string& name);
// Sets it in an existing key.
bool WriteUserDword(const std::string& subkey, const std::string& name, int value);

#endif  // QEL_INSTALL_SYSTEM_INFO_H_
