#include "toolkit/value_parse.h"

#include <strings.h>

#include <cctype>
#include <cstdlib>
#include <vector>

namespace {

bool IsHex(std::string_view digits) {
  for (char c : digits)
    if (!isxdigit(static_cast<unsigned char>(c)))
      return false;
  return !digits.empty();
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

std::vector<int> ParseNumbers(std::string_view text, bool* any) {
  std::vector<int> numbers;
  *any = false;
  std::string copy(text);
  const char* p = copy.c_str();
  while (*p) {
    char* end = nullptr;
    long value = strtol(p, &end, 10);
    if (end == p) {
      ++p;
      continue;
    }
    *any = true;
    numbers.push_back(static_cast<int>(value));
    p = end;
    while (*p == ' ')
      ++p;
    if (*p == ',')
      ++p;
  }
  return numbers;
}

int At(const std::vector<int>& v, size_t i) {
  return i < v.size() ? v[i] : 0;
}

}  // namespace

bool ParseColor(std::string_view text, uint32_t* argb) {
  text = Trim(text);
  if (!text.empty() && text.front() == '#')
    text.remove_prefix(1);
  else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text.remove_prefix(2);
  else
    return false;
  if ((text.size() != 8 && text.size() != 6) || !IsHex(text))
    return false;
  uint32_t value = static_cast<uint32_t>(strtoul(std::string(text).c_str(), nullptr, 16));
  *argb = text.size() == 6 ? (0xFF000000u | value) : value;
  return true;
}

bool ParseRect(std::string_view text, RECT* rect) {
  bool any;
  std::vector<int> n = ParseNumbers(text, &any);
  if (!any)
    return false;
  *rect = RECT{At(n, 0), At(n, 1), At(n, 2), At(n, 3)};
  return true;
}

bool ParseSize(std::string_view text, SIZE* size) {
  bool any;
  std::vector<int> n = ParseNumbers(text, &any);
  if (!any)
    return false;
  *size = SIZE{At(n, 0), At(n, 1)};
  return true;
}

bool ParsePoint(std::string_view text, POINT* point) {
  bool any;
  std::vector<int> n = ParseNumbers(text, &any);
  if (!any)
    return false;
  *point = POINT{At(n, 0), At(n, 1)};
  return true;
}

bool ParseBool(std::string_view text) {
  text = Trim(text);
  return text == "1" || (text.size() == 4 && strncasecmp(text.data(), "true", 4) == 0);
}

int ParseInt(std::string_view text, int fallback) {
  std::string copy(Trim(text));
  if (copy.empty())
    return fallback;
  char* end = nullptr;
  long value = strtol(copy.c_str(), &end, 10);
  return *end ? fallback : static_cast<int>(value);
}

ImageSpec ParseImageSpec(std::string_view text) {
  ImageSpec spec;
  text = Trim(text);
  if (text.find('=') == std::string_view::npos) {
    spec.file = std::string(text);
    return spec;
  }
  while (!text.empty()) {
    text = Trim(text);
    size_t eq = text.find('=');
    if (eq == std::string_view::npos)
      break;
    std::string_view key = Trim(text.substr(0, eq));
    text.remove_prefix(eq + 1);
    text = Trim(text);
    std::string_view value;
    if (!text.empty() && (text.front() == '\'' || text.front() == '"')) {
      char quote = text.front();
      size_t close = text.find(quote, 1);
      if (close == std::string_view::npos)
        break;  // unterminated: the rest is unusable
      value = text.substr(1, close - 1);
      text.remove_prefix(close + 1);
    } else {
      size_t space = text.find(' ');
      value = text.substr(0, space);
      text.remove_prefix(space == std::string_view::npos ? text.size() : space);
    }
    if (key == "file")
      spec.file = std::string(value);
    else if (key == "res")
      spec.res = std::string(value);
    else if (key == "restype")
      spec.restype = std::string(value);
    else if (key == "corner")
      ParseRect(value, &spec.corner);
    else if (key == "dest")
      spec.has_dest = ParseRect(value, &spec.dest);
    else if (key == "source")
      spec.has_source = ParseRect(value, &spec.source);
  }
  return spec;
}
