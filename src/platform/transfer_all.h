// The loop around a read- or write-like call that may do part of the job.
// Internal to the platform layer.
#ifndef QEL_PLATFORM_TRANSFER_ALL_H_
#define QEL_PLATFORM_TRANSFER_ALL_H_

#include <sys/types.h>

#include <cerrno>
#include <cstddef>

// Calls `step(at, left)` - which returns the bytes it moved, or -1 with
// errno set - until all `size` bytes starting at `data` are moved. An
// interrupted call is repeated; an error, or a call that moves nothing,
// fails.
template <typename Byte, typename Step>
bool TransferAll(Byte* data, size_t size, Step step) {
  while (size > 0) {
    ssize_t n = step(data, size);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

#endif  // QEL_PLATFORM_TRANSFER_ALL_H_
