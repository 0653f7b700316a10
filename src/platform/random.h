// Cryptographic random bytes from the kernel.
#ifndef QEL_PLATFORM_RANDOM_H_
#define QEL_PLATFORM_RANDOM_H_

#include <cstddef>

// Fills `buffer` entirely; false when the kernel cannot.
bool CryptoRandomBytes(void* buffer, size_t size);

#endif  // QEL_PLATFORM_RANDOM_H_
