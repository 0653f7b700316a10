#include "platform/resources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unzip.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include "platform/transfer_all.h"
#include "platform/zip_memory_io.h"

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kMaxComment = 0xffff;
// An archive larger than this is not ours.
constexpr uint64_t kMaxArchiveSize = 1ull << 30;
constexpr const char* kOwnExe = "/proc/self/exe";

enum class Locate { kNone, kFound, kBroken };

uint32_t Le16(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return u[0] | (u[1] << 8);
}

uint32_t Le32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<uint32_t>(u[3]) << 24);
}

// Finds the archive whose end record closes `tail`, the last bytes of a file
// of `file_size` bytes. The record must end exactly at the end of the file,
// so bytes of the program itself are never taken for one.
Locate FindArchive(std::string_view tail, uint64_t file_size, uint64_t* start) {
  if (tail.size() < kEndRecordSize)
    return Locate::kNone;
  uint64_t tail_offset = file_size - tail.size();
  size_t last = tail.size() - kEndRecordSize;
  size_t first = last > kMaxComment ? last - kMaxComment : 0;
  for (size_t pos = last + 1; pos-- > first;) {
    const char* p = tail.data() + pos;
    if (Le32(p) != kEndSignature || pos + kEndRecordSize + Le16(p + 20) != tail.size())
      continue;
    uint32_t disk = Le16(p + 4), cd_disk = Le16(p + 6);
    uint32_t entries = Le16(p + 10), cd_size = Le32(p + 12), cd_offset = Le32(p + 16);
    uint64_t record = tail_offset + pos;
    // Split and zip64 archives are never written by us.
    if (disk != 0 || cd_disk != 0 || entries == 0xffff || cd_offset == 0xffffffff ||
        static_cast<uint64_t>(cd_size) + cd_offset > record)
      return Locate::kBroken;
    *start = record - cd_size - cd_offset;
    return Locate::kFound;
  }
  return Locate::kNone;
}

ResourceStatus StatusOf(Locate found) {
  switch (found) {
    case Locate::kNone:
      return ResourceStatus::kMissing;
    case Locate::kBroken:
      return ResourceStatus::kUnreadable;
    case Locate::kFound:
      break;
  }
  return ResourceStatus::kOk;
}

bool ReadAt(int fd, uint64_t offset, size_t size, std::string* out) {
  out->resize(size);
  char* begin = out->data();
  return TransferAll(begin, size, [fd, begin, offset](char* at, size_t left) {
    return pread(fd, at, left, static_cast<off_t>(offset + (at - begin)));
  });
}

// Reads the archive at the end of the open file; `start` receives where it
// begins (the file size when there is none).
ResourceStatus LoadArchive(int fd, std::string* archive, uint64_t* start) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    return ResourceStatus::kUnreadable;
  uint64_t size = static_cast<uint64_t>(st.st_size);
  size_t tail_size = static_cast<size_t>(std::min<uint64_t>(size, kEndRecordSize + kMaxComment));
  std::string tail;
  if (!ReadAt(fd, size - tail_size, tail_size, &tail))
    return ResourceStatus::kUnreadable;
  *start = size;
  ResourceStatus found = StatusOf(FindArchive(tail, size, start));
  if (found != ResourceStatus::kOk)
    return found;
  if (size - *start > kMaxArchiveSize)
    return ResourceStatus::kUnreadable;
  return ReadAt(fd, *start, static_cast<size_t>(size - *start), archive)
             ? ResourceStatus::kOk
             : ResourceStatus::kUnreadable;
}

