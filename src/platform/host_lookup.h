// Host names to IPv4 addresses through the system's resolver.
#ifndef QEL_PLATFORM_HOST_LOOKUP_H_
#define QEL_PLATFORM_HOST_LOOKUP_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Four bytes in network order.
using Ipv4Bytes = std::array<uint8_t, 4>;

// Every IPv4 address the system gives for `name`, in its order, each once.
// False when the name does not resolve; `error` then gets the resolver's
// code (getaddrinfo's EAI_* value).
bool LookupHostIpv4(const std::string& name, std::vector<Ipv4Bytes>* addresses, int* error);

#endif  // QEL_PLATFORM_HOST_LOOKUP_H_
