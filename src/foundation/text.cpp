#include "foundation/text.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <strings.h>

#include <cerrno>
#include <cstring>

namespace {

bool IsUtf8Charset(const std::string& charset) {
  return strcasecmp(charset.c_str(), "UTF-8") == 0 || strcasecmp(charset.c_str(), "UTF8") == 0;
}

// Converts with iconv; on a byte sequence that cannot be converted, appends
// `replacement` and skips what `skip` says the bad sequence spans.
std::string Convert(std::string_view text,
                    const char* to,
                    const char* from,
                    std::string_view replacement,
                    size_t (*skip)(std::string_view)) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1))
    return {};
  std::string out;
  out.reserve(text.size());
  char buffer[4096];
  char* in = const_cast<char*>(text.data());
  size_t in_left = text.size();
  while (in_left > 0) {
    char* dst = buffer;
    size_t dst_left = sizeof(buffer);
    size_t rc = iconv(cd, &in, &in_left, &dst, &dst_left);
    out.append(buffer, dst - buffer);
    if (rc != static_cast<size_t>(-1) || errno == E2BIG)
      continue;
    out.append(replacement);
    if (errno == EINVAL)
      break;  // cut off at the end
    // EILSEQ: skip the sequence and go on.
    size_t n = skip(std::string_view(in, in_left));
    in += n;
    in_left -= n;
  }
  iconv_close(cd);
  return out;
}

size_t SkipUtf8Character(std::string_view text) {
  size_t n = Utf8SequenceLength(text);
  return n ? n : 1;
}

size_t SkipOneByte(std::string_view) {
  return 1;
}

// Replaces every invalid UTF-8 sequence with `replacement`.
std::string CleanUtf8(std::string_view text, std::string_view replacement) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    size_t n = Utf8SequenceLength(text);
    if (n == 0) {
      out.append(replacement);
      n = 1;
    } else {
      out.append(text.substr(0, n));
    }
    text.remove_prefix(n);
  }
  return out;
}

}  // namespace

size_t Utf8SequenceLength(std::string_view text) {
  if (text.empty())
    return 0;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  if (s[0] < 0x80)
    return 1;
  size_t n;
  unsigned min;
  unsigned cp;
  if ((s[0] & 0xE0) == 0xC0) {
    n = 2, min = 0x80, cp = s[0] & 0x1F;
  } else if ((s[0] & 0xF0) == 0xE0) {
    n = 3, min = 0x800, cp = s[0] & 0x0F;
  } else if ((s[0] & 0xF8) == 0xF0) {
    n = 4, min = 0x10000, cp = s[0] & 0x07;
  } else {
    return 0;
  }
  if (text.size() < n)
    return 0;
  for (size_t i = 1; i < n; ++i) {
    if ((s[i] & 0xC0) != 0x80)
      return 0;
    cp = (cp << 6) | (s[i] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return n;
}

const std::string& LocaleCharset() {
  static const std::string charset = [] {
    // A private locale object: asking it for its code set leaves the
    // process-wide C locale alone.
    locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0))
      return std::string("ANSI_X3.4-1968");
    std::string name = nl_langinfo_l(CODESET, loc);
    freelocale(loc);
    return name.empty() ? std::string("ANSI_X3.4-1968") : name;
  }();
  return charset;
}

std::string CharsetToWide(std::string_view text, const std::string& charset) {
  if (IsUtf8Charset(charset))
    return CleanUtf8(text, "\xEF\xBF\xBD");
  return Convert(text, "UTF-8", charset.c_str(), "\xEF\xBF\xBD", SkipOneByte);
}

std::string WideToCharset(std::string_view text, const std::string& charset) {
  if (IsUtf8Charset(charset))
    return CleanUtf8(text, "?");
  return Convert(text, charset.c_str(), "UTF-8", "?", SkipUtf8Character);
}

std::string AnsiToWide(std::string_view text) {
  return CharsetToWide(text, LocaleCharset());
}

std::string WideToAnsi(std::string_view text) {
  return WideToCharset(text, LocaleCharset());
}
