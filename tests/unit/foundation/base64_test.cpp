#include "foundation/base64.h"

#include <gtest/gtest.h>

namespace {

TEST(Base64, Rfc4648Vectors) {
  const char* vectors[][2] = {{"", ""},
                              {"f", "Zg=="},
                              {"fo", "Zm8="},
                              {"foo", "Zm9v"},
                              {"foob", "Zm9vYg=="},
                              {"fooba", "Zm9vYmE="},
                              {"foobar", "Zm9vYmFy"}};
  for (auto& v : vectors) {
    EXPECT_EQ(Base64Encode(v[0]), v[1]);
    std::string out;
    EXPECT_TRUE(Base64Decode(v[1], out)) << v[1];
    EXPECT_EQ(out, v[0]);
  }
}

TEST(Base64, DecodeStopsAtFirstPaddingAndAcceptsMissingPadding) {
  std::string out;
  EXPECT_TRUE(Base64Decode("Zm8=Zm9v", out));
  EXPECT_EQ(out, "fo");
  EXPECT_TRUE(Base64Decode("Zm8", out));
  EXPECT_EQ(out, "fo");
}

TEST(Base64, BinaryRoundTrip) {
  std::string data;
  for (int i = 0; i < 256; ++i)
    data.push_back(static_cast<char>(i));
  std::string out;
  ASSERT_TRUE(Base64Decode(Base64Encode(data), out));
  EXPECT_EQ(out, data);
}

TEST(Base64, RejectsForeignCharacters) {
  for (const char* bad : {"Zm9v!", "Zm 9v", "Z", "Zm9vY", "\xff\xfe"}) {
    std::string out = "stale";
    EXPECT_FALSE(Base64Decode(bad, out)) << bad;
    EXPECT_TRUE(out.empty());
  }
}

}  // namespace
