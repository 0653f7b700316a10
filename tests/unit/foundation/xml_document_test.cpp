#include "foundation/xml_document.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

// Every element in document order as "depth name=text", walked with the
// cursor alone, so that two documents can be compared element by element.
std::string Outline(XmlDocument doc) {  // a copy: the walk moves the cursor
  std::string out;
  doc.ResetPositions();
  if (!doc.FindElement())
    return out;
  size_t depth = 0;
  for (;;) {
    out += std::to_string(depth) + " " + doc.GetTagName() + "=" + doc.GetText() + "\n";
    doc.ResetChildPosition();
    if (doc.FindChildElement()) {
      doc.IntoElement();
      ++depth;
      continue;
    }
    while (!doc.FindElement()) {
      if (!doc.OutOfElement())
        return out;
      --depth;
    }
  }
}

// The index after edits must describe the text exactly as a fresh parse does.
void ExpectIndexMatchesText(XmlDocument& doc) {
  XmlDocument fresh;
  fresh.SetDocument(doc.GetDocument());
  EXPECT_EQ(Outline(doc), Outline(fresh));
}

std::string Repeat(std::string_view s, size_t n) {
  std::string out;
  out.reserve(s.size() * n);
  for (size_t i = 0; i < n; ++i)
    out += s;
  return out;
}

TEST(XmlDocument, ParseResults) {
  struct Case {
    std::string text;
    const char* result;
  };
  const Case cases[] = {
      {"", "Empty document"},
      {" \r\n ", "No root element"},
      {"<!-- only a comment -->", "No root element"},
      {"<a/><b/>", "Root element has sibling"},
      {"<a></b></a>", "No start tag for end tag 'b' at offset 3"},
      {"</a>", "No start tag for end tag 'a' at offset 0, No root element"},
      {"<a/></a>", "No start tag for end tag 'a' at offset 4"},
      {"<a><b></a>", "End tag 'a' at offset 6 does not match start tag 'b' at offset 3"},
      {"<a><b><c></a>", "End tag 'a' at offset 9 does not match start tag 'c' at offset 6"},
      // Cut back at the end, b becomes a's sibling.
      {"<a><b>", "Element 'b' at offset 3 not ended, Root element has sibling"},
      {"<a>text", "Element 'a' at offset 0 not ended"},
      {"<a><1/></a>", "Incorrect tag name character at offset 4"},
      {"<a></ a></a>", "Incorrect tag name character at offset 5"},
      {"<a!/>", "Incorrect tag name character at offset 2"},
      {"<a></a!>", "Incorrect tag name character at offset 6"},
      {"<a><!x></a>", "Incorrect ! tag at offset 3"},
      {"<a><!-x--></a>", "Incorrect comment tag at offset 3"},
      {"<a b></a>", "Incorrect tag at offset 0"},
      {"<a b=1/>", "Incorrect tag at offset 0"},
      {"<a/ >", "Incorrect tag at offset 0"},
      {"<a></a b>", "Incorrect tag at offset 3"},
      {"<a b='1", "Element tag at offset 0 unterminated, No root element"},
      {"<a/>x<", "Element tag at offset 5 unterminated"},
      {"<a></a", "Element end tag at offset 3 unterminated"},
      {"<a><![CDATA[x</a>", "CDATA Section at offset 3 unterminated"},
      {"<a/><?pi ", "Processing instruction at offset 4 unterminated"},
      {"<a/><!-- x", "Comment at offset 4 unterminated"},
      {"<!DOCTYPE a [<!ENTITY e '>'>", "Doctype at offset 0 unterminated, No root element"},
      // Offsets count bytes of the UTF-8 text.
      {"<a>\xE4\xB8\xAD</b></a>", "No start tag for end tag 'b' at offset 6"},
      // Only the first error is kept.
      {"<a></b></c><d", "No start tag for end tag 'b' at offset 3"},
  };
  for (const Case& c : cases) {
    XmlDocument doc;
    EXPECT_FALSE(doc.SetDocument(c.text)) << c.text;
    EXPECT_EQ(doc.GetParseResult(), c.result) << c.text;
  }
}

