// IPv4 host addresses: the dotted text form, the name resolver, and back to text.
// Addresses are kept as the four bytes of the wire (network byte order) in a
// uint32_t, the way the socket layer stores them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vellora::platform {

// Exactly four decimal parts "a.b.c.d", each 0 to 255.
bool ParseDottedIPv4(std::string_view text, uint32_t& address);
// A dotted address as it is, anything else through the system's name resolver
// (IPv4 answers only). False when the name cannot be resolved.
bool ResolveIPv4(std::string_view host, uint32_t& address);
std::string FormatIPv4(uint32_t address);

}  // namespace vellora::platform
