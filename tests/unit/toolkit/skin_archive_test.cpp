#include "toolkit/skin_archive.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <set>

#include "toolkit/canvas.h"
#include "toolkit_test_util.h"

TEST(SkinArchive, ReadsEntriesByName) {
  SkinArchive archive;
  ASSERT_TRUE(archive.Open(MakeZip({{"skin.xml", "<Window/>"}, {"a/b.txt", "bee"}})));
  std::string data;
  EXPECT_TRUE(archive.ReadFile("skin.xml", &data));
  EXPECT_EQ(data, "<Window/>");
  EXPECT_TRUE(archive.ReadFile("a/b.txt", &data));
  EXPECT_EQ(data, "bee");
  EXPECT_FALSE(archive.ReadFile("missing.png", &data));
  EXPECT_TRUE(data.empty());
  EXPECT_EQ(archive.ListNames().size(), 2u);
}

TEST(SkinArchive, RefusesWhatIsNotAWholeZip) {
  // Content that does not compress, so that most of the archive is data.
  std::string content(5000, '\0');
  uint32_t seed = 1;
  for (char& c : content)
    c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
  std::string zip = MakeZip({{"skin.xml", content}});
  SkinArchive archive;
  EXPECT_FALSE(archive.Open(""));
  EXPECT_FALSE(archive.Open("PK\x03\x04 not really a zip"));
  // Cut anywhere: the central directory is gone, or the entry is short.
  for (size_t keep : {zip.size() - 10, zip.size() / 2, size_t{30}}) {
    SkinArchive cut;
    std::string data;
    if (cut.Open(zip.substr(0, keep))) {
      EXPECT_FALSE(cut.ReadFile("skin.xml", &data)) << keep;
    }
  }
}

TEST(SkinArchive, DamagedDataFailsItsChecksum) {
  std::string content(4096, 'a');
  for (size_t i = 0; i < content.size(); ++i)
    content[i] = static_cast<char>('a' + (i * 7919) % 26);
  std::string zip = MakeZip({{"f.txt", content}});
  // The compressed data follows the 30-byte local header and the name.
  zip[30 + 5 + 20] ^= 0x55;
  SkinArchive archive;
  ASSERT_TRUE(archive.Open(zip));
  std::string data;
  EXPECT_FALSE(archive.ReadFile("f.txt", &data));
  EXPECT_TRUE(data.empty());
}

TEST(SkinArchive, RefusesEntriesBeyond64MiB) {
  std::string zip = MakeZip(
      {{"big.bin", std::string(SkinArchive::kMaxEntrySize + 1, '\0')}, {"small.txt", "ok"}});
  SkinArchive archive;
  ASSERT_TRUE(archive.Open(zip));
  std::string data;
  EXPECT_FALSE(archive.ReadFile("big.bin", &data));
  EXPECT_TRUE(archive.ReadFile("small.txt", &data));
}

TEST(SkinArchive, AnEntryThatInflatesBeyondItsStatedSizeIsRefused) {
  std::string zip = MakeZip({{"f.txt", std::string(100000, 'z')}});
  // Lower the stated size in the central directory (offset 24 of its record).
  size_t central = zip.rfind(std::string("PK\x01\x02", 4));
  ASSERT_NE(central, std::string::npos);
  zip[central + 24] = 10;
  zip[central + 25] = zip[central + 26] = zip[central + 27] = 0;
  SkinArchive archive;
  ASSERT_TRUE(archive.Open(zip));
  std::string data;
  EXPECT_FALSE(archive.ReadFile("f.txt", &data));
}

TEST(SkinArchive, BuiltSkinHasEveryEntryAtItsSize) {
  SkinArchive archive;
  ASSERT_TRUE(archive.OpenFile(QEL_SKIN_ZIP));
  std::vector<std::string> names = archive.ListNames();
  EXPECT_EQ(names.size(), 49u);
  struct Expected {
    std::string name;
    int w, h;
  };
  std::vector<Expected> images = {{"banner.png", 640, 340},
                                  {"close_pressed.png", 14, 14},
                                  {"folder_bk.png", 40, 32},
                                  {"down.png", 8, 8},
                                  {"up.png", 8, 8},
                                  {"progress_background.png", 24, 6},
                                  {"progress_fore.png", 24, 6},
                                  {"success.png", 56, 56},
                                  {"warn.png", 58, 58},
                                  {"diskFull.png", 48, 48},
                                  {"file.png", 58, 58},
                                  {"info_bg_warning.png", 40, 40},
                                  {"tips_close_normal.png", 14, 14},
                                  {"tips_close_pressed.png", 14, 14}};
  for (const char* state : {"normal", "hot", "pushed", "disabled"}) {
    for (auto [set, w, h] : {std::tuple{"btn_", 108, 40},
                             {"btn1_", 80, 26},
                             {"btn2_", 80, 26},
                             {"close_", 24, 24},
                             {"minimal_", 24, 24},
                             {"folder_", 24, 24}})
      images.push_back({std::string(set) + state + ".png", w, h});
  }
  for (const char* cbx :
       {"cbx_normal.png", "cbx_hot.png", "cbx_checked.png", "cbx_checked_hot.png"})
    images.push_back({cbx, 16, 16});
  EXPECT_EQ(images.size(), 42u);
  for (const Expected& image : images) {
    std::string bytes;
    ASSERT_TRUE(archive.ReadFile(image.name, &bytes)) << image.name;
    cairo_surface_t* surface = DecodePng(bytes, image.name);
    ASSERT_NE(surface, nullptr) << image.name;
    EXPECT_EQ(cairo_image_surface_get_width(surface), image.w) << image.name;
    EXPECT_EQ(cairo_image_surface_get_height(surface), image.h) << image.name;
    cairo_surface_destroy(surface);
  }
  for (const char* markup : {"skin.xml", "messagebox.xml", "privacybox.xml", "redeembox.xml",
                             "installconfirm.xml", "mask.xml", "selectfolder.xml"})
    EXPECT_TRUE(archive.Contains(markup)) << markup;
}

TEST(SkinArchive, ImagesThatAreNotPngDrawNothing) {
  ASSERT_TRUE(LoadSkin(MakeZip({{"fake.png", "GIF89a...."}, {"cut.png", "\x89PNG\r\n\x1a\n"}})));
  ImageCache cache;
  EXPECT_EQ(cache.Get(ParseImageSpec("fake.png")), nullptr);
  EXPECT_EQ(cache.Get(ParseImageSpec("cut.png")), nullptr);
  EXPECT_EQ(cache.Get(ParseImageSpec("absent.png")), nullptr);
  // Drawing a missing image is a no-op, not a crash.
  cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 4);
  cairo_t* cr = cairo_create(target);
  DrawImage(cr, nullptr, RECT{0, 0, 4, 4}, ParseImageSpec("fake.png"));
  cairo_destroy(cr);
  cairo_surface_destroy(target);
}
