#include "toolkit/value_parse.h"

#include <gtest/gtest.h>

#include "toolkit/canvas.h"

TEST(ValueParse, Colours) {
  struct Case {
    const char* text;
    bool ok;
    uint32_t argb;
  } cases[] = {
      {"#ff00ffff", true, 0xFF00FFFF},
      {"#7a7b7f", true, 0xFF7A7B7F},
      {"0xFFF8F8FF", true, 0xFFF8F8FF},
      {"#60000000", true, 0x60000000},
      {"#01ffffff", true, 0x01FFFFFF},
      {" #FFcccccc ", true, 0xFFCCCCCC},
      {"#12345", false, 0},
      {"ff00ff", false, 0},
      {"#gg0000", false, 0},
      {"", false, 0},
  };
  for (const Case& c : cases) {
    uint32_t argb = 0xDEADBEEF;
    EXPECT_EQ(ParseColor(c.text, &argb), c.ok) << c.text;
    EXPECT_EQ(argb, c.ok ? c.argb : 0xDEADBEEF) << c.text;
  }
}

TEST(ValueParse, ImageStrings) {
  ImageSpec bare = ParseImageSpec("down.png");
  EXPECT_EQ(bare.file, "down.png");
  EXPECT_FALSE(bare.has_dest);

  ImageSpec full =
      ParseImageSpec("file='cbx_normal.png' corner='20,0,20,0' dest='0,0,16,16' source='1,2,3,4'");
  EXPECT_EQ(full.file, "cbx_normal.png");
  EXPECT_EQ(full.corner, (RECT{20, 0, 20, 0}));
  EXPECT_TRUE(full.has_dest);
  EXPECT_EQ(full.dest, (RECT{0, 0, 16, 16}));
  EXPECT_TRUE(full.has_source);
  EXPECT_EQ(full.source, (RECT{1, 2, 3, 4}));

  ImageSpec res = ParseImageSpec("res='136' restype='PNG'");
  EXPECT_EQ(res.res, "136");
  EXPECT_EQ(res.restype, "PNG");
  EXPECT_EQ(res.key(), "PNG/136");

  // An unterminated quote keeps what was read before it.
  ImageSpec cut = ParseImageSpec("file='a.png' corner='1,2");
  EXPECT_EQ(cut.file, "a.png");
  EXPECT_EQ(cut.corner, (RECT{}));
}

TEST(ValueParse, NumbersAndFlags) {
  RECT rect;
  EXPECT_TRUE(ParseRect("160,400,496,472", &rect));
  EXPECT_EQ(rect, (RECT{160, 400, 496, 472}));
  EXPECT_TRUE(ParseRect("5", &rect));
  EXPECT_EQ(rect, (RECT{5, 0, 0, 0}));
  EXPECT_FALSE(ParseRect("none", &rect));
  POINT point;
  EXPECT_TRUE(ParsePoint("0,2", &point));
  EXPECT_EQ(point.y, 2);
  EXPECT_TRUE(ParseBool("true"));
  EXPECT_TRUE(ParseBool("TRUE"));
  EXPECT_FALSE(ParseBool("false"));
  EXPECT_FALSE(ParseBool("yes"));
  EXPECT_EQ(ParseInt("12"), 12);
  EXPECT_EQ(ParseInt("12px", -1), -1);
}

TEST(ValueParse, RichTextTagsAreStripped) {
  EXPECT_EQ(PlainText("{f 1}{c #7a7b7f}Agree to install Halvern Lumo Center{/c}{/f}"),
            "Agree to install Halvern Lumo Center");
  EXPECT_EQ(PlainText("{u}under{/u} and {l}link{/l}"), "under and link");
  // Braces that are no tag stay.
  EXPECT_EQ(PlainText("{x} {not a tag}"), "{x} {not a tag}");
}
