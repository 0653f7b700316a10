// One hive of the registry: an SQLite database of keys (a tree below the
// root key, id 1) and values. Used only by registry.cpp.
#ifndef QEL_PLATFORM_REGISTRY_HIVE_H_
#define QEL_PLATFORM_REGISTRY_HIVE_H_

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/registry.h"

class RegistryHive {
 public:
  static constexpr int64_t kRootId = 1;

  // Opens the database at `path`. Without `create`, a missing file, an empty
  // or corrupt database gives null (a corrupt one is logged). With `create`,
  // the file and its schema are made when missing, and a corrupt database is
  // moved aside to "<path>.corrupt" and started afresh.
  static std::shared_ptr<RegistryHive> Open(const std::string& path, bool create);

  ~RegistryHive();
  RegistryHive(const RegistryHive&) = delete;
  RegistryHive& operator=(const RegistryHive&) = delete;

  bool FindChild(int64_t parent, std::string_view name, int64_t* id);
  // Finds or makes the child; false when the parent is gone.
  bool CreateChild(int64_t parent, std::string_view name, int64_t* id);
  bool ChildAt(int64_t parent, uint32_t index, std::string* name);
  bool ValueAt(int64_t key, uint32_t index, std::string* name, RegValue* value);
  bool ReadValue(int64_t key, std::string_view name, RegValue* value);
  // False when the key is gone.
  bool WriteValue(int64_t key, std::string_view name, const RegValue& value);
  bool DeleteValue(int64_t key, std::string_view name);
  // Deletes the key and everything below it.
  bool DeleteTree(int64_t key);

 private:
  RegistryHive(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}
  static std::shared_ptr<RegistryHive> Connect(const std::string& path, bool create, int* rc);
  bool InitSchema(int* rc);
  // Logs a failed call once per hive; returns false.
  bool Fail(int rc, const char* what);

  sqlite3* db_;
  std::string path_;
  bool reported_ = false;
};

#endif  // QEL_PLATFORM_REGISTRY_HIVE_H_
