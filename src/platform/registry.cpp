#include "platform/registry.h"

#include <unistd.h>

#include <vector>

#include "foundation/path.h"
#include "platform/registry_hive.h"

namespace {

constexpr std::string_view kWowNode = "WOW6432Node";

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z')
      x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z')
      y = static_cast<char>(y - 'A' + 'a');
    if (x != y)
      return false;
  }
  return true;
}

std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    size_t sep = path.find('\\');
    std::string_view part = path.substr(0, sep);
    if (!part.empty())
      parts.push_back(part);
    if (sep == std::string_view::npos)
      break;
    path.remove_prefix(sep + 1);
  }
  return parts;
}

// The path's components as stored, after the view's redirection.
std::vector<std::string_view> ViewParts(RegRoot root, std::string_view path, RegView view) {
  std::vector<std::string_view> parts = SplitPath(path);
  bool redirect = root == RegRoot::kLocalMachine && view != RegView::k64 && !parts.empty() &&
                  EqualsNoCase(parts[0], "Software") &&
                  !(parts.size() > 1 && EqualsNoCase(parts[1], kWowNode));
  if (redirect)
    parts.insert(parts.begin() + 1, kWowNode);
  return parts;
}

}  // namespace

std::string RegistryHivePath(RegRoot root) {
  if (root == RegRoot::kLocalMachine)
    return UnderSysroot("/var/lib/qel/registry/machine.db");
  std::string home = EffectiveUserHome();
  if (home.empty())
    return {};
  return home + ".local/share/qel/registry/user.db";
}

std::string MapRegistryView(RegRoot root, std::string_view path, RegView view) {
  std::string out;
  for (std::string_view part : ViewParts(root, path, view)) {
    if (!out.empty())
      out.push_back('\\');
    out.append(part);
  }
  return out;
}

RegKey::RegKey() = default;
RegKey::~RegKey() = default;
RegKey::RegKey(RegKey&&) noexcept = default;
RegKey& RegKey::operator=(RegKey&&) noexcept = default;

void RegKey::Close() {
  hive_.reset();
  id_ = 0;
}

bool RegKey::Open(RegRoot root, std::string_view path, RegView view) {
  Close();
  std::shared_ptr<RegistryHive> hive = RegistryHive::Open(RegistryHivePath(root), false);
  if (!hive)
    return false;
  int64_t id = RegistryHive::kRootId;
  for (std::string_view part : ViewParts(root, path, view)) {
    if (!hive->FindChild(id, part, &id))
      return false;
  }
  hive_ = std::move(hive);
  id_ = id;
  return true;
}

bool RegKey::Create(RegRoot root, std::string_view path, RegView view) {
  Close();
  std::shared_ptr<RegistryHive> hive = RegistryHive::Open(RegistryHivePath(root), true);
  if (!hive)
    return false;
  int64_t id = RegistryHive::kRootId;
  for (std::string_view part : ViewParts(root, path, view)) {
    if (!hive->CreateChild(id, part, &id))
      return false;
  }
  hive_ = std::move(hive);
  id_ = id;
  return true;
}

bool RegKey::EnumSubkey(uint32_t index, std::string* name) const {
  return Valid() && hive_->ChildAt(id_, index, name);
}

bool RegKey::EnumValue(uint32_t index, std::string* name, RegValue* value) const {
  return Valid() && hive_->ValueAt(id_, index, name, value);
}

bool RegKey::ReadValue(std::string_view name, RegValue* value) const {
  return Valid() && hive_->ReadValue(id_, name, value);
}

bool RegKey::ReadString(std::string_view name, std::string* value) const {
  RegValue v;
  if (!ReadValue(name, &v) || v.type != kRegSz)
    return false;
  *value = std::move(v.text);
  return true;
}

bool RegKey::ReadDword(std::string_view name, uint32_t* value) const {
  RegValue v;
  if (!ReadValue(name, &v) || v.type != kRegDword)
    return false;
  *value = v.dword;
  return true;
}

bool RegKey::WriteValue(std::string_view name, const RegValue& value) {
  return Valid() && hive_->WriteValue(id_, name, value);
}

bool RegKey::WriteString(std::string_view name, std::string_view value) {
  RegValue v;
  v.type = kRegSz;
  v.text = value;
  return WriteValue(name, v);
}

bool RegKey::WriteDword(std::string_view name, uint32_t value) {
  RegValue v;
  v.type = kRegDword;
  v.dword = value;
  return WriteValue(name, v);
}

bool RegKey::DeleteValue(std::string_view name) {
  return Valid() && hive_->DeleteValue(id_, name);
}

bool RegKey::DeleteSubtree(std::string_view subkey) {
  if (!Valid())
    return false;
  int64_t id = id_;
  for (std::string_view part : SplitPath(subkey)) {
    if (!hive_->FindChild(id, part, &id))
      return false;
  }
  return id != id_ && hive_->DeleteTree(id);
}

bool DeleteRegKey(RegRoot root, std::string_view path, RegView view) {
  RegKey base;
  if (!base.Open(root, "", view))
    return false;
  return base.DeleteSubtree(MapRegistryView(root, path, view));
}
