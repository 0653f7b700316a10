#include "platform/proc_text.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

std::string ReadProcText(const char* path, size_t limit) {
  std::string text;
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return text;
  char block[4096];
  while (text.size() < limit) {
    ssize_t n = read(fd, block, sizeof(block));
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    text.append(block, static_cast<size_t>(n));
  }
  close(fd);
  if (text.size() > limit)
    text.resize(limit);
  return text;
}

std::optional<uint64_t> ParseLeadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
    ++i;
  if (i == text.size() || text[i] < '0' || text[i] > '9')
    return std::nullopt;
  uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    uint64_t digit = static_cast<uint64_t>(text[i] - '0');
    if (value > (UINT64_MAX - digit) / 10)
      return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}
