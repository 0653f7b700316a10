#include "platform/host_lookup.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>

bool LookupHostIpv4(const std::string& name, std::vector<Ipv4Bytes>* addresses, int* error) {
  addresses->clear();
  *error = 0;
  if (name.empty()) {
    *error = EAI_NONAME;
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int result = getaddrinfo(name.c_str(), nullptr, &hints, &found);
  if (result != 0) {
    *error = result;
    return false;
  }
  for (addrinfo* at = found; at; at = at->ai_next) {
    if (at->ai_family != AF_INET || !at->ai_addr)
      continue;
    Ipv4Bytes bytes;
    const auto* in = reinterpret_cast<const sockaddr_in*>(at->ai_addr);
    memcpy(bytes.data(), &in->sin_addr.s_addr, bytes.size());
    if (std::find(addresses->begin(), addresses->end(), bytes) == addresses->end())
      addresses->push_back(bytes);
  }
  freeaddrinfo(found);
  if (addresses->empty())
    *error = EAI_NODATA;
  return !addresses->empty();
}