TEST(XmlDocument, WellFormedDocuments) {
  const char* cases[] = {
      "<a/>",
      "<?xml version=\"1.0\"?>\n<!DOCTYPE a [<!ENTITY e \"x>\">]>\n<a/>\n<!-- end -->",
      "<a b='x>y' c = \"&quot;\"></a >",
      "<a><![CDATA[</b>]]><!-- </c> --><?p </d>?></a>",
      "<\xC3\xA9l\xC3\xA9ment/>",
      "<a:b-c.d_e1/>",
  };
  for (const char* text : cases) {
    XmlDocument doc;
    EXPECT_TRUE(doc.SetDocument(text)) << text;
    EXPECT_EQ(doc.GetParseResult(), "") << text;
  }
  XmlDocument doc;
  EXPECT_FALSE(doc.SetDocument(nullptr));
  EXPECT_EQ(doc.GetParseResult(), "Empty document");
  EXPECT_FALSE(doc.FindElement());
  EXPECT_FALSE(doc.FindChildElement());
}

TEST(XmlDocument, SetDocumentTakesEmbeddedZeroBytesAsText) {
  XmlDocument doc;
  std::string text("<a>x\0y</a>", 10);
  EXPECT_TRUE(doc.SetDocument(std::string_view(text)));
  ASSERT_TRUE(doc.FindElement("a"));
  EXPECT_EQ(doc.GetText(), std::string("x\0y", 3));
}

// Unclosed elements keep only their start tag; their children follow them
// as siblings under the element that was closed.
TEST(XmlDocument, CutBackStructure) {
  struct Case {
    const char* text;
    const char* outline;
  };
  const Case cases[] = {
      {"<r><a><b>t</b><c/></r>", "0 r=\n1 a=\n1 b=t\n1 c=\n"},
      {"<r><a><b><x>1</x></r>", "0 r=\n1 a=\n1 b=\n1 x=1\n"},
      {"<r><a>1<b>2</b></a><c></r>", "0 r=\n1 a=\n2 b=2\n1 c=\n"},
      {"<r><a><b/>", "0 r=\n0 a=\n0 b=\n"},
      {"<r><a>x</b>y</a></r>", "0 r=\n1 a=xy\n"},
  };
  for (const Case& c : cases) {
    XmlDocument doc;
    EXPECT_FALSE(doc.SetDocument(c.text));
    EXPECT_EQ(Outline(doc), c.outline) << c.text;
  }
}

// Adding at the end of a cut-back parent finds its last child in one step.
TEST(XmlDocument, CutBackKeepsLastChildLinks) {
  XmlDocument doc;
  doc.SetDocument("<r><a><b/><c/></r>");
  ASSERT_TRUE(doc.FindElement("r"));
  ASSERT_TRUE(doc.IntoElement());
  ASSERT_TRUE(doc.AddElement("z", "9"));
  EXPECT_EQ(Outline(doc), "0 r=\n1 a=\n1 b=\n1 c=\n1 z=9\n");
  EXPECT_EQ(doc.GetDocument(), "<r><a><b/><c/>\r\n<z>9</z>\r\n</r>");
}

TEST(XmlDocument, DeepNestingNeitherRecursesNorCrashes) {
  const size_t depth = 1000000;
  XmlDocument doc;
  EXPECT_TRUE(doc.SetDocument(Repeat("<a>", depth) + "x" + Repeat("</a>", depth)));
  ASSERT_TRUE(doc.FindElement("a"));
  for (size_t i = 1; i < depth; ++i) {
    ASSERT_TRUE(doc.FindChildElement("a")) << i;
    ASSERT_TRUE(doc.IntoElement());
  }
  EXPECT_EQ(doc.GetText(), "x");
  EXPECT_FALSE(doc.FindChildElement());
  ASSERT_TRUE(doc.AddElement("b", "y"));
  EXPECT_EQ(doc.GetText(), "y");

  // Never closed: every element is cut back to a top-level sibling.
  EXPECT_FALSE(doc.SetDocument(Repeat("<a>", depth)));
  EXPECT_EQ(doc.GetParseResult(),
            "Element 'a' at offset 2999997 not ended, Root element has sibling");
  size_t count = 0;
  while (doc.FindElement("a"))
    ++count;
  EXPECT_EQ(count, depth);
}

