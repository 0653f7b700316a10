#include "foundation/digest.h"

#include <openssl/evp.h>

struct Digest::Context {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  ~Context() { EVP_MD_CTX_free(ctx); }
};

Digest::Digest(Kind kind) : context_(std::make_unique<Context>()) {
  EVP_DigestInit_ex(context_->ctx, kind == kMd5 ? EVP_md5() : EVP_sha256(), nullptr);
}

Digest::~Digest() = default;

void Digest::Update(const void* data, size_t size) {
  EVP_DigestUpdate(context_->ctx, data, size);
}

std::string Digest::Final() {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_DigestFinal_ex(context_->ctx, out, &size) != 1)
    return {};
  return std::string(reinterpret_cast<char*>(out), size);
}

std::string ToHex(std::string_view bytes, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

std::string Md5Hex(std::string_view data, bool upper) {
  Digest d(Digest::kMd5);
  d.Update(data);
  return ToHex(d.Final(), upper);
}

std::string Sha256Hex(std::string_view data, bool upper) {
  Digest d(Digest::kSha256);
  d.Update(data);
  return ToHex(d.Final(), upper);
}
