#include "foundation/digest.h"

#include <gtest/gtest.h>

namespace {

TEST(Digest, KnownVectors) {
  EXPECT_EQ(Md5Hex(""), "D41D8CD98F00B204E9800998ECF8427E");
  EXPECT_EQ(Md5Hex("abc", false), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Digest, StreamingEqualsOneShot) {
  std::string data(1 << 20, '\0');
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<char>(i * 131 + 7);
  Digest md5(Digest::kMd5);
  for (size_t pos = 0; pos < data.size(); pos += 4093)
    md5.Update(std::string_view(data).substr(pos, 4093));
  EXPECT_EQ(ToHex(md5.Final(), true), Md5Hex(data));
}

}  // namespace
