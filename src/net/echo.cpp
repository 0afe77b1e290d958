// PingHost over the platform's ICMP socket, and the report of a process that may
// not send echoes at all.
#include <algorithm>
#include <atomic>
#include <mutex>

#include "net/echo.h"
#include "platform/clock.h"
#include "platform/host_address.h"
#include "platform/icmp_socket.h"
#include "platform/system.h"

namespace vellora::net {
namespace {

// Large enough for the largest IPv4 datagram the request can provoke.
constexpr size_t kReceiveBufferSize = 65532;

std::mutex g_reporterMutex;
std::function<void(const std::string&)> g_reporter;
// The current spell of "not permitted" has been reported. Cleared by every socket
// that opens, so a later loss of the permission is reported again.
std::atomic<bool> g_reported{false};

void ReportNotPermitted() {
  std::function<void(const std::string&)> reporter;
  {
    std::lock_guard lock(g_reporterMutex);
    if (g_reported.load() || !g_reporter) return;
    g_reported.store(true);
    reporter = g_reporter;
  }
  reporter(EchoNotPermittedMessage());
}

void NotePermitted() {
  g_reported.store(false, std::memory_order_relaxed);
}

uint64_t ElapsedMs(uint64_t since) {
  return (platform::MonotonicNanoseconds() - since) / 1000000;
}

}  // namespace

std::string EchoNotPermittedMessage() {
  std::string exe = platform::ExecutablePath();
  if (exe.empty()) exe = "<program>";
  return "ERROR: ICMP echo not permitted: this process may open neither a raw nor a datagram "
         "ICMP socket, so every folder on another host counts as unreachable. Fix: setcap "
         "cap_net_raw+ep " +
         exe +
         " (then restart), or let the process's group send echoes with sysctl -w "
         "net.ipv4.ping_group_range=\"0 2147483647\"";
}

void SetEchoProblemReporter(std::function<void(const std::string&)> reporter) {
  std::lock_guard lock(g_reporterMutex);
  g_reporter = std::move(reporter);
}

bool PingHost(std::string_view host, EchoReply& reply, int timeToLive, int waitMs, int dataSize,
              int typeOfService, int dontFragment, std::string_view localAddress, int sequence) {
  uint32_t destination = 0;
  if (!platform::ResolveIPv4(host, destination)) return false;

  platform::IcmpSocket socket;
  switch (socket.Open()) {
    case platform::IcmpOpenResult::Opened:
      NotePermitted();
      break;
    case platform::IcmpOpenResult::NotPermitted:
      ReportNotPermitted();
      return false;
    case platform::IcmpOpenResult::Failed:
      return false;
  }
  if (!localAddress.empty()) {
    uint32_t local = 0;
    if (!platform::ParseDottedIPv4(localAddress, local) || !socket.Bind(local)) return false;
  }
  if (!socket.SetTimeToLive(timeToLive) || !socket.SetTypeOfService(typeOfService) ||
      !socket.SetDontFragment(dontFragment != 0)) {
    return false;
  }

  // Every raw socket of the host receives every ICMP datagram, so the replies to the
  // other threads' echoes (and other programs' pings) would each restart the wait.
  // Connected, the socket hears only the server.
  if (!socket.Connect(destination)) return false;

  const auto ownIdentifier = static_cast<uint16_t>(platform::ProcessId() & 0xFFFF);
  const auto seq = static_cast<uint16_t>(sequence & 0xFFFF);
  std::vector<uint8_t> request =
      BuildEchoRequest(ownIdentifier, seq, platform::TickCountMilliseconds(), dataSize);
  const uint64_t sentAt = platform::MonotonicNanoseconds();
  if (!socket.SendTo(request.data(), request.size(), destination)) return false;

  // A datagram socket carries the identifier the kernel chose; replies show that one.
  uint16_t identifier = ownIdentifier;
  const bool raw = socket.kind() == platform::IcmpSocketKind::Raw;
  if (!raw && !socket.DatagramIdentifier(identifier)) return false;

  if (waitMs < 0) waitMs = 0;
  const uint64_t limitMs = static_cast<uint64_t>(waitMs) * kEchoWaitLimitFactor;
  std::vector<uint8_t> buffer(kReceiveBufferSize);
  for (;;) {
    const uint64_t spent = ElapsedMs(sentAt);
    const uint64_t left = spent < limitMs ? limitMs - spent : 0;
    const int wait = static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(waitMs), left));
    if (socket.WaitReadable(wait) != platform::IcmpWaitResult::Readable) return false;
    uint32_t from = 0;
    long n = socket.Receive(buffer.data(), buffer.size(), from);
    if (n < 0) {
      if (left == 0) return false;
      continue;
    }
    switch (CheckEchoDatagram(buffer.data(), static_cast<size_t>(n), raw, identifier, seq, from,
                              destination)) {
      case EchoVerdict::NotOurs:
        if (left == 0) return false;
        continue;
      case EchoVerdict::Failure:
        return false;
      case EchoVerdict::Reply:
        reply.address = from;
        reply.roundTripMs = static_cast<int>(ElapsedMs(sentAt));
        return true;
    }
  }
}

}  // namespace vellora::net
