// Feeds arbitrary bytes as the tail of an executable to the resource
// reader: damaged archives must be errors, never crashes or huge
// allocations.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string image =
      "\x7f"
      "ELF program bytes";
  image.append(reinterpret_cast<const char*>(data), size);
  std::vector<ResourceEntry> entries;
  ListResourcesFromImage(image, &entries);
  std::string bytes;
  for (const char* name : {"XML/106", "XML/131", "ZIPRES/133", "VERSION"})
    ReadResourceFromImage(image, name, &bytes);
  for (size_t i = 0; i < entries.size() && i < 8; ++i)
    ReadResourceFromImage(image, entries[i].name, &bytes);
  return 0;
}
