#include "toolkit/skin_archive.h"

#include <unzip.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "foundation/log.h"
#include "platform/resources.h"
#include "platform/zip_memory_io.h"

struct SkinArchive::Stream {
  ZipMemoryFile file;
};

namespace {

std::mutex g_skin_lock;
std::shared_ptr<SkinArchive> g_skin;
ResourceReader g_resource_reader;

}  // namespace

SkinArchive::SkinArchive() : stream_(std::make_unique<Stream>()) {}

SkinArchive::~SkinArchive() {
  if (zip_)
    unzClose(zip_);
}

bool SkinArchive::Open(std::string bytes) {
  std::lock_guard<std::mutex> hold(lock_);
  if (zip_)
    unzClose(zip_);
  zip_ = nullptr;
  bytes_ = std::move(bytes);
  stream_->file = ZipMemoryFile();
  stream_->file.input = bytes_;
  if (bytes_.empty()) {
    LOG_ERROR("[ERROR] SkinArchive, empty archive");
    return false;
  }
  zlib_filefunc64_def funcs{};
  FillZipMemoryFunctions(&stream_->file, &funcs);
  zip_ = unzOpen2_64("skin", &funcs);
  if (!zip_) {
    LOG_ERROR("[ERROR] SkinArchive, not a zip archive, size=[%zu]", bytes_.size());
    return false;
  }
  return true;
}

bool SkinArchive::OpenFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    LOG_ERROR("[ERROR] SkinArchive, cannot open file=[%s]", path.c_str());
    return false;
  }
  std::stringstream bytes;
  bytes << in.rdbuf();
  return Open(bytes.str());
}

bool SkinArchive::Contains(const std::string& name) const {
  std::lock_guard<std::mutex> hold(lock_);
  return zip_ && unzLocateFile(zip_, name.c_str(), 1) == UNZ_OK;
}

std::vector<std::string> SkinArchive::ListNames() const {
  std::lock_guard<std::mutex> hold(lock_);
  std::vector<std::string> names;
  if (!zip_)
    return names;
  for (int rc = unzGoToFirstFile(zip_); rc == UNZ_OK; rc = unzGoToNextFile(zip_)) {
    char name[512];
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(zip_, &info, name, sizeof(name), nullptr, 0, nullptr, 0) == UNZ_OK)
      names.emplace_back(name);
  }
  return names;
}

bool SkinArchive::ReadFile(const std::string& name, std::string* data) const {
  std::lock_guard<std::mutex> hold(lock_);
  data->clear();
  if (!zip_ || unzLocateFile(zip_, name.c_str(), 1) != UNZ_OK)
    return false;
  unz_file_info64 info;
  if (unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
    return false;
  if (info.uncompressed_size > kMaxEntrySize) {
    LOG_ERROR("[ERROR] SkinArchive, entry too large, name=[%s], size=[%llu]", name.c_str(),
              static_cast<unsigned long long>(info.uncompressed_size));
    return false;
  }
  if (unzOpenCurrentFile(zip_) != UNZ_OK) {
    LOG_ERROR("[ERROR] SkinArchive, cannot open entry=[%s]", name.c_str());
    return false;
  }
  // The stated size is only a hint: the data itself may inflate to more.
  char buffer[64 * 1024];
  bool ok = true;
  for (;;) {
    int n = unzReadCurrentFile(zip_, buffer, sizeof(buffer));
    if (n == 0)
      break;
    if (n < 0 || data->size() + static_cast<size_t>(n) > kMaxEntrySize ||
        data->size() + static_cast<size_t>(n) > info.uncompressed_size) {
      ok = false;
      break;
    }
    data->append(buffer, static_cast<size_t>(n));
  }
  // Close checks the CRC once the whole entry was read.
  if (unzCloseCurrentFile(zip_) != UNZ_OK || data->size() != info.uncompressed_size)
    ok = false;
  if (!ok) {
    LOG_ERROR("[ERROR] SkinArchive, damaged or oversized entry=[%s]", name.c_str());
    data->clear();
  }
  return ok;
}

bool LoadSkin(std::string bytes) {
  auto archive = std::make_shared<SkinArchive>();
  bool ok = archive->Open(std::move(bytes));
  std::lock_guard<std::mutex> hold(g_skin_lock);
  g_skin = ok ? archive : nullptr;
  return ok;
}

bool LoadSkinFile(const std::string& path) {
  auto archive = std::make_shared<SkinArchive>();
  bool ok = archive->OpenFile(path);
  std::lock_guard<std::mutex> hold(g_skin_lock);
  g_skin = ok ? archive : nullptr;
  return ok;
}

bool LoadSkinFromOwnResources() {
  std::string bytes;
  if (ReadOwnResource("ZIPRES/133", &bytes) != ResourceStatus::kOk || bytes.empty()) {
    LOG_ERROR("[ERROR] LoadSkin, no skin resource");
    std::lock_guard<std::mutex> hold(g_skin_lock);
    g_skin = nullptr;
    return false;
  }
  SetResourceReader([](const std::string& type, const std::string& id, std::string* data) {
    return ReadOwnResource(ResourceName(type, id), data) == ResourceStatus::kOk;
  });
  return LoadSkin(std::move(bytes));
}

const SkinArchive* CurrentSkin() {
  std::lock_guard<std::mutex> hold(g_skin_lock);
  return g_skin.get();
}

bool ReadSkinFile(const std::string& name, std::string* data) {
  std::shared_ptr<SkinArchive> skin;
  {
    std::lock_guard<std::mutex> hold(g_skin_lock);
    skin = g_skin;
  }
  if (!skin) {
    data->clear();
    return false;
  }
  return skin->ReadFile(name, data);
}

void SetResourceReader(ResourceReader reader) {
  std::lock_guard<std::mutex> hold(g_skin_lock);
  g_resource_reader = std::move(reader);
}

bool ReadResource(const std::string& type, const std::string& id, std::string* data) {
  ResourceReader reader;
  {
    std::lock_guard<std::mutex> hold(g_skin_lock);
    reader = g_resource_reader;
  }
  data->clear();
  return reader && reader(type, id, data);
}
