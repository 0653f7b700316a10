#include "service/json_scan.h"

#include <charconv>

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Where the value of `"key"` starts (after the colon and blanks); npos when
// the key or the colon is missing.
size_t ValueStart(std::string_view text, std::string_view key) {
  std::string quoted = "\"" + std::string(key) + "\"";
  size_t at = text.find(quoted);
  if (at == std::string_view::npos)
    return at;
  size_t colon = text.find(':', at + quoted.size());
  if (colon == std::string_view::npos)
    return colon;
  size_t start = colon + 1;
  while (start < text.size() && IsBlank(text[start]))
    ++start;
  return start;
}

// The number of the digit run at `start`, 0 when it is empty or too large.
int DigitRun(std::string_view text, size_t start, size_t* end) {
  size_t stop = start;
  while (stop < text.size() && IsDigit(text[stop]))
    ++stop;
  *end = stop;
  int value = 0;
  auto result = std::from_chars(text.data() + start, text.data() + stop, value);
  return result.ec == std::errc() ? value : 0;
}

}  // namespace

bool HasSuccessText(std::string_view body) {
  constexpr std::string_view kSuccess = "\"code\":0";
  for (size_t at = body.find(kSuccess); at != std::string_view::npos;
       at = body.find(kSuccess, at + 1)) {
    size_t next = at + kSuccess.size();
    if (next >= body.size() || !IsDigit(body[next]))
      return true;
  }
  return false;
}

bool FindDataPart(std::string_view body, std::string_view* part) {
  size_t at = body.find("\"data\"");
  if (at == std::string_view::npos)
    return false;
  *part = body.substr(at);
  return true;
}

int FindJsonInt(std::string_view text, std::string_view key) {
  size_t start = ValueStart(text, key);
  if (start == std::string_view::npos)
    return 0;
  size_t end = 0;
  return DigitRun(text, start, &end);
}

std::string FindJsonString(std::string_view text, std::string_view key) {
  size_t start = ValueStart(text, key);
  if (start == std::string_view::npos || start >= text.size() || text[start] != '"')
    return std::string();
  size_t close = text.find('"', start + 1);
  if (close == std::string_view::npos)
    return std::string();
  return std::string(text.substr(start + 1, close - start - 1));
}

bool FindJsonBool(std::string_view text, std::string_view key) {
  size_t start = ValueStart(text, key);
  return start != std::string_view::npos && text.substr(start, 4) == "true";
}

std::vector<int> ParseRelationIds(std::string_view body) {
  std::vector<int> ids;
  constexpr std::string_view kOpen = "\"data\":[";
  size_t open = body.find(kOpen);
  if (open == std::string_view::npos)
    return ids;
  size_t close = body.find(']', open + kOpen.size());
  if (close == std::string_view::npos)
    return ids;
  std::string_view list = body.substr(open + kOpen.size(), close - open - kOpen.size());
  for (size_t i = 0; i < list.size();) {
    if (!IsDigit(list[i])) {
      ++i;
      continue;
    }
    bool negative = i > 0 && list[i - 1] == '-';
    size_t end = 0;
    int id = DigitRun(list, i, &end);
    if (!negative && id > 0)
      ids.push_back(id);
    i = end;
  }
  return ids;
}
