// Physical memory the system can still hand out.
#ifndef QEL_PLATFORM_MEMORY_H_
#define QEL_PLATFORM_MEMORY_H_

#include <cstdint>
#include <string_view>

// Bytes of physical memory available to new allocations without swapping
// (MemAvailable of /proc/meminfo); -1 when the system does not say.
int64_t GetAvailablePhysicalMemory();

// The MemAvailable value of a /proc/meminfo text, in bytes; -1 when the
// line is missing or malformed.
int64_t ParseMemAvailable(std::string_view meminfo);

#endif  // QEL_PLATFORM_MEMORY_H_
