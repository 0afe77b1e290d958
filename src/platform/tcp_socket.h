// A TCP client connection over IPv4 whose every wait is bounded: name resolution,
// connecting, sending and receiving each take a time-out, and each also ends as soon
// as the caller's stop test says so (checked at least every kSliceMs), so a program
// that is stopping never sits in a mail session. Writes never raise SIGPIPE: a peer
// that has gone makes a send fail instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vellora::platform {

// True when the caller wants its waits to end now. An empty function never stops.
using StopTest = std::function<bool()>;

enum class TcpStatus {
  Ok,
  Failed,    // the system refused: no socket, connection refused, reset, unreachable
  TimedOut,  // the time-out passed first
  Stopped,   // the stop test said so first
  Closed,    // Receive only: the peer has closed its side, nothing more will come
};

// How often a wait looks at the stop test, at the latest.
inline constexpr int kTcpStopSliceMs = 50;

// A dotted address as it is; anything else through the system's resolver (IPv4
// answers only), which runs on a helper thread so that the wait can be cut short by
// the time-out or the stop test. The address in network byte order.
TcpStatus ResolveHostIPv4(std::string_view host, int timeoutMs, const StopTest& stop,
                          uint32_t& address);

class TcpSocket {
 public:
  TcpSocket() = default;
  ~TcpSocket();
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  // A fresh IPv4 stream socket (closing any earlier one). False when the system has
  // none to give.
  bool Create();
  bool IsOpen() const { return fd_ >= 0; }

  // Connects to the address (network byte order) and port.
  TcpStatus Connect(uint32_t address, uint16_t port, int timeoutMs, const StopTest& stop);
  // Writes all of data, waiting for room as needed.
  TcpStatus SendAll(std::string_view data, int timeoutMs, const StopTest& stop);
  // One receive of at most size bytes once something has arrived: Ok with received > 0,
  // or Closed when the peer has closed (received 0).
  TcpStatus Receive(char* buffer, size_t size, size_t& received, int timeoutMs,
                    const StopTest& stop);

  // The local address of a connected socket (network byte order).
  bool LocalAddress(uint32_t& address) const;

  void Close();

 private:
  // Waits until the socket is ready for the given poll events.
  TcpStatus WaitFor(short events, int timeoutMs, const StopTest& stop);

  int fd_ = -1;
};

}  // namespace vellora::platform
