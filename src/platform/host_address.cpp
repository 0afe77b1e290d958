// POSIX implementation of the IPv4 address helpers.
#include "platform/host_address.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

namespace vellora::platform {

bool ParseDottedIPv4(std::string_view text, uint32_t& address) {
  if (text.empty() || text.size() > 15) return false;
  char buf[16] = {};
  std::memcpy(buf, text.data(), text.size());
  struct in_addr in {};
  // inet_pton takes only the strict four-part form: "10.1" is a name, not an address.
  if (::inet_pton(AF_INET, buf, &in) != 1) return false;
  address = in.s_addr;
  return true;
}

bool ResolveIPv4(std::string_view host, uint32_t& address) {
  if (ParseDottedIPv4(host, address)) return true;
  if (host.empty()) return false;
  std::string name(host);
  struct addrinfo hints {};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_RAW;
  struct addrinfo* found = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
  bool ok = false;
  for (struct addrinfo* a = found; a != nullptr; a = a->ai_next) {
    if (a->ai_family == AF_INET && a->ai_addrlen >= sizeof(sockaddr_in)) {
      address = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
      ok = true;
      break;
    }
  }
  ::freeaddrinfo(found);
  return ok;
}

std::string FormatIPv4(uint32_t address) {
  struct in_addr in {};
  in.s_addr = address;
  char buf[INET_ADDRSTRLEN] = {};
  if (::inet_ntop(AF_INET, &in, buf, sizeof buf) == nullptr) return {};
  return buf;
}

}  // namespace vellora::platform
