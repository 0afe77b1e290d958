// An ICMP (IPv4) socket for the echo test of file servers. A raw socket where the
// process may open one (root or cap_net_raw); otherwise the kernel's unprivileged
// ICMP datagram socket, which the groups in net.ipv4.ping_group_range may open. The
// two differ in what they hand back: a raw socket receives every ICMP datagram for
// the host with its IP header in front, a datagram socket only the replies to its
// own requests, without IP header, and the kernel writes its own identifier (and
// checksum) into each request it sends.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vellora::platform {

enum class IcmpSocketKind { Raw, Datagram };

enum class IcmpOpenResult {
  Opened,
  NotPermitted,  // the process may open neither kind (or the asked-for kind)
  Failed,        // anything else: out of descriptors, no IPv4, ...
};

enum class IcmpWaitResult { Readable, TimedOut, Failed };

class IcmpSocket {
 public:
  IcmpSocket() = default;
  ~IcmpSocket();
  IcmpSocket(const IcmpSocket&) = delete;
  IcmpSocket& operator=(const IcmpSocket&) = delete;

  // A raw socket where permitted, else a datagram socket.
  IcmpOpenResult Open();
  // Only the given kind.
  IcmpOpenResult Open(IcmpSocketKind kind);
  bool isOpen() const { return fd_ >= 0; }
  IcmpSocketKind kind() const { return kind_; }

  bool SetTimeToLive(int ttl);
  bool SetTypeOfService(int tos);
  // On: the don't-fragment bit is set on every datagram. Off: it is never set (the
  // kernel's default would set it for path-MTU discovery).
  bool SetDontFragment(bool on);
  // Binds to a local IPv4 address (network byte order), port 0.
  bool Bind(uint32_t localAddress);

  // Hears only from this address from now on: the kernel no longer hands this
  // socket the ICMP traffic of other hosts (a raw socket otherwise sees all of it).
  bool Connect(uint32_t address);

  bool SendTo(const void* message, size_t size, uint32_t address);
  // A datagram socket's identifier, which the kernel writes into every request this
  // socket sends: the two bytes as they stand in the message, read in native order.
  // Known after Bind or the first send; false for a raw socket.
  bool DatagramIdentifier(uint16_t& identifier) const;

  // Waits until a datagram (or an error) is ready, at most the given milliseconds.
  IcmpWaitResult WaitReadable(int milliseconds);
  // Receives one datagram without blocking: its length, or -1. from is the sender
  // (network byte order).
  long Receive(void* buffer, size_t size, uint32_t& from);

  void Close();

 private:
  int fd_ = -1;
  IcmpSocketKind kind_ = IcmpSocketKind::Raw;
};

// How many ICMP datagrams this process has handed to the kernel so far: the
// evidence that a test which needs no echo sends none.
uint64_t IcmpDatagramsSent();

}  // namespace vellora::platform
