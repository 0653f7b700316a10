#include "toolkit/window_registry.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <unordered_map>

#include "foundation/log.h"
#include "foundation/path.h"
#include "platform/session_dir.h"
#include "toolkit/message_loop.h"
#include "toolkit/remote_messages.h"

namespace {

constexpr char kHeader[] = "QELWIN1";

struct Entry {
  std::string class_name;
  std::string title;
};

// This process's published windows, so that own look-ups need no files.
std::mutex g_lock;
std::unordered_map<HWND, Entry> g_own;

std::string WindowsFolder() {
  std::string session = SessionDir();
  if (session.empty())
    return {};
  return CreatePrivateFolder(session, "windows");
}

std::string EntryName(HWND hwnd) {
  char name[32];
  snprintf(name, sizeof(name), "%016" PRIx64, static_cast<uint64_t>(hwnd));
  return name;
}

bool ProcessAlive(pid_t pid) {
  return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
}

bool ReadEntry(const std::string& path, Entry* entry) {
  std::ifstream in(path, std::ios::binary);
  std::string header;
  if (!std::getline(in, header) || header != kHeader || !std::getline(in, entry->class_name))
    return false;
  std::stringstream rest;
  rest << in.rdbuf();
  entry->title = rest.str();
  return true;
}

bool Matches(const Entry& entry, const char* class_name, const char* title) {
  return (!class_name || entry.class_name == class_name) && (!title || entry.title == title);
}

// The entry of another process's window; stale entries (dead process) are
// removed on the way.
bool LookupForeign(const std::string& folder, HWND hwnd, Entry* entry) {
  std::string path = folder + EntryName(hwnd);
  if (!ReadEntry(path, entry))
    return false;
  if (!ProcessAlive(ProcessOfWindow(hwnd))) {
    unlink(path.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool PublishWindow(HWND hwnd, const std::string& class_name, const std::string& title) {
  {
    std::lock_guard<std::mutex> hold(g_lock);
    g_own[hwnd] = Entry{class_name, title};
  }
  std::string folder = WindowsFolder();
  if (folder.empty())
    return false;
  StartMessageServer();
  std::string path = folder + EntryName(hwnd);
  std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << kHeader << '\n' << class_name << '\n' << title;
    if (!out.flush()) {
      LOG_ERROR("[ERROR] PublishWindow, cannot write=[%s]", temp.c_str());
      return false;
    }
  }
  return rename(temp.c_str(), path.c_str()) == 0;
}

void UnpublishWindow(HWND hwnd) {
  {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_own.erase(hwnd))
      return;
  }
  std::string session = SessionDir();
  if (!session.empty())
    unlink((session + "windows/" + EntryName(hwnd)).c_str());
}

HWND FindWindow(const char* class_name, const char* title) {
  {
    std::lock_guard<std::mutex> hold(g_lock);
    for (const auto& [hwnd, entry] : g_own)
      if (Matches(entry, class_name, title))
        return hwnd;
  }
  std::string folder = WindowsFolder();
  if (folder.empty())
    return 0;
  for (const std::string& path : ListFiles(folder, false, false)) {
    std::string name = path.substr(folder.size());
    if (name.size() != 16 || name.find_first_not_of("0123456789abcdef") != std::string::npos)
      continue;
    HWND hwnd = std::stoull(name, nullptr, 16);
    if (IsLocalWindowHandle(hwnd))
      continue;
    Entry entry;
    if (LookupForeign(folder, hwnd, &entry) && Matches(entry, class_name, title))
      return hwnd;
  }
  return 0;
}

bool IsWindow(HWND hwnd) {
  return !GetWindowClassName(hwnd).empty() ||
         (IsLocalWindowHandle(hwnd) && FindMessageTarget(hwnd));
}

std::string GetWindowClassName(HWND hwnd) {
  if (hwnd == 0)
    return {};
  if (IsLocalWindowHandle(hwnd)) {
    std::lock_guard<std::mutex> hold(g_lock);
    auto it = g_own.find(hwnd);
    return it == g_own.end() ? std::string() : it->second.class_name;
  }
  std::string session = SessionDir();
  Entry entry;
  if (session.empty() || !LookupForeign(session + "windows/", hwnd, &entry))
    return {};
  return entry.class_name;
}
