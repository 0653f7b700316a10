#include "platform/memory.h"

#include "platform/proc_text.h"

int64_t ParseMemAvailable(std::string_view meminfo) {
  constexpr std::string_view kKey = "MemAvailable:";
  size_t at = 0;
  while (at < meminfo.size()) {
    size_t end = meminfo.find('\n', at);
    std::string_view line =
        meminfo.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
    at = end == std::string_view::npos ? meminfo.size() : end + 1;
    if (line.substr(0, kKey.size()) != kKey)
      continue;
    std::string_view rest = line.substr(kKey.size());
    auto kib = ParseLeadingNumber(rest);
    // The kernel writes "kB"; anything else is not a text we understand.
    if (!kib || rest.find(" kB") == std::string_view::npos || *kib > (INT64_MAX >> 10))
      return -1;
    return static_cast<int64_t>(*kib << 10);
  }
  return -1;
}

int64_t GetAvailablePhysicalMemory() {
  return ParseMemAvailable(ReadProcText("/proc/meminfo"));
}
