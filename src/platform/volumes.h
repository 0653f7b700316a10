// Volumes: the mount points of local block-device file systems, the
// system volume (the one holding "/") and their free space.
#ifndef QEL_PLATFORM_VOLUMES_H_
#define QEL_PLATFORM_VOLUMES_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct Volume {
  std::string root;  // mount point with a trailing "/"
  std::string device;
  std::string type;
};

// The fixed volumes, the system volume first, then the others by mount
// point. Under $QEL_SYSROOT the sysroot is the system volume and only
// mounts below it are listed.
std::vector<Volume> FixedVolumes();

// Parses /proc/self/mountinfo text. `sysroot` empty: the real machine.
std::vector<Volume> ParseMountInfo(std::string_view text, std::string_view sysroot);

// Root of the system volume: "/" (or the sysroot), with a trailing "/".
std::string SystemVolumeRoot();

// Bytes available to the caller on the volume of `path`; a path that does
// not exist yet is measured at its nearest existing folder. False when
// nothing can be measured.
bool FreeBytes(const std::string& path, int64_t* bytes);

// The root in `roots` that holds `path` (the longest prefix), empty when
// none does.
std::string VolumeRootOf(const std::string& path, const std::vector<std::string>& roots);

#endif  // QEL_PLATFORM_VOLUMES_H_
