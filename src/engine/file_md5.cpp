#include "engine/file_md5.h"

#include <strings.h>

#include <memory>
#include <string_view>

#include "foundation/digest.h"
#include "platform/file_io.h"

namespace ns_Drav {

namespace {

constexpr size_t kBlock = 1 << 20;

}  // namespace

std::string FileMd5(const std::string& path) {
  int error = 0;
  int fd = OpenFile(path, FileOpen::kExistingRead, &error);
  if (fd < 0)
    return std::string();
  std::unique_ptr<char[]> block(new char[kBlock]);
  Digest md5(Digest::kMd5);
  int64_t offset = 0;
  bool ok = true;
  for (;;) {
    size_t done = 0;
    if (ReadFileAt(fd, offset, block.get(), kBlock, &done) != kErrorSuccess) {
      ok = false;
      break;
    }
    if (done == 0)
      break;
    md5.Update(block.get(), done);
    offset += static_cast<int64_t>(done);
  }
  CloseFile(fd);
  return ok ? ToHex(md5.Final(), true) : std::string();
}

bool Md5ListContains(const std::string& accepted, const std::string& digest) {
  if (digest.empty())
    return false;
  std::string_view rest = accepted;
  for (;;) {
    size_t comma = rest.find(',');
    std::string_view piece = rest.substr(0, comma);
    while (!piece.empty() && (piece.front() == ' ' || piece.front() == '\t'))
      piece.remove_prefix(1);
    while (!piece.empty() && (piece.back() == ' ' || piece.back() == '\t'))
      piece.remove_suffix(1);
    if (piece.size() == digest.size() &&
        strncasecmp(piece.data(), digest.data(), digest.size()) == 0) {
      return true;
    }
    if (comma == std::string_view::npos)
      break;
    rest.remove_prefix(comma + 1);
  }
  return false;
}

}  // namespace ns_Drav
