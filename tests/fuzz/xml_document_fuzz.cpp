// Feeds arbitrary bytes to the XML reader, walks the result with the cursor
// the way the configuration readers do, and adds an element. For a
// well-formed input the edited index must still describe the edited text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/xml_document.h"

namespace {

// Every element as "depth name=text", depth first, with a step limit.
std::string Outline(XmlDocument doc) {  // a copy: the walk moves the cursor
  std::string out;
  doc.ResetPositions();
  if (!doc.FindElement())
    return out;
  size_t depth = 0;
  for (int steps = 0; steps < 4096; ++steps) {
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
  return out;
}

void Check(bool ok) {
  if (!ok)
    abort();
}

// Navigation chosen by the input's own bytes, a bounded number of steps.
// Returns how deep below the top the cursor's parent is.
int Walk(XmlDocument& doc, const uint8_t* data, size_t size) {
  int depth = 0;
  std::string value;
  for (size_t i = 0; i < size && i < 256; ++i) {
    switch (data[i] % 8) {
      case 0:
        doc.FindElement();
        break;
      case 1:
        doc.FindChildElement();
        break;
      case 2:
        depth += doc.IntoElement();
        break;
      case 3:
        depth -= doc.OutOfElement();
        break;
      case 4:
        doc.ResetChildPosition();
        break;
      case 5:
        doc.FindChildElement("a");
        break;
      case 6:
        ReadChildText(doc, "b", value);
        break;
      default:
        doc.FindElement("a");
    }
    doc.GetText();
    doc.GetAttribute("a");
    doc.GetTagName();
  }
  return depth;
}

// Index and text must agree after an edit: compare with a fresh parse.
void CheckAgainstFreshParse(XmlDocument& doc, bool expect_well_formed) {
  XmlDocument fresh;
  Check(fresh.SetDocument(doc.GetDocument()) || !expect_well_formed);
  Check(Outline(doc) == Outline(fresh));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  XmlDocument doc;
  const bool well_formed = doc.SetDocument(text);
  int depth = Walk(doc, data, size);

  const std::string added = "x<&>\"y";
  Check(doc.AddElement("added", added));
  Check(doc.GetTagName() == "added");
  Check(doc.GetText() == added);
  if (!well_formed)
    return 0;
  CheckAgainstFreshParse(doc, depth > 0);
  // Adding after the parent relies on its length having grown.
  depth -= doc.OutOfElement();
  Check(doc.AddElement("second"));
  CheckAgainstFreshParse(doc, depth > 0);
  return 0;
}