ResourceStatus LoadArchiveFile(const std::string& exe, std::string* archive) {
  int fd = open(exe.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return ResourceStatus::kUnreadable;
  uint64_t start = 0;
  ResourceStatus status = LoadArchive(fd, archive, &start);
  close(fd);
  return status;
}

// The archive part of an image held in memory.
ResourceStatus ArchiveOfImage(std::string_view image, std::string_view* archive) {
  uint64_t start = 0;
  std::string_view tail =
      image.substr(image.size() - std::min(image.size(), kEndRecordSize + kMaxComment));
  ResourceStatus found = StatusOf(FindArchive(tail, image.size(), &start));
  if (found != ResourceStatus::kOk)
    return found;
  *archive = image.substr(start);
  return ResourceStatus::kOk;
}

// Runs `use` on the opened archive.
ResourceStatus WithArchive(std::string_view archive,
                           const std::function<ResourceStatus(unzFile)>& use) {
  ZipMemoryFile file;
  file.input = archive;
  zlib_filefunc64_def def;
  FillZipMemoryFunctions(&file, &def);
  unzFile zip = unzOpen2_64("", &def);
  if (!zip)
    return ResourceStatus::kUnreadable;
  ResourceStatus status = use(zip);
  unzClose(zip);
  return status;
}

// Inflates the current entry, checking its size and checksum.
ResourceStatus ReadCurrent(unzFile zip, std::string* bytes) {
  unz_file_info64 info;
  if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
      info.uncompressed_size > kMaxResourceSize)
    return ResourceStatus::kUnreadable;
  if (unzOpenCurrentFile(zip) != UNZ_OK)
    return ResourceStatus::kUnreadable;
  std::string out;
  // The header's size is only a claim until the data has been inflated.
  out.reserve(static_cast<size_t>(std::min<uint64_t>(info.uncompressed_size, 1 << 20)));
  char buffer[65536];
  int n = 0;
  while ((n = unzReadCurrentFile(zip, buffer, sizeof(buffer))) > 0) {
    if (out.size() + n > info.uncompressed_size)
      break;
    out.append(buffer, n);
  }
  int closed = unzCloseCurrentFile(zip);
  if (n != 0 || closed != UNZ_OK || out.size() != info.uncompressed_size)
    return ResourceStatus::kUnreadable;
  *bytes = std::move(out);
  return ResourceStatus::kOk;
}

ResourceStatus ReadEntry(std::string_view archive, std::string_view name, std::string* bytes) {
  std::string wanted(name);
  return WithArchive(archive, [&](unzFile zip) {
    if (unzLocateFile(zip, wanted.c_str(), 1) != UNZ_OK)
      return ResourceStatus::kMissing;
    return ReadCurrent(zip, bytes);
  });
}

// Visits every entry; `visit` returns false to stop with an error.
ResourceStatus ForEachEntry(
    std::string_view archive,
    const std::function<bool(unzFile, const std::string&, uint64_t)>& visit) {
  return WithArchive(archive, [&](unzFile zip) {
    int rc = unzGoToFirstFile(zip);
    while (rc == UNZ_OK) {
      unz_file_info64 info;
      char name[512];
      if (unzGetCurrentFileInfo64(zip, &info, name, sizeof(name), nullptr, 0, nullptr, 0) != UNZ_OK)
        return ResourceStatus::kUnreadable;
      if (!visit(zip, name, info.uncompressed_size))
        return ResourceStatus::kUnreadable;
      rc = unzGoToNextFile(zip);
    }
    return rc == UNZ_END_OF_LIST_OF_FILE ? ResourceStatus::kOk : ResourceStatus::kUnreadable;
  });
}

ResourceStatus ListArchive(std::string_view archive, std::vector<ResourceEntry>* entries) {
  entries->clear();
  return ForEachEntry(archive, [&](unzFile, const std::string& name, uint64_t size) {
    entries->push_back({name, size});
    return true;
  });
}

bool BuildArchive(const std::map<std::string, std::string>& entries,
                  std::string* archive,
                  std::string* error) {
  ZipMemoryFile file;
  zlib_filefunc64_def def;
  FillZipMemoryFunctions(&file, &def);
  zipFile zip = zipOpen2_64("", APPEND_STATUS_CREATE, nullptr, &def);
  if (!zip) {
    *error = "cannot start the archive";
    return false;
  }
  bool ok = true;
  for (const auto& [name, data] : entries) {
    if (data.size() > kMaxResourceSize) {
      *error = "entry " + name + " is larger than 64 MiB";
      ok = false;
      break;
    }
    // A fixed date keeps the build reproducible.
    zip_fileinfo info{};
    info.tmz_date.tm_year = 1980;
    info.tmz_date.tm_mday = 1;
    ok = zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                               Z_DEFLATED, 9, 0) == ZIP_OK &&
         zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size())) == ZIP_OK &&
         zipCloseFileInZip(zip) == ZIP_OK;
    if (!ok) {
      *error = "cannot write entry " + name;
      break;
    }
  }
  if (zipClose(zip, nullptr) != ZIP_OK && ok) {
    *error = "cannot finish the archive";
    ok = false;
  }
  if (ok)
    *archive = std::move(file.output);
  return ok;
}

