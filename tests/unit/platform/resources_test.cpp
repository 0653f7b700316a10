#include "platform/resources.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "foundation/path.h"
#include "support/temp_dir.h"

namespace {

// A stand-in for a program: bytes that must survive every rewrite, with
// a zip end signature inside that is not at the end of the file.
std::string ProgramBytes() {
  std::string bytes =
      "\x7f"
      "ELF";
  for (int i = 0; i < 5000; ++i)
    bytes.push_back(static_cast<char>((i * 131) % 251));
  bytes += std::string("PK\x05\x06", 4) + std::string(30, '\0');
  return bytes;
}

class ResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    exe_ = dir_.path() + "installer";
    WriteFile(exe_, ProgramBytes());
    chmod(exe_.c_str(), 0751);
  }
  void Stamp(const std::map<std::string, std::string>& entries) {
    std::string error;
    ASSERT_TRUE(WriteResources(exe_, entries, &error)) << error;
  }
  // Offset of the first occurrence of `needle` after the program bytes.
  size_t Find(const std::string& image, const std::string& needle) {
    return image.find(needle, ProgramBytes().size());
  }

  TempDir dir_;
  std::string exe_;
};

TEST_F(ResourcesTest, ProgramWithoutArchiveHasNoResources) {
  std::string bytes;
  EXPECT_EQ(ReadResource(exe_, "XML/106", &bytes), ResourceStatus::kMissing);
  std::vector<ResourceEntry> entries;
  EXPECT_EQ(ListResources(exe_, &entries), ResourceStatus::kMissing);
  EXPECT_EQ(ReadResource(dir_.path() + "absent", "XML/106", &bytes), ResourceStatus::kUnreadable);
}

TEST_F(ResourcesTest, WritesReadsAndReplacesEntriesKeepingTheProgram) {
  std::string big(300000, 'a');
  Stamp({{"XML/106", "<Product/>"}, {"ZIPRES/133", big}, {"VERSION", "1.2.3.4"}});
  std::string bytes;
  EXPECT_EQ(ReadResource(exe_, "XML/106", &bytes), ResourceStatus::kOk);
  EXPECT_EQ(bytes, "<Product/>");
  EXPECT_EQ(ReadResource(exe_, "ZIPRES/133", &bytes), ResourceStatus::kOk);
  EXPECT_EQ(bytes, big);
  EXPECT_EQ(ReadResource(exe_, "XML/131", &bytes), ResourceStatus::kMissing);

  std::map<std::string, std::string> all;
  ASSERT_EQ(ReadAllResources(exe_, &all), ResourceStatus::kOk);
  all["XML/106"] = "<Product><ProductID>1</ProductID></Product>";
  all.erase("ZIPRES/133");
  Stamp(all);
  std::vector<ResourceEntry> entries;
  ASSERT_EQ(ListResources(exe_, &entries), ResourceStatus::kOk);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "VERSION");
  EXPECT_EQ(entries[1].name, "XML/106");
  EXPECT_EQ(entries[1].size, all["XML/106"].size());

  std::string image = ReadFile(exe_);
  EXPECT_EQ(image.substr(0, ProgramBytes().size()), ProgramBytes());
  EXPECT_EQ(ReadResourceFromImage(image, "VERSION", &bytes), ResourceStatus::kOk);
  EXPECT_EQ(bytes, "1.2.3.4");
  struct stat st;
  ASSERT_EQ(stat(exe_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0751u);
  EXPECT_TRUE(ListFiles(dir_.path(), false, false).size() == 1)
      << "no temporary file is left behind";
}

TEST_F(ResourcesTest, DamagedArchivesAreErrorsNotCrashes) {
  Stamp({{"XML/106", std::string(2000, 'p')}, {"XML/131", "<Lang/>"}});
  const std::string image = ReadFile(exe_);
  std::string bytes;

  // Cut anywhere in the archive.
  for (size_t cut = ProgramBytes().size(); cut < image.size(); cut += 7) {
    std::string truncated = image.substr(0, cut);
    ReadResourceFromImage(truncated, "XML/106", &bytes);
    std::vector<ResourceEntry> entries;
    ListResourcesFromImage(truncated, &entries);
  }
  // Every single byte of the archive flipped.
  for (size_t at = ProgramBytes().size(); at < image.size(); ++at) {
    std::string flipped = image;
    flipped[at] = static_cast<char>(flipped[at] ^ 0x5a);
    ResourceStatus status = ReadResourceFromImage(flipped, "XML/106", &bytes);
    if (status == ResourceStatus::kOk) {
      EXPECT_EQ(bytes, std::string(2000, 'p')) << at;
    }
  }

  // Compressed data changed: the checksum catches it.
  std::string corrupt = image;
  size_t data = Find(corrupt, "XML/106") + 7;  // just past the local header's name
  corrupt[data + 2] = static_cast<char>(corrupt[data + 2] ^ 0x01);
  EXPECT_EQ(ReadResourceFromImage(corrupt, "XML/106", &bytes), ResourceStatus::kUnreadable);
}

// Rewrites the uncompressed size of the entry in both headers.
std::string WithDeclaredSize(std::string image, size_t program, uint32_t size) {
  for (const char* sig : {"PK\x03\x04", "PK\x01\x02"}) {
    size_t at = image.find(std::string(sig, 4), program);
    size_t field = at + (sig[2] == 3 ? 22 : 24);
    for (int i = 0; i < 4; ++i)
      image[field + i] = static_cast<char>(size >> (8 * i));
  }
  return image;
}

TEST_F(ResourcesTest, EntriesThatInflateBeyondTheirSizeOrTheLimitAreRefused) {
  Stamp({{"ZIPRES/133", std::string(100000, 'z')}});
  std::string image = ReadFile(exe_);
  std::string bytes;
  size_t program = ProgramBytes().size();
  EXPECT_EQ(ReadResourceFromImage(WithDeclaredSize(image, program, 1000), "ZIPRES/133", &bytes),
            ResourceStatus::kUnreadable);
  EXPECT_EQ(
      ReadResourceFromImage(WithDeclaredSize(image, program, 65u << 20), "ZIPRES/133", &bytes),
      ResourceStatus::kUnreadable);
  std::string error;
  EXPECT_FALSE(WriteResources(exe_, {{"XML/1", std::string(kMaxResourceSize + 1, 'x')}}, &error));
  EXPECT_EQ(ReadFile(exe_), image);
}

TEST_F(ResourcesTest, RefusesToRewriteADamagedArchive) {
  Stamp({{"XML/106", "x"}});
  std::string image = ReadFile(exe_);
  // Central directory offset pointing before the start of the file.
  size_t end = image.rfind(std::string("PK\x05\x06", 4));
  image[end + 16] = static_cast<char>(0xff);
  image[end + 19] = static_cast<char>(0x7f);
  WriteFile(exe_, image);
  std::string error;
  EXPECT_FALSE(WriteResources(exe_, {{"XML/106", "y"}}, &error));
  EXPECT_NE(error.find("damaged"), std::string::npos);
  EXPECT_EQ(ReadFile(exe_), image);
  std::string bytes;
  EXPECT_EQ(ReadResource(exe_, "XML/106", &bytes), ResourceStatus::kUnreadable);
}

}  // namespace
