#include "engine/resume_record.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace ns_Drav {
namespace {

std::string Int64(int64_t value) {
  std::string out;
  for (int i = 0; i < 8; ++i)
    out.push_back(static_cast<char>((static_cast<uint64_t>(value) >> (8 * i)) & 0xff));
  return out;
}

TEST(EncodeResumeRecord, WritesLittleEndianEntriesThenTheirCount) {
  std::string record = EncodeResumeRecord({{0x0102, 0x0304}, {5LL << 32, (5LL << 32) + 9}});
  ASSERT_EQ(record.size(), 2 * 16 + 8u);
  EXPECT_EQ(record.substr(0, 16), Int64(0x0102) + Int64(0x0304));
  EXPECT_EQ(record.substr(16, 16), Int64(5LL << 32) + Int64((5LL << 32) + 9));
  EXPECT_EQ(record.substr(32), Int64(2));
  EXPECT_EQ(record.substr(0, 2), std::string("\x02\x01", 2));
}

class ReadResumeRecordTest : public ::testing::Test {
 protected:
  static constexpr int64_t kTotal = 1000;
  // A package of kTotal bytes with `tail` after it.
  bool Read(const std::string& tail) {
    WriteFile(path_, std::string(kTotal, 'p') + tail);
    return ReadResumeRecord(path_, kTotal, &entries_);
  }
  TempDir dir_;
  std::string path_ = dir_.path() + "pkg.exe.~P2S";
  std::map<int64_t, int64_t> entries_;
};

TEST_F(ReadResumeRecordTest, ReadsAWholeRecord) {
  ASSERT_TRUE(Read(EncodeResumeRecord({{500, 599}, {100, 199}, {900, 999}})));
  EXPECT_EQ(entries_, (std::map<int64_t, int64_t>{{100, 199}, {500, 599}, {900, 999}}));
}

TEST_F(ReadResumeRecordTest, IgnoresDamagedRecords) {
  struct Case {
    const char* what;
    std::string tail;
  } cases[] = {
      {"no record: the file is exactly the package", ""},
      {"count of zero", EncodeResumeRecord({})},
      {"negative count", Int64(-1)},
      {"count larger than the tail", EncodeResumeRecord({{1, 2}}).substr(0, 16) + Int64(2)},
      {"tail longer than the record says", "x" + EncodeResumeRecord({{1, 2}})},
      {"short tail", std::string("\x01\x00\x00", 3)},
      {"start after end", EncodeResumeRecord({{20, 10}})},
      {"start past the package", EncodeResumeRecord({{1001, 1001}})},
      {"end past the package", EncodeResumeRecord({{10, 1001}})},
      {"negative start", EncodeResumeRecord({{-5, 10}})},
      {"lengths above the package size", EncodeResumeRecord({{0, 999}, {0, 999}})},
      {"one bad entry among good ones", EncodeResumeRecord({{0, 9}, {30, 20}, {40, 49}})},
  };
  for (const Case& c : cases)
    EXPECT_FALSE(Read(c.tail)) << c.what;
  EXPECT_FALSE(ReadResumeRecord(dir_.path() + "missing", kTotal, &entries_));
}

TEST_F(ReadResumeRecordTest, AcceptsAnEndAtTheTotalSizeButKeepsItInside) {
  ASSERT_TRUE(Read(EncodeResumeRecord({{990, 1000}})));
  EXPECT_EQ(entries_, (std::map<int64_t, int64_t>{{990, 999}}));
}

TEST_F(ReadResumeRecordTest, RemoveCutsTheFileBackToThePackage) {
  WriteFile(path_, std::string(kTotal, 'p') + EncodeResumeRecord({{1, 2}}));
  EngineTiming timing;
  RemoveResumeRecord(path_, kTotal, timing);
  EXPECT_EQ(ReadFile(path_), std::string(kTotal, 'p'));
}

}  // namespace
}  // namespace ns_Drav
