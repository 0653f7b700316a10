// Folders the system names by role. Machine folders resolve under
// $QEL_SYSROOT; every folder ends with "/".
#ifndef QEL_PLATFORM_KNOWN_FOLDERS_H_
#define QEL_PLATFORM_KNOWN_FOLDERS_H_

#include <string>

// "/": the system folder, the stand-in for the Windows folder.
std::string SystemFolder();
// "/opt/": where products are installed, for 32- and 64-bit packages alike.
std::string ProgramFilesFolder();
// "/var/lib/": the folder shared by every user.
std::string PublicDocumentsFolder();
// The effective user's data folder ($XDG_DATA_HOME, else ~/.local/share/).
std::string LocalAppDataFolder();
// The same for the user who owns the desktop: the user who ran sudo or
// pkexec when elevated, else the effective user.
std::string DesktopUserLocalAppData();

// The running executable and its folder; empty when unknown.
std::string OwnExecutablePath();
std::string OwnExecutableFolder();

#endif  // QEL_PLATFORM_KNOWN_FOLDERS_H_
