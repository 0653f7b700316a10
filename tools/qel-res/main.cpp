// qel-res: lists, extracts and replaces the resources appended to a built
// executable.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/resources.h"

namespace {

constexpr const char* kUsage =
    "usage: qel-res list EXE\n"
    "       qel-res get EXE TYPE/ID [OUTFILE]\n"
    "       qel-res set EXE TYPE/ID FILE\n"
    "       qel-res remove EXE TYPE/ID\n"
    "       qel-res set-version EXE A.B.C.D\n"
    "\n"
    "Resources are the entries of a zip archive appended to EXE, named TYPE/ID\n"
    "(XML/106 product configuration, XML/131 language texts, XML/140 service\n"
    "addresses, ZIPRES/133 skin) and VERSION. `get` writes to standard output\n"
    "without OUTFILE. `set` replaces or adds the entry; EXE is rewritten beside\n"
    "itself and renamed into place. Exit status 0 on success, 1 otherwise.\n";

int Fail(const std::string& message) {
  fprintf(stderr, "qel-res: %s\n", message.c_str());
  return 1;
}

const char* StatusText(ResourceStatus status) {
  return status == ResourceStatus::kMissing ? "not found" : "unreadable or damaged";
}

bool ReadWholeFile(const std::string& path, std::string* data) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return false;
  std::stringstream s;
  s << in.rdbuf();
  *data = s.str();
  return !in.bad();
}

// "A.B.C.D", each part 0 to 65535 as in a version resource.
bool IsVersion(const std::string& text) {
  unsigned parts[4];
  char tail = 0;
  if (sscanf(text.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3], &tail) != 4)
    return false;
  for (unsigned p : parts) {
    if (p > 65535)
      return false;
  }
  return text.find_first_not_of("0123456789.") == std::string::npos;
}

int List(const std::string& exe) {
  std::vector<ResourceEntry> entries;
  ResourceStatus status = ListResources(exe, &entries);
  if (status == ResourceStatus::kUnreadable)
    return Fail(exe + ": resource archive " + StatusText(status));
  for (const ResourceEntry& e : entries)
    printf("%-16s %llu\n", e.name.c_str(), static_cast<unsigned long long>(e.size));
  return 0;
}

int Get(const std::string& exe, const std::string& name, const char* out_path) {
  std::string bytes;
  ResourceStatus status = ReadResource(exe, name, &bytes);
  if (status != ResourceStatus::kOk)
    return Fail(exe + ": " + name + " " + StatusText(status));
  if (!out_path) {
    return fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && fflush(stdout) == 0
               ? 0
               : Fail("cannot write to standard output");
  }
  std::ofstream out(out_path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return out ? 0 : Fail(std::string(out_path) + ": cannot write");
}

// Applies `change` to the entries of `exe` and writes them back.
template <typename Change>
int Update(const std::string& exe, Change change) {
  std::map<std::string, std::string> entries;
  ResourceStatus status = ReadAllResources(exe, &entries);
  if (status != ResourceStatus::kOk)
    return Fail(exe + ": resource archive " + StatusText(status));
  std::string error;
  if (!change(entries, &error))
    return Fail(error);
  if (!WriteResources(exe, entries, &error))
    return Fail(error);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    fputs(kUsage, args.empty() ? stderr : stdout);
    return args.empty() ? 1 : 0;
  }
  const std::string& command = args[0];
  if (command == "list" && args.size() == 2)
    return List(args[1]);
  if (command == "get" && (args.size() == 3 || args.size() == 4))
    return Get(args[1], args[2], args.size() == 4 ? args[3].c_str() : nullptr);
  if (command == "set" && args.size() == 4) {
    std::string data;
    if (!ReadWholeFile(args[3], &data))
      return Fail(args[3] + ": " + strerror(errno));
    if (data.size() > kMaxResourceSize)
      return Fail(args[3] + ": larger than 64 MiB");
    return Update(args[1], [&](std::map<std::string, std::string>& entries, std::string*) {
      entries[args[2]] = data;
      return true;
    });
  }
  if (command == "remove" && args.size() == 3) {
    return Update(args[1], [&](std::map<std::string, std::string>& entries, std::string* error) {
      if (entries.erase(args[2]) == 0) {
        *error = args[1] + ": " + args[2] + " not found";
        return false;
      }
      return true;
    });
  }
  if (command == "set-version" && args.size() == 3) {
    if (!IsVersion(args[2]))
      return Fail(args[2] + ": not a version A.B.C.D");
    return Update(args[1], [&](std::map<std::string, std::string>& entries, std::string*) {
      entries["VERSION"] = args[2];
      return true;
    });
  }
  fputs(kUsage, stderr);
  return 1;
}
