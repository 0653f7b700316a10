#include "platform/random.h"

#include <sys/random.h>

#include <cerrno>

bool CryptoRandomBytes(void* buffer, size_t size) {
  auto* p = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    ssize_t n = getrandom(p, size, 0);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}