// Each stray end tag must not search the whole stack of open elements.
TEST(XmlDocument, StrayEndTagsUnderDeepNestingStayLinear) {
  const size_t depth = 200000;
  XmlDocument doc;
  EXPECT_FALSE(
      doc.SetDocument(Repeat("<a>", depth) + Repeat("</b>", depth) + Repeat("</a>", depth)));
  EXPECT_EQ(doc.GetParseResult(), "No start tag for end tag 'b' at offset 600000");
  ASSERT_TRUE(doc.FindElement("a"));
  EXPECT_TRUE(doc.FindChildElement("a"));
}

TEST(XmlDocument, GetText) {
  struct Case {
    const char* content;
    std::string text;
  };
  const Case cases[] = {
      {"x<![CDATA[<y>]]>z", "x<y>z"},
      {"&lt;b&gt; &#65;&#x42; &foo;", "<b> AB &foo;"},
      {"&quot;&apos;&amp;lt;", "\"'&lt;"},
      {" \r\n a \t", " \r\n a \t"},
      {"a<!-- c -->b<?p x?>c", "abc"},
      {"<![CDATA[&amp;]]>", "&amp;"},
      {"", ""},
      {"&#x20AC;&#8364;&#x10FFFF;", "\xE2\x82\xAC\xE2\x82\xAC\xF4\x8F\xBF\xBF"},
      // Not references to a character: the ampersand stays.
      {"&#0;&#x0;&#xD800;&#xDFFF;&#x110000;", "&#0;&#x0;&#xD800;&#xDFFF;&#x110000;"},
      {"&#;&#x;&#65&#X41;&#1234567;&#x0000041;", "&#;&#x;&#65&#X41;&#1234567;&#x0000041;"},
      {"&#000065;&#x00041;&", "AA&"},
  };
  for (const Case& c : cases) {
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocument(std::string("<r><e>") + c.content + "</e></r>")) << c.content;
    ASSERT_TRUE(doc.FindChildElement("e"));
    ASSERT_TRUE(doc.IntoElement());
    EXPECT_EQ(doc.GetText(), c.text) << c.content;
  }
}

TEST(XmlDocument, TextOfElementsWithChildrenOrWithoutContent) {
  XmlDocument doc;
  ASSERT_TRUE(doc.SetDocument("<r>before<c>inner</c>after</r>"));
  ASSERT_TRUE(doc.FindElement());
  EXPECT_EQ(doc.GetText(), "");
  ASSERT_TRUE(doc.SetDocument("<r><e/><f></f></r>"));
  ASSERT_TRUE(doc.FindChildElement("e"));
  doc.IntoElement();
  EXPECT_EQ(doc.GetText(), "");
  ASSERT_TRUE(doc.FindElement("f"));
  EXPECT_EQ(doc.GetText(), "");
  doc.ResetPositions();
  EXPECT_EQ(doc.GetText(), "");
  EXPECT_EQ(doc.GetTagName(), "");
}

TEST(XmlDocument, GetAttribute) {
  XmlDocument doc;
  ASSERT_TRUE(doc.SetDocument(
      "<r a=\"1\" ab = 'x&amp;y&#65;' q='\"' d=\"'\" a=\"2\" empty=''><c k='v'/></r>"));
  EXPECT_EQ(doc.GetAttribute("a"), "");  // no current element yet
  ASSERT_TRUE(doc.FindElement());
  struct Case {
    const char* name;
    const char* value;
  };
  const Case cases[] = {{"a", "1"},    {"ab", "x&yA"}, {"q", "\""}, {"d", "'"},
                        {"empty", ""}, {"A", ""},      {"k", ""},   {"r", ""}};
  for (const Case& c : cases)
    EXPECT_EQ(doc.GetAttribute(c.name), c.value) << c.name;
  ASSERT_TRUE(doc.FindChildElement());
  doc.IntoElement();
  EXPECT_EQ(doc.GetAttribute("k"), "v");
}

