// A JSON value over a cJSON tree. An object owns the tree it parsed or
// built, or borrows a node of its parent's tree (a child view). Child views
// are made on demand, cached, and destroyed with their parent; a view must
// not outlive the object it came from. Failures leave the tree unchanged and
// set the error text; nothing throws.
#ifndef QEL_FOUNDATION_JSON_OBJECT_H_
#define QEL_FOUNDATION_JSON_OBJECT_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>

struct cJSON;

class CJsonObject {
 public:
  CJsonObject();
  explicit CJsonObject(const std::string& text);
  ~CJsonObject();
  CJsonObject(const CJsonObject&) = delete;
  CJsonObject& operator=(const CJsonObject&) = delete;

  bool ParseText(const std::string& text);
  std::string ToCompactText() const;
  std::string ToFormattedText() const;

  // Members of an object, by key (letter case ignored).
  bool GetMember(const std::string& key, CJsonObject& out) const;  // deep copy
  bool GetMember(const std::string& key, std::string& out) const;
  bool GetMember(const std::string& key, int32_t& out) const;
  bool GetMember(const std::string& key, int64_t& out) const;
  bool GetMember(const std::string& key, bool& out) const;
  bool IsNullMember(const std::string& key) const;

  // Cached views of a member or an array element; an empty view when missing.
  CJsonObject& Child(const std::string& key);
  CJsonObject& Child(int index);
  // Elements of an array, 0 for anything else.
  int ArraySize() const;

  bool IsEmpty() const { return Node() == nullptr; }
  bool IsObject() const;
  bool IsArray() const;

  bool AddMember(const std::string& key, const std::string& value);
  bool AddMember(const std::string& key, const char* value);
  bool AddMember(const std::string& key, int32_t value);
  bool AddMember(const std::string& key, int64_t value);
  bool AddEmptyArrayMember(const std::string& key);
  bool AppendElement(const CJsonObject& element);

  const std::string& GetErrorText() const { return error_; }

 private:
  cJSON* Node() const { return owned_ ? owned_ : borrowed_; }
  cJSON* Member(const std::string& key) const;
  bool PrepareAdd(const std::string& key);
  bool AttachMember(const std::string& key, cJSON* item);
  void Clear();
  void RefreshViews();

  cJSON* owned_ = nullptr;
  cJSON* borrowed_ = nullptr;
  std::string error_;
  std::map<std::string, std::unique_ptr<CJsonObject>> by_key_;
  std::map<int, std::unique_ptr<CJsonObject>> by_index_;
};

#endif  // QEL_FOUNDATION_JSON_OBJECT_H_
