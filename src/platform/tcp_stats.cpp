#include "platform/tcp_stats.h"

#include <vector>

#include "platform/proc_text.h"

namespace {

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t at = 0;
  while (at < line.size()) {
    size_t start = line.find_first_not_of(' ', at);
    if (start == std::string_view::npos)
      break;
    size_t end = line.find(' ', start);
    if (end == std::string_view::npos)
      end = line.size();
    fields.push_back(line.substr(start, end - start));
    at = end;
  }
  return fields;
}

}  // namespace

std::optional<uint64_t> ParseTcpInSegments(std::string_view snmp) {
  std::vector<std::string_view> names;
  size_t at = 0;
  while (at < snmp.size()) {
    size_t end = snmp.find('\n', at);
    std::string_view line =
        snmp.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
    at = end == std::string_view::npos ? snmp.size() : end + 1;
    if (line.substr(0, 4) != "Tcp:")
      continue;
    std::vector<std::string_view> fields = Fields(line.substr(4));
    if (names.empty()) {
      names = fields;
      continue;
    }
    for (size_t i = 0; i < names.size() && i < fields.size(); ++i) {
      if (names[i] == "InSegs")
        return ParseLeadingNumber(fields[i]);
    }
    return std::nullopt;
  }
  return std::nullopt;
}

std::optional<uint64_t> GetTcpInSegments() {
  return ParseTcpInSegments(ReadProcText("/proc/net/snmp"));
}
