#include "foundation/base64.h"

#include <openssl/evp.h>

std::string Base64Encode(std::string_view data) {
  std::string out(4 * ((data.size() + 2) / 3), '\0');
  int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                          reinterpret_cast<const unsigned char*>(data.data()),
                          static_cast<int>(data.size()));
  out.resize(n < 0 ? 0 : n);
  return out;
}

bool Base64Decode(std::string_view text, std::string& out) {
  out.clear();
  size_t end = text.find('=');
  if (end != std::string_view::npos)
    text = text.substr(0, end);
  // One leftover character carries fewer than eight bits: not a byte.
  if (text.size() % 4 == 1)
    return false;
  // EVP_DecodeBlock wants whole quanta; pad the tail ourselves and drop the
  // bytes the padding stood for.
  std::string padded(text);
  size_t pad = (4 - padded.size() % 4) % 4;
  padded.append(pad, '=');
  out.resize(padded.size() / 4 * 3);
  int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                          reinterpret_cast<const unsigned char*>(padded.data()),
                          static_cast<int>(padded.size()));
  if (n < 0 || padded.find_first_of(" \t\r\n") != std::string::npos) {
    out.clear();
    return false;
  }
  out.resize(static_cast<size_t>(n) - pad);
  return true;
}
