// qel-reg: reads and writes the registry like reg.exe, so that product
// installers and tests can register products.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "reg_args.h"

namespace {

constexpr const char* kUsage =
    "usage: qel-reg query KEY [/v NAME | /ve] [/s] [/reg:32 | /reg:64]\n"
    "       qel-reg add KEY [/v NAME | /ve] [/t REG_SZ | REG_DWORD] [/d DATA] [/f]\n"
    "               [/reg:32 | /reg:64]\n"
    "       qel-reg delete KEY [/v NAME | /ve | /va] [/f] [/reg:32 | /reg:64]\n"
    "\n"
    "KEY is HKLM\\Software\\... (HKEY_LOCAL_MACHINE) or HKCU\\... (HKEY_CURRENT_USER).\n"
    "/reg:32 works in the 32-bit view, where HKLM\\Software\\X is\n"
    "HKLM\\Software\\WOW6432Node\\X; /reg:64, the default on a 64-bit system, in the\n"
    "plain one. REG_DWORD data is decimal or 0x hexadecimal. Without /f, add asks\n"
    "before overwriting and delete before deleting. The hives live under\n"
    "$QEL_SYSROOT/var/lib/qel/registry/ (machine) and\n"
    "~/.local/share/qel/registry/ (user). Exit status 0 on success, 1 otherwise.\n";

constexpr const char* kNotFound =
    "ERROR: The system was unable to find the specified registry key or value.";

int Error(const std::string& text) {
  fprintf(stderr, "%s\n", text.c_str());
  return 1;
}

int Done() {
  printf("The operation completed successfully.\n");
  return 0;
}

bool Confirm(const std::string& question) {
  printf("%s (Yes/No)? ", question.c_str());
  fflush(stdout);
  std::string answer;
  if (!std::getline(std::cin, answer))
    answer.clear();
  for (char& c : answer)
    c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return answer == "y" || answer == "yes";
}

int Canceled() {
  printf("The operation was canceled by the user.\n");
  return 1;
}

struct Target {
  const RegArgs& args;
  std::string path;  // after the view's redirection; opened in the plain view

