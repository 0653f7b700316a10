// The registry: a tree of keys holding named REG_SZ and REG_DWORD values,
// kept in one SQLite database per hive (the machine hive, and one hive per
// user). Key and value names match without regard to case and are kept as
// written. Several processes may use a hive at once.
#ifndef QEL_PLATFORM_REGISTRY_H_
#define QEL_PLATFORM_REGISTRY_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

enum class RegRoot { kLocalMachine, kCurrentUser };

// The 32-bit view of HKLM\Software\X is HKLM\Software\WOW6432Node\X; the
// default view is the 32-bit one, as for the 32-bit process the installer
// was designed as.
enum class RegView { kDefault, k32, k64 };

enum RegType : uint32_t { kRegNone = 0, kRegSz = 1, kRegDword = 4 };

struct RegValue {
  RegType type = kRegNone;
  std::string text;    // kRegSz
  uint32_t dword = 0;  // kRegDword
};

class RegistryHive;

class RegKey {
 public:
  RegKey();
  ~RegKey();
  RegKey(RegKey&&) noexcept;
  RegKey& operator=(RegKey&&) noexcept;

  // Opens an existing key. False when the key is missing or the hive cannot
  // be read (a corrupt hive is logged and reads as empty).
  bool Open(RegRoot root, std::string_view path, RegView view = RegView::kDefault);
  // Opens the key, creating every missing level.
  bool Create(RegRoot root, std::string_view path, RegView view = RegView::kDefault);
  bool Valid() const { return id_ != 0; }
  void Close();

  // Names of subkeys and values in case-insensitive name order; false past
  // the last one.
  bool EnumSubkey(uint32_t index, std::string* name) const;
  bool EnumValue(uint32_t index, std::string* name, RegValue* value) const;

  // The empty name is the key's default value.
  bool ReadValue(std::string_view name, RegValue* value) const;
  // False when the value is missing or of another type.
  bool ReadString(std::string_view name, std::string* value) const;
  bool ReadDword(std::string_view name, uint32_t* value) const;

  bool WriteString(std::string_view name, std::string_view value);
  bool WriteDword(std::string_view name, uint32_t value);
  bool DeleteValue(std::string_view name);
  // Deletes the named subkey and everything below it.
  bool DeleteSubtree(std::string_view subkey);

 private:
  bool WriteValue(std::string_view name, const RegValue& value);

  std::shared_ptr<RegistryHive> hive_;
  int64_t id_ = 0;
};

// The key path that `view` turns `path` into: HKLM\Software\X becomes
// Software\WOW6432Node\X in the 32-bit and default views. A path already
// under WOW6432Node is left alone. Separators are "\"; empty components
// are dropped.
std::string MapRegistryView(RegRoot root, std::string_view path, RegView view);

// Deletes a key and everything below it.
bool DeleteRegKey(RegRoot root, std::string_view path, RegView view = RegView::kDefault);

// Database files: <sysroot>/var/lib/qel/registry/machine.db and, for the
// effective user, ~/.local/share/qel/registry/user.db.
std::string RegistryHivePath(RegRoot root);

#endif  // QEL_PLATFORM_REGISTRY_H_
