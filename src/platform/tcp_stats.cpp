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

// The value of `column` in a /proc/net text of header and value lines that
// both start with `prefix`.
std::optional<uint64_t> ParseCounter(std::string_view text,
                                     std::string_view prefix,
                                     std::string_view column) {
  std::vector<std::string_view> names;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    std::string_view line =
        text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
    at = end == std::string_view::npos ? text.size() : end + 1;
    if (line.substr(0, prefix.size()) != prefix)
      continue;
    std::vector<std::string_view> fields = Fields(line.substr(prefix.size()));
    if (names.empty()) {
      names = fields;
      continue;
    }
    for (size_t i = 0; i < names.size() && i < fields.size(); ++i) {
      if (names[i] == column)
        return ParseLeadingNumber(fields[i]);
    }
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

std::optional<uint64_t> ParseTcpInSegments(std::string_view snmp) {
  return ParseCounter(snmp, "Tcp:", "InSegs");
}

std::optional<uint64_t> ParseIpInOctets(std::string_view netstat) {
  return ParseCounter(netstat, "IpExt:", "InOctets");
}

std::optional<uint64_t> GetIpInOctets() {
  return ParseIpInOctets(ReadProcText("/proc/net/netstat"));
}

std::optional<uint64_t> GetTcpInSegments() {
  return ParseTcpInSegments(ReadProcText("/proc/net/snmp"));
}
