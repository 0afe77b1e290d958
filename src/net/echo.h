// The ICMP echo ("ping") that tells whether a file server answers before any of its
// folders is touched: the request message, its checksum, the check of what comes
// back, and PingHost itself. Linked into both deliverables; it knows nothing of the
// program's settings or logs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vellora::net {

struct EchoReply {
  uint32_t address = 0;  // the replying host, IPv4 in network byte order
  int roundTripMs = 0;
  int reserved = 0;  // left 0
};

// An echo request is this many bytes longer than its data.
constexpr size_t kEchoHeaderSize = 12;
constexpr int kMaxEchoDataSize = 65500;

// The Internet checksum (RFC 1071) of the bytes: the one's complement of the one's
// complement sum of their 16-bit words, an odd last byte padded with a zero byte.
// Words are read, and the result is meant to be stored, in the machine's own byte
// order; the bytes on the wire come out the same on either kind of machine.
uint16_t InternetChecksum(const uint8_t* data, size_t size);

// The echo request: type 8, code 0, checksum, identifier, sequence, a 4-byte time
// stamp, then dataSize bytes 0x45 ("E"); dataSize is cut to 0..kMaxEchoDataSize. The
// multi-byte fields are in native byte order.
std::vector<uint8_t> BuildEchoRequest(uint16_t identifier, uint16_t sequence, uint32_t timeStamp,
                                      int dataSize);

enum class EchoVerdict {
  NotOurs,  // someone else's datagram, too short, or our own request seen on loopback
  Reply,    // the echo reply to our request
  Failure,  // an answer to our identifier and sequence that is not an echo reply
};

// Judges one received datagram. withIpHeader: it starts with the IP header (raw
// socket); otherwise with the ICMP message (datagram socket). from and destination
// are network byte order: a reply counts only when it comes from the host asked,
// because every raw socket of the process sees the replies meant for its siblings,
// which carry the same identifier.
EchoVerdict CheckEchoDatagram(const uint8_t* datagram, size_t size, bool withIpHeader,
                              uint16_t identifier, uint16_t sequence, uint32_t from,
                              uint32_t destination);

// Sends one echo request to host (a dotted IPv4 address, or a name for the resolver)
// and waits for the reply. timeToLive and typeOfService go into the IP header; the
// don't-fragment bit is set only when dontFragment is non-zero; localAddress, when
// not empty, is the dotted address to send from. Each wait lasts at most waitMs and
// starts again after every datagram that is not the reply; the whole call ends after
// kEchoWaitLimitFactor × waitMs at the latest. True, with reply filled, when the
// reply arrived; reply is left alone otherwise.
bool PingHost(std::string_view host, EchoReply& reply, int timeToLive, int waitMs, int dataSize,
              int typeOfService, int dontFragment, std::string_view localAddress, int sequence);

// Restarting the wait for every foreign datagram must not let the ICMP traffic of
// other programs (monitoring pings, the sibling threads' echoes) hold a thread for
// ever: a server that does not answer still costs a bounded time.
constexpr int kEchoWaitLimitFactor = 5;

// Where the one "ERROR:" line goes when this process may open no ICMP socket at all
// (neither raw nor datagram). Installed once at start. The line is written when the
// situation arises, not on every echo: once, and again only after an echo was
// possible in between.
void SetEchoProblemReporter(std::function<void(const std::string&)> reporter);

// The text of that line, naming the two fixes.
std::string EchoNotPermittedMessage();

}  // namespace vellora::net