TEST(XmlDocument, Navigation) {
  XmlDocument doc;
  ASSERT_TRUE(doc.SetDocument(
      "<r><item>1</item><other/><item>2</item><sub><item>x</item></sub><item>3</item></r>"));
  EXPECT_FALSE(doc.IntoElement());
  EXPECT_FALSE(doc.OutOfElement());
  EXPECT_FALSE(doc.FindElement("item"));  // only the root is at the top
  EXPECT_FALSE(doc.FindElement(""));
  ASSERT_TRUE(doc.FindElement("r"));
  EXPECT_FALSE(doc.FindElement());  // no sibling of the root

  std::string seen;
  while (doc.FindChildElement("item")) {
    doc.IntoElement();
    seen += doc.GetText();
    doc.OutOfElement();
  }
  EXPECT_EQ(seen, "123");
  EXPECT_EQ(doc.GetTagName(), "r");  // a failed search leaves the cursor

  doc.ResetChildPosition();
  ASSERT_TRUE(doc.FindChildElement("sub"));
  ASSERT_TRUE(doc.IntoElement());
  EXPECT_EQ(doc.GetTagName(), "sub");
  EXPECT_FALSE(doc.FindElement("sub"));
  ASSERT_TRUE(doc.FindElement());  // the next sibling
  EXPECT_EQ(doc.GetText(), "3");
  ASSERT_TRUE(doc.OutOfElement());
  EXPECT_EQ(doc.GetTagName(), "r");
  // The element we came out of, the last child, is the child position.
  EXPECT_FALSE(doc.FindChildElement());

  doc.ResetPositions();
  EXPECT_EQ(doc.GetTagName(), "");
  ASSERT_TRUE(doc.FindChildElement("other"));  // finds the root first
  EXPECT_EQ(doc.GetTagName(), "r");
}

TEST(XmlDocument, IntoElementWithoutChildPositionLeavesNoCurrent) {
  XmlDocument doc;
  ASSERT_TRUE(doc.SetDocument("<r><a>1</a><b>2</b></r>"));
  ASSERT_TRUE(doc.FindElement());
  ASSERT_TRUE(doc.IntoElement());
  EXPECT_EQ(doc.GetTagName(), "");
  ASSERT_TRUE(doc.FindElement("b"));
  EXPECT_EQ(doc.GetText(), "2");
}

TEST(XmlDocument, ReadChildText) {
  XmlDocument doc;
  ASSERT_TRUE(
      doc.SetDocument("<config><B><![CDATA[b]]></B><A>first</A><C/><A>second</A></config>"));
  std::string value = "unchanged";
  EXPECT_FALSE(ReadChildText(doc, "Missing", value));
  EXPECT_EQ(value, "unchanged");
  EXPECT_TRUE(ReadChildText(doc, "A", value));
  EXPECT_EQ(value, "first");
  EXPECT_TRUE(ReadChildText(doc, "B", value));
  EXPECT_EQ(value, "b");
  EXPECT_TRUE(ReadChildText(doc, "A", value));
  EXPECT_EQ(value, "first");
  EXPECT_TRUE(ReadChildText(doc, "C", value));
  EXPECT_EQ(value, "");
  EXPECT_EQ(doc.GetTagName(), "config");
}

