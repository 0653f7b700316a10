#include "platform/volumes.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "foundation/path.h"

namespace {

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/')
    path.push_back('/');
  return path;
}

// Mount points escape blanks and backslashes as octal ("\040").
std::string Unescape(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() &&
        std::all_of(field.begin() + i + 1, field.begin() + i + 4,
                    [](char c) { return c >= '0' && c <= '7'; })) {
      out.push_back(static_cast<char>(std::stoi(std::string(field.substr(i + 1, 3)), nullptr, 8)));
      i += 3;
    } else {
      out.push_back(field[i]);
    }
  }
  return out;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  std::string field;
  while (in >> field)
    fields.push_back(field);
  return fields;
}

// Read-only images (snaps, discs) are not places to save anything.
bool IsImageType(const std::string& type) {
  return type == "squashfs" || type == "iso9660" || type == "udf" || type == "erofs";
}

std::string SysrootFolder() {
  const char* root = getenv("QEL_SYSROOT");
  return root && *root ? WithSlash(root) : std::string();
}

}  // namespace

std::vector<Volume> ParseMountInfo(std::string_view text, std::string_view sysroot) {
  std::string system_root = sysroot.empty() ? "/" : WithSlash(std::string(sysroot));
  std::vector<Volume> volumes{{system_root, "", ""}};
  std::set<std::string> devices;
  std::istringstream lines{std::string(text)};
  std::string line;
  std::vector<Volume> others;
  while (std::getline(lines, line)) {
    std::vector<std::string> f = Fields(line);
    auto dash = std::find(f.begin(), f.end(), "-");
    if (f.size() < 6 || dash == f.end() || f.end() - dash < 3)
      continue;
    // A bind mount of a sub-folder or a file is not a volume of its own.
    if (f[3] != "/")
      continue;
    Volume v{WithSlash(Unescape(f[4])), Unescape(*(dash + 2)), *(dash + 1)};
    if (v.root == system_root) {
      volumes[0].device = v.device;
      volumes[0].type = v.type;
      devices.insert(f[2]);
      continue;
    }
    if (sysroot.empty()) {
      if (v.device.rfind("/dev/", 0) != 0 || IsImageType(v.type))
        continue;
    } else if (v.root.size() <= system_root.size() || v.root.rfind(system_root, 0) != 0) {
      continue;
    }
    if (!devices.insert(f[2]).second)
      continue;
    others.push_back(std::move(v));
  }
  std::sort(others.begin(), others.end(),
            [](const Volume& a, const Volume& b) { return a.root < b.root; });
  volumes.insert(volumes.end(), others.begin(), others.end());
  return volumes;
}

std::vector<Volume> FixedVolumes() {
  std::ifstream in("/proc/self/mountinfo");
  std::stringstream text;
  text << in.rdbuf();
  return ParseMountInfo(text.str(), SysrootFolder());
}

std::string SystemVolumeRoot() {
  std::string root = SysrootFolder();
  return root.empty() ? "/" : root;
}

bool FreeBytes(const std::string& path, int64_t* bytes) {
  std::string p = path;
  while (!p.empty()) {
    struct statvfs st;
    if (statvfs(p.c_str(), &st) == 0) {
      *bytes = static_cast<int64_t>(st.f_bavail) * static_cast<int64_t>(st.f_frsize);
      return true;
    }
    if (p == "/")
      break;
    while (p.size() > 1 && p.back() == '/')
      p.pop_back();
    p = FolderOf(p);
  }
  return false;
}

std::string VolumeRootOf(const std::string& path, const std::vector<std::string>& roots) {
  std::string best;
  std::string folder = WithSlash(path);
  for (const std::string& root : roots) {
    if (folder.rfind(root, 0) == 0 && root.size() > best.size())
      best = root;
  }
  return best;
}
