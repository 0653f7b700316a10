// Counters of the system's TCP stack.
#ifndef QEL_PLATFORM_TCP_STATS_H_
#define QEL_PLATFORM_TCP_STATS_H_

#include <cstdint>
#include <optional>
#include <string_view>

// Segments received by TCP since boot, over all connections (InSegs of the
// Tcp lines of /proc/net/snmp); none when the system does not say.
std::optional<uint64_t> GetTcpInSegments();

// InSegs of a /proc/net/snmp text: the "Tcp:" header line names the columns,
// the next "Tcp:" line holds the values.
std::optional<uint64_t> ParseTcpInSegments(std::string_view snmp);

// Bytes received by IP since boot, over all interfaces (InOctets of the
// IpExt lines of /proc/net/netstat); none when the system does not say.
// Unlike a segment count it stays right when segments are merged (GRO,
// loopback).
std::optional<uint64_t> GetIpInOctets();
std::optional<uint64_t> ParseIpInOctets(std::string_view netstat);

#endif  // QEL_PLATFORM_TCP_STATS_H_