TEST(XmlDocument, AddElementBuildsTheRunStateDocument) {
  XmlDocument doc;
  doc.SetDocument("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  ASSERT_TRUE(doc.AddElement("config"));
  ASSERT_TRUE(doc.IntoElement());
  ASSERT_TRUE(doc.AddElement("Status", "1"));
  ASSERT_TRUE(doc.AddElement("JoinExp", ""));
  ASSERT_TRUE(doc.OutOfElement());
  EXPECT_EQ(doc.GetDocument(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<config>\r\n"
            "<Status>1</Status>\r\n"
            "<JoinExp/>\r\n"
            "</config>\r\n");
  EXPECT_EQ(doc.GetTagName(), "config");
  std::string value;
  EXPECT_TRUE(ReadChildText(doc, "Status", value));
  EXPECT_EQ(value, "1");
  ExpectIndexMatchesText(doc);
  XmlDocument reread;
  EXPECT_TRUE(reread.SetDocument(doc.GetDocument()));
}

TEST(XmlDocument, AddElementPlacement) {
  struct Case {
    const char* text;
    const char* path;   // children to step into, by name; "" stays at the top
    const char* after;  // current element, or none
    const char* result;
  };
  const Case cases[] = {
      {"", "", nullptr, "<n>v</n>\r\n"},
      {"<r/>", "r", nullptr, "<r>\r\n<n>v</n>\r\n</r>"},
      {"<r a='1' />", "r", nullptr, "<r a='1' >\r\n<n>v</n>\r\n</r>"},
      {"<r></r>", "r", nullptr, "<r>\r\n<n>v</n>\r\n</r>"},
      {"<r>\n</r>", "r", nullptr, "<r>\n<n>v</n>\r\n</r>"},
      {"<r><a/></r>", "r", "a", "<r><a/>\r\n<n>v</n>\r\n</r>"},
      {"<r>\r\n<a/>\r\n<b/>\r\n</r>", "r", "a", "<r>\r\n<a/>\r\n<n>v</n>\r\n<b/>\r\n</r>"},
      {"<r><a/><b/></r>", "r", nullptr, "<r><a/><b/>\r\n<n>v</n>\r\n</r>"},
      {"<r><s><t/></s></r>", "r/s/t", nullptr, "<r><s><t>\r\n<n>v</n>\r\n</t></s></r>"},
  };
  for (const Case& c : cases) {
    XmlDocument doc;
    doc.SetDocument(c.text);
    std::string path = c.path;
    for (size_t p = 0; p < path.size();) {
      size_t slash = std::min(path.find('/', p), path.size());
      ASSERT_TRUE(doc.FindElement(path.substr(p, slash - p).c_str())) << c.text;
      ASSERT_TRUE(doc.IntoElement());
      p = slash + 1;
    }
    if (c.after) {
      ASSERT_TRUE(doc.FindElement(c.after)) << c.text;
    }
    ASSERT_TRUE(doc.AddElement("n", "v"));
    EXPECT_EQ(doc.GetDocument(), c.result) << c.text;
    EXPECT_EQ(doc.GetTagName(), "n");
    EXPECT_EQ(doc.GetText(), "v");
    ExpectIndexMatchesText(doc);
  }
}

// Later edits depend on the offsets and lengths the earlier ones changed.
TEST(XmlDocument, AddElementShiftsEverythingBehindIt) {
  XmlDocument doc;
  ASSERT_TRUE(doc.SetDocument(
      "<r>\n<a k='1'>A</a>\n<b k='2'><c>C</c><d/></b>\n<e k='3'>E</e>\n</r>\n<!-- tail -->"));
  ASSERT_TRUE(doc.FindElement());
  ASSERT_TRUE(doc.IntoElement());
  ASSERT_TRUE(doc.FindElement("a"));
  ASSERT_TRUE(doc.AddElement("x", "1"));
  ASSERT_TRUE(doc.FindElement("b"));
  ASSERT_TRUE(doc.IntoElement());
  ASSERT_TRUE(doc.FindElement("c"));
  ASSERT_TRUE(doc.AddElement("y"));
  ASSERT_TRUE(doc.AddElement("z", "2"));
  ASSERT_TRUE(doc.FindElement("d"));
  ASSERT_TRUE(doc.IntoElement());
  ASSERT_TRUE(doc.AddElement("w", "3"));
  ASSERT_TRUE(doc.OutOfElement());
  ASSERT_TRUE(doc.OutOfElement());
  ASSERT_TRUE(doc.AddElement("v"));  // after b, which grew
  ASSERT_TRUE(doc.OutOfElement());
  ASSERT_TRUE(doc.AddElement("t"));  // after r, which grew
  EXPECT_EQ(doc.GetDocument(),
            "<r>\n<a k='1'>A</a>\r\n<x>1</x>\n"
            "<b k='2'><c>C</c>\r\n<y/>\r\n<z>2</z>\r\n<d>\r\n<w>3</w>\r\n</d></b>\r\n<v/>\n"
            "<e k='3'>E</e>\n</r>\r\n<t/>\n<!-- tail -->");
  ExpectIndexMatchesText(doc);
  doc.ResetPositions();
  ASSERT_TRUE(doc.FindElement());
  ASSERT_TRUE(doc.IntoElement());
  ASSERT_TRUE(doc.FindElement("e"));
  EXPECT_EQ(doc.GetAttribute("k"), "3");
  EXPECT_EQ(doc.GetText(), "E");
}

TEST(XmlDocument, AddedTextReadsBackUnchanged) {
  const std::string texts[] = {"a & b < c > d \"q\" 'a'", "&amp;&lt;", "]]>", "x\r\ny",
                               "\xE4\xB8\xAD"};
  for (const std::string& text : texts) {
    XmlDocument doc;
    doc.SetDocument("<r/>");
    doc.FindElement();
    doc.IntoElement();
    ASSERT_TRUE(doc.AddElement("v", text));
    EXPECT_EQ(doc.GetText(), text);
    XmlDocument reread;
    ASSERT_TRUE(reread.SetDocument(doc.GetDocument()));
    std::string value;
    ASSERT_TRUE(ReadChildText(reread, "v", value));
    EXPECT_EQ(value, text);
  }
}

TEST(XmlDocument, AddElementRefusesInvalidNames) {
  for (const char* name : {"", "1a", "a b", "a>", "<a", "a/", "-a", "a'"}) {
    XmlDocument doc;
    doc.SetDocument("<r/>");
    doc.FindElement();
    EXPECT_FALSE(doc.AddElement(name, "v")) << name;
    EXPECT_EQ(doc.GetDocument(), "<r/>");
    EXPECT_EQ(doc.GetTagName(), "r");
  }
}

// More records than one segment holds: links across the boundary and
// insertions behind it must stay right.
TEST(XmlDocument, IndexGrowsAcrossSegments) {
  const int count = 140000;
  std::string text = "<r>";
  for (int i = 0; i < count; ++i)
    text += "<i>" + std::to_string(i) + "</i>";
  text += "</r>";
  XmlDocument doc;
  ASSERT_TRUE(doc.SetDocument(text));
  ASSERT_TRUE(doc.FindElement());
  int seen = 0;
  while (doc.FindChildElement("i")) {
    if (seen % 997 == 0 || (seen > 65530 && seen < 65540)) {
      doc.IntoElement();
      ASSERT_EQ(doc.GetText(), std::to_string(seen));
      doc.OutOfElement();
    }
    ++seen;
  }
  EXPECT_EQ(seen, count);
  // New records land behind the parsed ones.
  doc.IntoElement();
  ASSERT_TRUE(doc.AddElement("last", "L"));
  doc.ResetPositions();
  doc.FindElement();
  doc.IntoElement();
  for (int i = 0; i < 65536; ++i)
    ASSERT_TRUE(doc.FindElement("i"));
  ASSERT_TRUE(doc.AddElement("mid", "M"));
  ASSERT_TRUE(doc.FindElement("i"));
  EXPECT_EQ(doc.GetText(), "65536");
  ExpectIndexMatchesText(doc);
}

// Tags longer than 4 MiB and end tags longer than 1 KiB keep their lengths.
TEST(XmlDocument, LongTagsAreNotTruncated) {
  const std::string value(5 << 20, 'v');
  const std::string text =
      "<r><a k='" + value + "'>text</a" + std::string(3000, ' ') + "><b>next</b></r>";
  XmlDocument doc;
  ASSERT_TRUE(doc.SetDocument(text)) << doc.GetParseResult();
  ASSERT_TRUE(doc.FindElement());
  ASSERT_TRUE(doc.IntoElement());
  ASSERT_TRUE(doc.FindElement("a"));
  EXPECT_EQ(doc.GetText(), "text");
  EXPECT_EQ(doc.GetAttribute("k"), value);
  ASSERT_TRUE(doc.AddElement("c", "added"));
  ASSERT_TRUE(doc.FindElement("b"));
  EXPECT_EQ(doc.GetText(), "next");
  ExpectIndexMatchesText(doc);
}

class XmlFiles : public ::testing::Test {
 protected:
  TempDir dir_;
};

TEST_F(XmlFiles, ReadDecodesUtf8) {
  struct Case {
    std::string bytes;
    std::string text;
    int chars;
  };
  const Case cases[] = {
      {"<a>x</a>", "<a>x</a>", 8},
      {"a\xE2\x82\xAC"
       "b\xF0\x9F\x98\x80",
       "a\xE2\x82\xAC"
       "b\xF0\x9F\x98\x80",
       4},
      {"\xEF\xBB\xBF<a/>", "\xEF\xBB\xBF<a/>", 5},  // the byte-order mark stays
      {"a\xE2\x82", "a?", 2},                       // cut off at the end
      {"\xE2\x82"
       "A",
       "?A", 2},                             // cut off by a new character
      {"\xF8\x88\x80\x80\x80x", "?x", 2},    // five-byte sequence
      {"\xFC\x84\x80\x80\x80\x80", "?", 1},  // six-byte sequence
      {"\x80\xBF", "??", 2},                 // stray continuation bytes
      {"\xFE\xFF", "??", 2},
      {"\xC0\x80\xE0\x80\x80", "??", 2},    // overlong forms
      {"\xED\xA0\x80", "?", 1},             // a surrogate
      {"\xF4\x90\x80\x80", "?", 1},         // above U+10FFFF
      {std::string("ab\0cd", 5), "ab", 2},  // a zero byte ends the text
      {"", "", 0},
  };
  for (const Case& c : cases) {
    const std::string path = dir_.path() + "in.xml";
    WriteFile(path, c.bytes);
    std::string text = "stale", result;
    ASSERT_TRUE(XmlDocument::ReadTextFile(path, text, &result));
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(result, std::to_string(c.bytes.size()) + " bytes to " + std::to_string(c.chars) +
                          " wide chars");
  }
}

TEST_F(XmlFiles, WriteEncodesAndTruncates) {
  const std::string path = dir_.path() + "out.xml";
  WriteFile(path, std::string(100, 'x'));
  std::string result;
  ASSERT_TRUE(XmlDocument::WriteTextFile(path, "<a>\xE2\x82\xAC\xFF</a>", &result));
  EXPECT_EQ(result, "9 wide chars to 11 bytes");
  EXPECT_EQ(ReadFile(path), "<a>\xE2\x82\xAC?</a>");
  EXPECT_TRUE(XmlDocument::WriteTextFile(path, ""));
  EXPECT_EQ(ReadFile(path), "");
}

TEST_F(XmlFiles, RoundTripThroughADocument) {
  XmlDocument doc;
  doc.SetDocument("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  doc.AddElement("config");
  doc.IntoElement();
  doc.AddElement("Name", "\xE4\xB8\xAD & <x>");
  const std::string path = dir_.path() + "state.xml";
  ASSERT_TRUE(XmlDocument::WriteTextFile(path, doc.GetDocument()));
  std::string text;
  ASSERT_TRUE(XmlDocument::ReadTextFile(path, text));
  EXPECT_EQ(text, doc.GetDocument());
  XmlDocument reread;
  ASSERT_TRUE(reread.SetDocument(text));
  std::string value;
  ASSERT_TRUE(ReadChildText(reread, "Name", value));
  EXPECT_EQ(value, "\xE4\xB8\xAD & <x>");
}

TEST_F(XmlFiles, FailuresGiveTheSystemMessage) {
  std::string text = "stale", result;
  EXPECT_FALSE(XmlDocument::ReadTextFile(dir_.path() + "missing.xml", text, &result));
  EXPECT_EQ(result, strerror(ENOENT));
  EXPECT_EQ(text, "");
  EXPECT_FALSE(XmlDocument::ReadTextFile(dir_.path(), text, &result));
  EXPECT_EQ(result, strerror(EISDIR));
  EXPECT_FALSE(XmlDocument::WriteTextFile(dir_.path() + "no/such.xml", "x", &result));
  EXPECT_EQ(result, strerror(ENOENT));
  EXPECT_FALSE(XmlDocument::WriteTextFile(dir_.path(), "x", &result));
  EXPECT_EQ(result, strerror(EISDIR));
  EXPECT_FALSE(XmlDocument::ReadTextFile(dir_.path() + "missing.xml", text));
}

// A planted link must not redirect the write to another file.
TEST_F(XmlFiles, WriteDoesNotFollowALink) {
  const std::string target = dir_.path() + "target";
  const std::string link = dir_.path() + "link.xml";
  WriteFile(target, "keep");
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  std::string result;
  EXPECT_FALSE(XmlDocument::WriteTextFile(link, "<a/>", &result));
  EXPECT_EQ(result, strerror(ELOOP));
  EXPECT_EQ(ReadFile(target), "keep");
}

}  // namespace
