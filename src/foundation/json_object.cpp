#include "foundation/json_object.h"

#include <cjson/cJSON.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

constexpr char kParseError[] = "prase json string error at ";

// Parses `text`; on failure fills `error` with where the parser stopped.
cJSON* Parse(const std::string& text, std::string& error) {
  const char* end = nullptr;
  cJSON* node = cJSON_ParseWithLengthOpts(text.c_str(), text.size() + 1, &end, 0);
  if (!node) {
    size_t pos = end && end >= text.c_str() ? static_cast<size_t>(end - text.c_str()) : 0;
    error = kParseError + text.substr(pos < text.size() ? pos : text.size());
  }
  return node;
}

std::string Print(const cJSON* node, bool formatted) {
  if (!node)
    return {};
  char* text = formatted ? cJSON_Print(node) : cJSON_PrintUnformatted(node);
  if (!text)
    return {};
  std::string out(text);
  cJSON_free(text);
  return out;
}

// A number as a whole value of type T, truncated toward zero; false when it
// does not fit.
template <typename T>
bool ToInteger(const cJSON* node, T& out) {
  if (cJSON_IsRaw(node) && node->valuestring) {
    // Written by CreateInteger below.
    char* end = nullptr;
    errno = 0;
    long long value = strtoll(node->valuestring, &end, 10);
    if (errno || *end || value < std::numeric_limits<T>::min() ||
        value > std::numeric_limits<T>::max())
      return false;
    out = static_cast<T>(value);
    return true;
  }
  if (!cJSON_IsNumber(node))
    return false;
  double value = std::trunc(node->valuedouble);
  // The upper bound is exclusive: max()+1 is exactly representable.
  constexpr double kLow = static_cast<double>(std::numeric_limits<T>::min());
  constexpr double kHigh = -kLow;
  if (!(value >= kLow && value < kHigh))
    return false;
  out = static_cast<T>(value);
  return true;
}

// Numbers beyond 2^53 lose digits as doubles; such values are stored as raw
// number text so that they print exactly.
cJSON* CreateInteger(int64_t value) {
  constexpr int64_t kExact = int64_t{1} << 53;
  if (value > -kExact && value < kExact)
    return cJSON_CreateNumber(static_cast<double>(value));
  return cJSON_CreateRaw(std::to_string(value).c_str());
}

}  // namespace

CJsonObject::CJsonObject() = default;

CJsonObject::CJsonObject(const std::string& text) {
  ParseText(text);
}

CJsonObject::~CJsonObject() {
  Clear();
}

void CJsonObject::Clear() {
  // Views borrow nodes of this tree: they go first.
  by_key_.clear();
  by_index_.clear();
  if (owned_)
    cJSON_Delete(owned_);
  owned_ = nullptr;
  borrowed_ = nullptr;
}

bool CJsonObject::ParseText(const std::string& text) {
  std::string error;
  cJSON* node = Parse(text, error);
  if (!node) {
    error_ = error;
    return false;
  }
  Clear();
  owned_ = node;
  return true;
}

std::string CJsonObject::ToCompactText() const {
  return Print(Node(), false);
}

std::string CJsonObject::ToFormattedText() const {
  return Print(Node(), true);
}

bool CJsonObject::IsObject() const {
  return cJSON_IsObject(Node());
}

bool CJsonObject::IsArray() const {
  return cJSON_IsArray(Node());
}

cJSON* CJsonObject::Member(const std::string& key) const {
  cJSON* node = Node();
  if (!cJSON_IsObject(node))
    return nullptr;
  return cJSON_GetObjectItem(node, key.c_str());
}

bool CJsonObject::GetMember(const std::string& key, CJsonObject& out) const {
  cJSON* member = Member(key);
  if (!member || &out == this)
    return false;
  return out.ParseText(Print(member, true));
}

bool CJsonObject::GetMember(const std::string& key, std::string& out) const {
  cJSON* member = Member(key);
  if (!cJSON_IsString(member) || !member->valuestring)
    return false;
  out = member->valuestring;
  return true;
}

bool CJsonObject::GetMember(const std::string& key, int32_t& out) const {
  return ToInteger(Member(key), out);
}

