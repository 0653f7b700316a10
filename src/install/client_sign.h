// The machine's identity: the client sign, "{" + a random version-4 UUID +
// "G}", created once and kept in the registry; and the channel record.
#ifndef QEL_INSTALL_CLIENT_SIGN_H_
#define QEL_INSTALL_CLIENT_SIGN_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Fills a buffer with cryptographic random bytes; false on failure.
using RandomSource = std::function<bool(void* buffer, size_t size)>;

// Reads "ClientSign" from HKCU, then HKLM, key A (Software\<brand>\<brand>
// Helper Compact), then HKLM key B (Software\<brand>\FENN); the first read
// that succeeds ends the search. When it gave nothing, a new sign is made
// and written to both HKLM keys.
std::string GetClientSign(const std::string& brand);
std::string GetClientSign(const std::string& brand, const RandomSource& random);

// A new client sign from a xorshift128+ generator seeded with 16 random
// bytes. When the random source fails, the seed comes from other entropy of
// the process and machine, never from the all-zero state.
std::string NewClientSign(const RandomSource& random);

// The sign that the generator state (s0, s1) yields.
std::string ClientSignFromState(uint64_t s0, uint64_t s1);

// HKLM\Software\FennCX: its default value is set to `channel` once; the
// value named `app_id` (or `product_id` when that is empty) every time.
void WriteChannelRecord(const std::string& app_id,
                        const std::string& channel,
                        const std::string& product_id);
// The default value of that key; empty when missing.
std::string ReadDefaultChannel();

#endif  // QEL_INSTALL_CLIENT_SIGN_H_
