#include "app/command_line.h"

#include "foundation/text.h"

namespace {

bool IsUtf8(const std::string& text) {
  std::string_view rest = text;
  while (!rest.empty()) {
    size_t n = Utf8SequenceLength(rest);
    if (n == 0)
      return false;
    rest.remove_prefix(n);
  }
  return true;
}

}  // namespace

ArgumentMap ParseCommandLine(const std::vector<std::string>& args) {
  ArgumentMap map;
  for (const std::string& raw : args) {
    std::string arg = IsUtf8(raw) ? raw : AnsiToWide(raw);
    size_t eq = arg.find('=');
    if (eq == std::string::npos)
      map[arg] = std::string();
    else
      map[arg.substr(0, eq)] = arg.substr(eq + 1);
  }
  return map;
}

bool IsForkMode(const ArgumentMap& args) {
  return ArgumentValue(args, "OnlyForkInstallDependent") == "1";
}

std::string ArgumentValue(const ArgumentMap& args, const std::string& key) {
  auto it = args.find(key);
  return it == args.end() ? std::string() : it->second;
}

bool ParseHostWindow(const std::string& text, uint64_t* handle) {
  if (text.empty() || text.size() > 20)
    return false;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    uint64_t digit = static_cast<uint64_t>(c - '0');
    if (value > (UINT64_MAX - digit) / 10)
      return false;
    value = value * 10 + digit;
  }
  *handle = value;
  return true;
}