bool CJsonObject::GetMember(const std::string& key, int64_t& out) const {
  return ToInteger(Member(key), out);
}

bool CJsonObject::GetMember(const std::string& key, bool& out) const {
  cJSON* member = Member(key);
  if (!cJSON_IsBool(member))
    return false;
  out = cJSON_IsTrue(member);
  return true;
}

bool CJsonObject::IsNullMember(const std::string& key) const {
  return cJSON_IsNull(Member(key));
}

// A view made while its member was missing would stay empty after the member
// is added; point the cached views at the current nodes instead (callers may
// still hold them, so they are never dropped).
void CJsonObject::RefreshViews() {
  for (auto& [key, view] : by_key_) {
    if (!view->Node())
      view->borrowed_ = Member(key);
  }
  cJSON* node = Node();
  for (auto& [index, view] : by_index_) {
    if (!view->Node() && cJSON_IsArray(node) && index >= 0)
      view->borrowed_ = cJSON_GetArrayItem(node, index);
  }
}

CJsonObject& CJsonObject::Child(const std::string& key) {
  std::unique_ptr<CJsonObject>& view = by_key_[key];
  if (!view) {
    view = std::make_unique<CJsonObject>();
    view->borrowed_ = Member(key);
  }
  return *view;
}

CJsonObject& CJsonObject::Child(int index) {
  std::unique_ptr<CJsonObject>& view = by_index_[index];
  if (!view) {
    view = std::make_unique<CJsonObject>();
    cJSON* node = Node();
    if (cJSON_IsArray(node) && index >= 0)
      view->borrowed_ = cJSON_GetArrayItem(node, index);
  }
  return *view;
}

int CJsonObject::ArraySize() const {
  cJSON* node = Node();
  return cJSON_IsArray(node) ? cJSON_GetArraySize(node) : 0;
}

// Creates the root object when there is none and checks that `key` can be
// added.
bool CJsonObject::PrepareAdd(const std::string& key) {
  if (!Node()) {
    owned_ = cJSON_CreateObject();
    if (!owned_) {
      error_ = "json data is null!";
      return false;
    }
  }
  if (!cJSON_IsObject(Node())) {
    error_ = "not a json object! json array?";
    return false;
  }
  if (cJSON_GetObjectItem(Node(), key.c_str())) {
    error_ = "key exists!";
    return false;
  }
  return true;
}

bool CJsonObject::AttachMember(const std::string& key, cJSON* item) {
  if (!item) {
    error_ = "json data is null!";
    return false;
  }
  if (!PrepareAdd(key)) {
    cJSON_Delete(item);
    return false;
  }
  cJSON_AddItemToObject(Node(), key.c_str(), item);
  RefreshViews();
  return true;
}

bool CJsonObject::AddMember(const std::string& key, const std::string& value) {
  return AttachMember(key, cJSON_CreateString(value.c_str()));
}

bool CJsonObject::AddMember(const std::string& key, const char* value) {
  return AddMember(key, std::string(value ? value : ""));
}

bool CJsonObject::AddMember(const std::string& key, int32_t value) {
  return AttachMember(key, cJSON_CreateNumber(value));
}

bool CJsonObject::AddMember(const std::string& key, int64_t value) {
  return AttachMember(key, CreateInteger(value));
}

bool CJsonObject::AddEmptyArrayMember(const std::string& key) {
  if (!PrepareAdd(key))
    return false;
  cJSON* array = cJSON_CreateArray();
  if (!array) {
    error_ = "create sub empty array error!";
    return false;
  }
  cJSON_AddItemToObject(Node(), key.c_str(), array);
  RefreshViews();
  return true;
}

bool CJsonObject::AppendElement(const CJsonObject& element) {
  if (!Node()) {
    owned_ = cJSON_CreateArray();
    if (!owned_) {
      error_ = "json data is null!";
      return false;
    }
  }
  if (!cJSON_IsArray(Node())) {
    error_ = "not a json array! json object?";
    return false;
  }
  std::string error;
  cJSON* copy = Parse(element.ToFormattedText(), error);
  if (!copy) {
    error_ = error;
    return false;
  }
  cJSON_AddItemToArray(Node(), copy);
  RefreshViews();
  return true;
}
