// Parsing and key lookup on a configuration-style document of about 10 MB.
#include <benchmark/benchmark.h>

#include <string>

#include "foundation/xml_document.h"

namespace {

constexpr int kKeys = 20;

std::string KeyName(int k) {
  return "Key" + std::to_string(k);
}

// Sections of keyed values, as the product and runtime configurations look,
// with CDATA, attributes, entities and comments mixed in.
std::string BuildDocument(size_t target_bytes) {
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<config>\r\n";
  for (int s = 0; text.size() < target_bytes; ++s) {
    text += "  <Section id=\"" + std::to_string(s) + "\" name='part &amp; " + std::to_string(s) +
            "'>\r\n";
    for (int k = 0; k < kKeys; ++k) {
      const std::string key = KeyName(k);
      text += "    <" + key + ">";
      switch (k % 4) {
        case 0:
          text += "<![CDATA[https://cdn.example.test/pkg/" + std::to_string(s) + "?a=1&b=2]]>";
          break;
        case 1:
          text += "value &lt;" + std::to_string(k) + "&gt; &#x41;&#66;";
          break;
        case 2:
          text += "1";
          break;
        default:
          text += "<!-- note -->plain text for key " + std::to_string(k);
      }
      text += "</" + key + ">\r\n";
    }
    text += "    <Item lang=\"en\" n='" + std::to_string(s) + "'/>\r\n  </Section>\r\n";
  }
  return text + "</config>\r\n";
}

const std::string& Document() {
  static const std::string text = BuildDocument(10 << 20);
  return text;
}

void BM_SetDocument(benchmark::State& state) {
  const std::string& text = Document();
  XmlDocument doc;
  for (auto _ : state) {
    bool ok = doc.SetDocument(text);
    benchmark::DoNotOptimize(ok);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_SetDocument)->Unit(benchmark::kMillisecond);

// Every key of every section, read the way configuration readers do, in an
// order unlike the document's.
void BM_ReadChildTextWalk(benchmark::State& state) {
  XmlDocument doc;
  if (!doc.SetDocument(Document())) {
    state.SkipWithError("document not well formed");
    return;
  }
  std::string names[kKeys];
  for (int k = 0; k < kKeys; ++k)
    names[k] = KeyName((k * 7) % kKeys);
  int64_t lookups = 0;
  for (auto _ : state) {
    doc.ResetPositions();
    doc.FindElement("config");
    std::string value;
    while (doc.FindChildElement("Section")) {
      doc.IntoElement();
      for (const std::string& name : names)
        lookups += ReadChildText(doc, name, value);
      doc.OutOfElement();
    }
    benchmark::DoNotOptimize(value);
  }
  state.SetItemsProcessed(lookups);
}
BENCHMARK(BM_ReadChildTextWalk)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
