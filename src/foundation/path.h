// Path helpers. Paths are POSIX paths; a folder path ends with "/".
#ifndef QEL_FOUNDATION_PATH_H_
#define QEL_FOUNDATION_PATH_H_

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

// $TMPDIR when it is an absolute path, else /tmp; always ends with "/".
std::string GetTempFolder();

// The text up to and including the last "/"; empty when there is none.
std::string FolderOf(std::string_view path);
// The text after the last "/", cut before its last ".".
std::string FileStem(std::string_view path);
// The text from the last "." of the file name to the end, dot included;
// empty when the name has no dot.
std::string FileExtension(std::string_view path);

// Every entry of `folder` as folder + name, sorted by name. Sub-folders are
// listed with a trailing "/" when `include_folders` is set; `recursive`
// descends into them. Symbolic links are listed as files and never followed.
std::vector<std::string> ListFiles(const std::string& folder, bool recursive, bool include_folders);

// Creates every missing folder along `path` with `mode`. False as soon as a
// creation fails or a component exists but is not a folder.
bool CreateFolderChain(const std::string& path, mode_t mode = 0755);

// True when `path` is a real folder (not a link) owned by the effective user
// that neither group nor others can write.
bool IsPrivateFolder(const std::string& path);

// Creates `relative` (components separated by "/") under `base` with mode
// 0700, accepting an existing component only when IsPrivateFolder holds.
// Returns the full folder path with a trailing "/", or empty on failure.
std::string CreatePrivateFolder(const std::string& base, std::string_view relative);

// The program's own folder for files it keeps between runs and shares with
// nobody: temporary folder + "Halvern/QEL/". When that cannot be made private
// (a component is missing and cannot be created, or belongs to someone else),
// the same folder under the user's ~/.cache is used instead. Empty when
// neither works.
std::string GetPrivateTempFolder();

// `absolute` resolved under $QEL_SYSROOT when that is set (tests and the
// demo run in such a sandbox and never touch the real machine).
std::string UnderSysroot(std::string_view absolute);

// The home folder of the effective user (from the user database, not $HOME,
// which an elevated process may have inherited), under the sysroot.
std::string EffectiveUserHome();

#endif  // QEL_FOUNDATION_PATH_H_