bool WriteAll(int fd, std::string_view data) {
  return TransferAll(data.data(), data.size(),
                     [fd](const char* at, size_t left) { return write(fd, at, left); });
}

bool CopyPrefix(int from, int to, uint64_t length) {
  std::string chunk;
  for (uint64_t done = 0; done < length;) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(length - done, 1 << 20));
    if (!ReadAt(from, done, n, &chunk) || !WriteAll(to, chunk))
      return false;
    done += n;
  }
  return true;
}

std::string ErrnoText(const std::string& what) {
  return what + ": " + strerror(errno);
}

}  // namespace

std::string ResourceName(std::string_view type, std::string_view id) {
  std::string name(type);
  name.push_back('/');
  name.append(id);
  return name;
}

ResourceStatus ReadResource(const std::string& exe, std::string_view name, std::string* bytes) {
  std::string archive;
  ResourceStatus status = LoadArchiveFile(exe, &archive);
  return status == ResourceStatus::kOk ? ReadEntry(archive, name, bytes) : status;
}

ResourceStatus ReadResourceFromImage(std::string_view image,
                                     std::string_view name,
                                     std::string* bytes) {
  std::string_view archive;
  ResourceStatus status = ArchiveOfImage(image, &archive);
  return status == ResourceStatus::kOk ? ReadEntry(archive, name, bytes) : status;
}

ResourceStatus ListResources(const std::string& exe, std::vector<ResourceEntry>* entries) {
  entries->clear();
  std::string archive;
  ResourceStatus status = LoadArchiveFile(exe, &archive);
  return status == ResourceStatus::kOk ? ListArchive(archive, entries) : status;
}

ResourceStatus ListResourcesFromImage(std::string_view image, std::vector<ResourceEntry>* entries) {
  entries->clear();
  std::string_view archive;
  ResourceStatus status = ArchiveOfImage(image, &archive);
  return status == ResourceStatus::kOk ? ListArchive(archive, entries) : status;
}

ResourceStatus ReadOwnResource(std::string_view name, std::string* bytes) {
  return ReadResource(kOwnExe, name, bytes);
}

bool LoadResource(std::string_view type, std::string_view id, std::string& bytes) {
  return ReadOwnResource(ResourceName(type, id), &bytes) == ResourceStatus::kOk;
}

ResourceStatus ReadAllResources(const std::string& exe,
                                std::map<std::string, std::string>* entries) {
  entries->clear();
  std::string archive;
  ResourceStatus status = LoadArchiveFile(exe, &archive);
  if (status == ResourceStatus::kMissing)
    return ResourceStatus::kOk;
  if (status != ResourceStatus::kOk)
    return status;
  return ForEachEntry(archive, [&](unzFile zip, const std::string& name, uint64_t) {
    return ReadCurrent(zip, &(*entries)[name]) == ResourceStatus::kOk;
  });
}

bool WriteResources(const std::string& exe,
                    const std::map<std::string, std::string>& entries,
                    std::string* error) {
  int fd = open(exe.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = ErrnoText(exe);
    return false;
  }
  struct stat st;
  std::string old_archive;
  uint64_t start = 0;
  ResourceStatus status = LoadArchive(fd, &old_archive, &start);
  std::string archive;
  bool ok = status != ResourceStatus::kUnreadable && fstat(fd, &st) == 0;
  if (!ok)
    *error = exe + ": the resource archive is damaged";
  else
    ok = BuildArchive(entries, &archive, error);

  std::string temp = exe + ".res-XXXXXX";
  int out = ok ? mkstemp(temp.data()) : -1;
  if (ok && out < 0) {
    *error = ErrnoText(temp);
    ok = false;
  }
  if (out >= 0) {
    ok = CopyPrefix(fd, out, start) && WriteAll(out, archive) &&
         fchmod(out, st.st_mode & 07777) == 0 && fsync(out) == 0;
    if (!ok)
      *error = ErrnoText(temp);
    if (close(out) != 0 && ok) {
      *error = ErrnoText(temp);
      ok = false;
    }
    if (ok && rename(temp.c_str(), exe.c_str()) != 0) {
      *error = ErrnoText(exe);
      ok = false;
    }
    if (!ok)
      unlink(temp.c_str());
  }
  close(fd);
  return ok;
}
