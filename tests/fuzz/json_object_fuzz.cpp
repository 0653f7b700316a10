// Feeds arbitrary bytes to the JSON parser and reads members the way the
// service clients do.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/json_object.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  CJsonObject json;
  if (!json.ParseText(text))
    return 0;
  std::string s;
  int32_t i32;
  int64_t i64;
  bool flag;
  for (const char* key : {"code", "data", "msg", "token", "list"}) {
    json.GetMember(key, s);
    json.GetMember(key, i32);
    json.GetMember(key, i64);
    json.GetMember(key, flag);
    json.IsNullMember(key);
    CJsonObject& child = json.Child(key);
    for (int i = 0; i < child.ArraySize() && i < 8; ++i)
      child.Child(i).ToCompactText();
    CJsonObject copy;
    json.GetMember(key, copy);
    copy.AddMember("added", 1);
  }
  CJsonObject array;
  array.AppendElement(json);
  json.AddMember("k", "v");
  json.ToCompactText();
  return 0;
}
