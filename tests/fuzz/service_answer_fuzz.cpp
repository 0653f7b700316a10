// Feeds arbitrary bytes to the readers of the maker's service answers: the
// text scanning of the strategy answers and the runtime document.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/server_xml.h"
#include "service/json_scan.h"
#include "service/service_access.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  HasSuccessText(text);
  ServiceResultCode(text);
  ParseRelationIds(text);
  std::string_view part;
  if (FindDataPart(text, &part)) {
    for (const char* key : {"slice_count", "version", "hit_strategy", "data", ""}) {
      FindJsonInt(part, key);
      FindJsonString(part, key);
      FindJsonBool(part, key);
    }
  }
  RuntimeConfig runtime;
  std::vector<DependentItem> dependents(2);
  dependents[0].ProductID = "10819";
  RecordingConfigTelemetry telemetry;
  ReadRuntimeDocument(text, 1767225600, &runtime, &dependents, &telemetry);
  RuntimeMd5List(runtime);
  return 0;
}