  std::string FullName(const std::string& below) const {
    std::string name = args.root_name;
    if (!below.empty())
      name += "\\" + below;
    return name;
  }
  bool Open(const std::string& below, RegKey* key) const {
    return key->Open(args.root, below, RegView::k64);
  }
};

std::string Join(const std::string& a, const std::string& b) {
  return a.empty() ? b : a + "\\" + b;
}

void PrintValue(const std::string& name, const RegValue& value) {
  const char* shown = name.empty() ? "(Default)" : name.c_str();
  if (value.type == kRegDword)
    printf("    %s    REG_DWORD    0x%x\n", shown, value.dword);
  else
    printf("    %s    REG_SZ    %s\n", shown, value.text.c_str());
}

// Prints the values of `key` (only `wanted` when set); returns how many.
int PrintValues(const RegKey& key, const std::optional<std::string>& wanted) {
  if (wanted) {
    RegValue value;
    if (!key.ReadValue(*wanted, &value))
      return 0;
    PrintValue(*wanted, value);
    return 1;
  }
  int count = 0;
  std::string name;
  RegValue value;
  for (uint32_t i = 0; key.EnumValue(i, &name, &value); ++i, ++count)
    PrintValue(name, value);
  return count;
}

std::vector<std::string> Subkeys(const RegKey& key) {
  std::vector<std::string> names;
  std::string name;
  for (uint32_t i = 0; key.EnumSubkey(i, &name); ++i)
    names.push_back(name);
  return names;
}

// Depth first, as reg.exe /s; returns the number of matches.
int QueryTree(const Target& t, const std::string& path, const RegKey& key) {
  int matches = 0;
  if (t.args.value) {
    RegValue value;
    if (key.ReadValue(*t.args.value, &value)) {
      printf("\n%s\n", t.FullName(path).c_str());
      PrintValue(*t.args.value, value);
      matches = 1;
    }
  } else {
    printf("\n%s\n", t.FullName(path).c_str());
    matches = 1 + PrintValues(key, std::nullopt);
  }
  for (const std::string& sub : Subkeys(key)) {
    RegKey child;
    std::string child_path = Join(path, sub);
    if (t.Open(child_path, &child))
      matches += QueryTree(t, child_path, child);
  }
  return matches;
}

int Query(const Target& t) {
  RegKey key;
  if (!t.Open(t.path, &key))
    return Error(kNotFound);
  if (t.args.recurse) {
    int matches = QueryTree(t, t.path, key);
    if (t.args.value) {
      printf("\nEnd of search: %d match(es) found.\n", matches);
      return matches > 0 ? 0 : 1;
    }
    return 0;
  }
  if (t.args.value) {
    RegValue value;
    if (!key.ReadValue(*t.args.value, &value))
      return Error(kNotFound);
    printf("\n%s\n", t.FullName(t.path).c_str());
    PrintValue(*t.args.value, value);
    printf("\n");
    return 0;
  }
  printf("\n%s\n", t.FullName(t.path).c_str());
  if (PrintValues(key, std::nullopt) > 0)
    printf("\n");
  for (const std::string& sub : Subkeys(key))
    printf("%s\n", t.FullName(Join(t.path, sub)).c_str());
  return 0;
}

bool ParseDword(const std::string& text, uint32_t* value) {
  if (text.empty() || text[0] == '-' || text[0] == '+')
    return false;
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  char* end = nullptr;
  errno = 0;
  unsigned long long v = strtoull(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
  if (errno != 0 || *end != '\0' || v > 0xffffffffull)
    return false;
  *value = static_cast<uint32_t>(v);
  return true;
}

int Add(const Target& t) {
  RegValue value;
  if (t.args.type == "REG_DWORD") {
    value.type = kRegDword;
    if (!ParseDword(t.args.data.value_or("0"), &value.dword))
      return Error("ERROR: Invalid data for REG_DWORD: " + t.args.data.value_or(""));
  } else {
    value.type = kRegSz;
    value.text = t.args.data.value_or("");
  }
  RegKey key;
  if (!key.Create(t.args.root, t.path, RegView::k64))
    return Error("ERROR: Access is denied.");
  if (!t.args.value)
    return Done();
  const std::string& name = *t.args.value;
  RegValue old;
  if (!t.args.force && key.ReadValue(name, &old) &&
      !Confirm("Value " + (name.empty() ? std::string("(Default)") : name) + " exists, overwrite"))
    return Canceled();
  bool ok = value.type == kRegDword ? key.WriteDword(name, value.dword)
                                    : key.WriteString(name, value.text);
  return ok ? Done() : Error("ERROR: Access is denied.");
}

int Delete(const Target& t) {
  RegKey key;
  if (!t.Open(t.path, &key))
    return Error(kNotFound);
  if (t.args.all_values) {
    if (!t.args.force && !Confirm("Delete all values under the registry key " + t.FullName(t.path)))
      return Canceled();
    std::string name;
    RegValue value;
    while (key.EnumValue(0, &name, &value)) {
      if (!key.DeleteValue(name))
        return Error("ERROR: Access is denied.");
    }
    return Done();
  }
  if (t.args.value) {
    RegValue value;
    if (!key.ReadValue(*t.args.value, &value))
      return Error(kNotFound);
    if (!t.args.force &&
        !Confirm("Delete the registry value " +
                 (t.args.value->empty() ? std::string("(Default)") : *t.args.value)))
      return Canceled();
    return key.DeleteValue(*t.args.value) ? Done() : Error("ERROR: Access is denied.");
  }
  if (t.path.empty())
    return Error("ERROR: Invalid key name.");
  if (!t.args.force && !Confirm("Permanently delete the registry key " + t.FullName(t.path)))
    return Canceled();
  return DeleteRegKey(t.args.root, t.path, RegView::k64) ? Done()
                                                         : Error("ERROR: Access is denied.");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "/?")) {
    fputs(kUsage, stdout);
    return 0;
  }
  RegArgs parsed;
  std::string error;
  if (!ParseRegArgs(args, &parsed, &error))
    return Error(error);
  Target target{parsed, MapRegistryView(parsed.root, parsed.path, parsed.view)};
  if (parsed.command == "query")
    return Query(target);
  if (parsed.command == "add")
    return Add(target);
  return Delete(target);
}
