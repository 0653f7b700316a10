#include "install/client_sign.h"

#include <time.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

#include "foundation/digest.h"
#include "platform/random.h"
#include "platform/registry.h"

namespace {

// The registry read uses a 100-byte buffer of two-byte characters.
constexpr size_t kMaxSignLength = 49;
constexpr const char* kChannelKey = "Software\\FennCX";

std::mutex g_generator_lock;
uint64_t g_state[2] = {0, 0};

uint64_t Next(uint64_t state[2]) {
  uint64_t x = state[0];
  uint64_t y = state[1];
  state[0] = y;
  x ^= x << 23;
  state[1] = x ^ y ^ (x >> 18) ^ (y >> 5);
  return state[1] + y;
}

uint64_t Le64(const unsigned char* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i)
    v = (v << 8) | p[i];
  return v;
}

// Seed material when the random source fails: clocks, ids, an address, the
// boot id and the previous state, hashed. A machine must never fall back to
// one fixed identity shared with every other such machine.
void FallbackSeed(unsigned char seed[16]) {
  Digest digest(Digest::kSha256);
  timespec clocks[3];
  clock_gettime(CLOCK_REALTIME, &clocks[0]);
  clock_gettime(CLOCK_MONOTONIC, &clocks[1]);
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &clocks[2]);
  digest.Update(clocks, sizeof(clocks));
  pid_t ids[2] = {getpid(), getppid()};
  digest.Update(ids, sizeof(ids));
  const void* where = &digest;
  digest.Update(&where, sizeof(where));
  digest.Update(g_state, sizeof(g_state));
  std::ifstream boot("/proc/sys/kernel/random/boot_id");
  std::string boot_id((std::istreambuf_iterator<char>(boot)), std::istreambuf_iterator<char>());
  digest.Update(boot_id);
  char host[256] = {};
  gethostname(host, sizeof(host) - 1);
  digest.Update(host, strlen(host));
  std::string hash = digest.Final();
  memcpy(seed, hash.data(), 16);
}

std::string FillTemplate(const unsigned char bytes[16]) {
  static const char kHex[] = "0123456789abcdef";
  static const char kVariant[] = "89ab";
  const char* pattern = "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx";
  std::string text;
  size_t nibble = 0;
  auto next = [&] {
    unsigned char b = bytes[nibble / 2];
    unsigned n = nibble % 2 == 0 ? (b & 0x0f) : (b >> 4);
    ++nibble;
    return n;
  };
  for (const char* c = pattern; *c; ++c) {
    if (*c == 'x')
      text.push_back(kHex[next()]);
    else if (*c == 'y')
      text.push_back(kVariant[next() & 3]);
    else
      text.push_back(*c);
  }
  return "{" + text + "G}";
}

std::string KeyA(const std::string& brand) {
  return "Software\\" + brand + "\\" + brand + " Helper Compact";
}

std::string KeyB(const std::string& brand) {
  return "Software\\" + brand + "\\FENN";
}

bool ReadSign(RegRoot root, const std::string& path, std::string* sign) {
  RegKey key;
  std::string value;
  if (!key.Open(root, path) || !key.ReadString("ClientSign", &value) ||
      value.size() > kMaxSignLength)
    return false;
  *sign = value;
  return true;
}

void WriteSign(const std::string& path, const std::string& sign) {
  RegKey key;
  if (key.Create(RegRoot::kLocalMachine, path))
    key.WriteString("ClientSign", sign);
}

}  // namespace

std::string ClientSignFromState(uint64_t s0, uint64_t s1) {
  uint64_t state[2] = {s0, s1};
  unsigned char bytes[16];
  for (int word = 0; word < 2; ++word) {
    uint64_t out = Next(state);
    for (int i = 0; i < 8; ++i)
      bytes[word * 8 + i] = static_cast<unsigned char>(out >> (8 * i));
  }
  return FillTemplate(bytes);
}

std::string NewClientSign(const RandomSource& random) {
  std::lock_guard<std::mutex> hold(g_generator_lock);
  unsigned char seed[16];
  if (!random || !random(seed, sizeof(seed)))
    FallbackSeed(seed);
  g_state[0] = Le64(seed);
  g_state[1] = Le64(seed + 8);
  if (g_state[0] == 0 && g_state[1] == 0)
    g_state[1] = 1;  // xorshift never leaves the all-zero state
  std::string sign = ClientSignFromState(g_state[0], g_state[1]);
  Next(g_state);
  Next(g_state);
  return sign;
}

std::string GetClientSign(const std::string& brand, const RandomSource& random) {
  std::string sign;
  if (!ReadSign(RegRoot::kCurrentUser, KeyA(brand), &sign) &&
      !ReadSign(RegRoot::kLocalMachine, KeyA(brand), &sign))
    ReadSign(RegRoot::kLocalMachine, KeyB(brand), &sign);
  if (!sign.empty())
    return sign;
  sign = NewClientSign(random);
  WriteSign(KeyA(brand), sign);
  WriteSign(KeyB(brand), sign);
  return sign;
}

std::string GetClientSign(const std::string& brand) {
  return GetClientSign(brand, CryptoRandomBytes);
}

void WriteChannelRecord(const std::string& app_id,
                        const std::string& channel,
                        const std::string& product_id) {
  RegKey key;
  if (!key.Create(RegRoot::kLocalMachine, kChannelKey))
    return;
  std::string first;
  if (!key.ReadString("", &first))
    key.WriteString("", channel);
  key.WriteString(app_id.empty() ? product_id : app_id, channel);
}

std::string ReadDefaultChannel() {
  RegKey key;
  std::string channel;
  if (key.Open(RegRoot::kLocalMachine, kChannelKey))
    key.ReadString("", &channel);
  return channel;
}
