#include "platform/random.h"

#include <sys/random.h>

#include "platform/transfer_all.h"

bool CryptoRandomBytes(void* buffer, size_t size) {
  return TransferAll(static_cast<unsigned char*>(buffer), size,
                     [](unsigned char* at, size_t left) { return getrandom(at, left, 0); });
}
