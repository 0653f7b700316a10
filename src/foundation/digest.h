// Streaming MD5 and SHA-256 over libcrypto.
#ifndef QEL_FOUNDATION_DIGEST_H_
#define QEL_FOUNDATION_DIGEST_H_

#include <memory>
#include <string>
#include <string_view>

class Digest {
 public:
  enum Kind { kMd5, kSha256 };

  explicit Digest(Kind kind);
  ~Digest();
  Digest(const Digest&) = delete;
  Digest& operator=(const Digest&) = delete;

  void Update(const void* data, size_t size);
  void Update(std::string_view data) { Update(data.data(), data.size()); }
  // The raw digest; the object is spent afterwards.
  std::string Final();

 private:
  struct Context;
  std::unique_ptr<Context> context_;
};

// Hexadecimal text of `bytes`, upper or lower case.
std::string ToHex(std::string_view bytes, bool upper);

std::string Md5Hex(std::string_view data, bool upper = true);
std::string Sha256Hex(std::string_view data, bool upper = false);

#endif  // QEL_FOUNDATION_DIGEST_H_
