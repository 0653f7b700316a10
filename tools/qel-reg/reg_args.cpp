#include "reg_args.h"

#include <strings.h>

#include "platform/machine.h"

namespace {

bool Is(const std::string& arg, const char* option) {
  return strcasecmp(arg.c_str(), option) == 0;
}

bool ParseKey(const std::string& key, RegArgs* out) {
  size_t sep = key.find('\\');
  std::string root = key.substr(0, sep);
  if (Is(root, "HKLM") || Is(root, "HKEY_LOCAL_MACHINE")) {
    out->root = RegRoot::kLocalMachine;
    out->root_name = "HKEY_LOCAL_MACHINE";
  } else if (Is(root, "HKCU") || Is(root, "HKEY_CURRENT_USER")) {
    out->root = RegRoot::kCurrentUser;
    out->root_name = "HKEY_CURRENT_USER";
  } else {
    return false;
  }
  out->path = sep == std::string::npos ? std::string() : key.substr(sep + 1);
  while (!out->path.empty() && out->path.back() == '\\')
    out->path.pop_back();
  return true;
}

}  // namespace

bool ParseRegArgs(const std::vector<std::string>& args, RegArgs* out, std::string* error) {
  *error = "ERROR: Invalid syntax.\nType \"qel-reg --help\" for usage.";
  if (args.size() < 2)
    return false;
  out->command = args[0];
  for (char& c : out->command)
    c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  if (out->command != "query" && out->command != "add" && out->command != "delete")
    return false;
  if (!ParseKey(args[1], out)) {
    *error = "ERROR: Invalid key name.\nType \"qel-reg --help\" for usage.";
    return false;
  }
  // The native tool of a 64-bit system works in the 64-bit view.
  out->view = DetectMachineArch().is_64bit_system ? RegView::k64 : RegView::k32;
  bool is_query = out->command == "query", is_add = out->command == "add";
  int value_options = 0;
  for (size_t i = 2; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool has_next = i + 1 < args.size();
    if (Is(a, "/v") && has_next) {
      out->value = args[++i];
      ++value_options;
    } else if (Is(a, "/ve")) {
      out->value = std::string();
      ++value_options;
    } else if (Is(a, "/va") && out->command == "delete") {
      out->all_values = true;
      ++value_options;
    } else if (Is(a, "/s") && is_query) {
      out->recurse = true;
    } else if (Is(a, "/f") && !is_query) {
      out->force = true;
    } else if (Is(a, "/t") && has_next && is_add) {
      out->type = args[++i];
      for (char& c : out->type)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    } else if (Is(a, "/d") && has_next && is_add) {
      out->data = args[++i];
    } else if (Is(a, "/reg:32")) {
      out->view = RegView::k32;
    } else if (Is(a, "/reg:64")) {
      out->view = RegView::k64;
    } else {
      return false;
    }
  }
  if (value_options > 1)
    return false;
  if (is_add && out->type != "REG_SZ" && out->type != "REG_DWORD") {
    *error = "ERROR: Invalid type " + out->type + ": only REG_SZ and REG_DWORD are supported.";
    return false;
  }
  return true;
}
