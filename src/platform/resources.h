// Resources of an executable: a zip archive appended to the file, with
// entries named TYPE/ID ("XML/106", "ZIPRES/133") and "VERSION" (the file
// version as "A.B.C.D").
#ifndef QEL_PLATFORM_RESOURCES_H_
#define QEL_PLATFORM_RESOURCES_H_

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

enum class ResourceStatus {
  kOk,
  kMissing,     // no archive, or no such entry
  kUnreadable,  // the file, the archive or the entry is damaged or too large
};

// An entry that inflates beyond this is refused.
constexpr uint64_t kMaxResourceSize = 64ull << 20;

struct ResourceEntry {
  std::string name;
  uint64_t size = 0;
};

// "TYPE/ID".
std::string ResourceName(std::string_view type, std::string_view id);

// Entries of the executable at `exe`, or of an image held in memory.
ResourceStatus ReadResource(const std::string& exe, std::string_view name, std::string* bytes);
ResourceStatus ReadResourceFromImage(std::string_view image,
                                     std::string_view name,
                                     std::string* bytes);
ResourceStatus ListResources(const std::string& exe, std::vector<ResourceEntry>* entries);
ResourceStatus ListResourcesFromImage(std::string_view image, std::vector<ResourceEntry>* entries);

// The own executable's entries (read through /proc/self/exe).
ResourceStatus ReadOwnResource(std::string_view name, std::string* bytes);
bool LoadResource(std::string_view type, std::string_view id, std::string& bytes);

// Replaces the archive at the end of `exe` (or appends one) so that it
// holds exactly `entries`. The file is rewritten beside itself and renamed
// over the old one, keeping its mode. On failure `error` says why.
bool WriteResources(const std::string& exe,
                    const std::map<std::string, std::string>& entries,
                    std::string* error);
// All entries of `exe`; an executable without archive has none.
ResourceStatus ReadAllResources(const std::string& exe,
                                std::map<std::string, std::string>* entries);

#endif  // QEL_PLATFORM_RESOURCES_H_
