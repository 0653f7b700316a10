// Whole-file reading and writing of document texts, with UTF-8 checked on
// the way in and out.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "foundation/xml_document.h"

namespace {

[[maybe_unused]] const char* PickMessage(int rc, const char* buffer) {
  return rc == 0 ? buffer : "Unknown error";
}
[[maybe_unused]] const char* PickMessage(const char* message, const char*) {
  return message;
}

// The system's message for `error`, first line only.
std::string ErrorText(int error) {
  char buffer[256] = {};
  std::string text = PickMessage(strerror_r(error, buffer, sizeof buffer), buffer);
  return text.substr(0, text.find_first_of("\r\n"));
}

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Continuation bytes that belong to a lead byte; 0 for a stray continuation
// byte and for 0xFE/0xFF, which lead nothing.
size_t ContinuationCount(unsigned char lead) {
  if (lead >= 0xFE)
    return 0;
  if (lead >= 0xFC)
    return 5;
  if (lead >= 0xF8)
    return 4;
  if (lead >= 0xF0)
    return 3;
  if (lead >= 0xE0)
    return 2;
  return lead >= 0xC0 ? 1 : 0;
}

// A complete two- to four-byte sequence: is it the shortest form of a
// Unicode scalar value?
bool IsScalarSequence(std::string_view seq) {
  static constexpr uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  uint32_t code = static_cast<unsigned char>(seq[0]) & (0x7F >> seq.size());
  for (size_t i = 1; i < seq.size(); ++i)
    code = (code << 6) | (static_cast<unsigned char>(seq[i]) & 0x3F);
  return code >= kMinimum[seq.size()] && (code < 0xD800 || code > 0xDFFF) && code <= 0x10FFFF;
}

// Copies valid UTF-8 and puts one "?" for each sequence that is cut off,
// malformed or longer than four bytes; returns the number of characters.
uint64_t DecodeUtf8(std::string_view in, std::string& out, bool zero_ends) {
  uint64_t chars = 0;
  size_t p = 0;
  while (p < in.size()) {
    const unsigned char lead = static_cast<unsigned char>(in[p]);
    ++chars;
    if (lead < 0x80) {
      if (lead == 0 && zero_ends) {
        --chars;
        break;
      }
      out += static_cast<char>(lead);
      ++p;
      continue;
    }
    const size_t need = ContinuationCount(lead);
    size_t end = p + 1;
    while (end < in.size() && end - p <= need && IsContinuation(in[end]))
      ++end;
    std::string_view seq = in.substr(p, end - p);
    if (need >= 1 && need <= 3 && seq.size() == need + 1 && IsScalarSequence(seq))
      out.append(seq);
    else
      out += '?';
    p = end;
  }
  return chars;
}

// 0 or the errno of the failure.
int ReadWholeFile(const std::string& path, std::string& data) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return errno;
  int error = 0;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
    data.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
      data.append(buffer, static_cast<size_t>(n));
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      error = errno;
      break;
    }
  }
  close(fd);
  return error;
}

int WriteWholeFile(const std::string& path, std::string_view data) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0)
    return errno;
  int error = 0;
  while (!data.empty()) {
    ssize_t n = write(fd, data.data(), data.size());
    if (n > 0) {
      data.remove_prefix(static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      error = n < 0 ? errno : EIO;
      break;
    }
  }
  // A full disk may only show here on some file systems.
  if (close(fd) != 0 && !error && errno != EINTR)
    error = errno;
  return error;
}

bool Fail(int error, std::string* result) {
  if (result)
    *result = ErrorText(error);
  return false;
}

}  // namespace

bool XmlDocument::ReadTextFile(const std::string& path, std::string& text, std::string* result) {
  text.clear();
  try {
    std::string bytes;
    if (int error = ReadWholeFile(path, bytes))
      return Fail(error, result);
    uint64_t chars = DecodeUtf8(bytes, text, true);
    if (result)
      *result = std::to_string(bytes.size()) + " bytes to " + std::to_string(chars) + " wide chars";
    return true;
  } catch (const std::bad_alloc&) {
    text.clear();
    return Fail(ENOMEM, result);
  }
}

bool XmlDocument::WriteTextFile(const std::string& path,
                                const std::string& text,
                                std::string* result) {
  try {
    std::string bytes;
    uint64_t chars = DecodeUtf8(text, bytes, false);
    if (int error = WriteWholeFile(path, bytes))
      return Fail(error, result);
    if (result)
      *result = std::to_string(chars) + " wide chars to " + std::to_string(bytes.size()) + " bytes";
    return true;
  } catch (const std::bad_alloc&) {
    return Fail(ENOMEM, result);
  }
}
