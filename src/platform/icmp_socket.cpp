// POSIX implementation of the ICMP socket.
#include "platform/icmp_socket.h"

#include <netinet/in.h>
#include <netinet/ip.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/clock.h"

namespace vellora::platform {
namespace {

std::atomic<uint64_t> g_sent{0};

bool IsPermissionError(int err) {
  // EACCES: the group is outside ping_group_range; EPERM: no CAP_NET_RAW; a kernel
  // built without ping sockets answers EPROTONOSUPPORT, which the same fixes (the
  // capability) cure.
  return err == EPERM || err == EACCES || err == EPROTONOSUPPORT;
}

}  // namespace

IcmpSocket::~IcmpSocket() {
  Close();
}

IcmpOpenResult IcmpSocket::Open() {
  IcmpOpenResult raw = Open(IcmpSocketKind::Raw);
  if (raw != IcmpOpenResult::NotPermitted) return raw;
  return Open(IcmpSocketKind::Datagram);
}

IcmpOpenResult IcmpSocket::Open(IcmpSocketKind kind) {
  Close();
  int type = kind == IcmpSocketKind::Raw ? SOCK_RAW : SOCK_DGRAM;
  int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd < 0) {
    return IsPermissionError(errno) ? IcmpOpenResult::NotPermitted : IcmpOpenResult::Failed;
  }
  fd_ = fd;
  kind_ = kind;
  return IcmpOpenResult::Opened;
}

bool IcmpSocket::SetTimeToLive(int ttl) {
  return fd_ >= 0 && ::setsockopt(fd_, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl) == 0;
}

bool IcmpSocket::SetTypeOfService(int tos) {
  return fd_ >= 0 && ::setsockopt(fd_, IPPROTO_IP, IP_TOS, &tos, sizeof tos) == 0;
}

bool IcmpSocket::SetDontFragment(bool on) {
  int mode = on ? IP_PMTUDISC_DO : IP_PMTUDISC_DONT;
  return fd_ >= 0 && ::setsockopt(fd_, IPPROTO_IP, IP_MTU_DISCOVER, &mode, sizeof mode) == 0;
}

bool IcmpSocket::Bind(uint32_t localAddress) {
  if (fd_ < 0) return false;
  struct sockaddr_in local {};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = localAddress;
  local.sin_port = 0;
  return ::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

bool IcmpSocket::Connect(uint32_t address) {
  if (fd_ < 0) return false;
  struct sockaddr_in to {};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = address;
  return ::connect(fd_, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
}

bool IcmpSocket::SendTo(const void* message, size_t size, uint32_t address) {
  if (fd_ < 0) return false;
  struct sockaddr_in to {};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = address;
  ssize_t n;
  do {
    n = ::sendto(fd_, message, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  } while (n < 0 && errno == EINTR);
  if (n < 0 || static_cast<size_t>(n) != size) return false;
  g_sent.fetch_add(1, std::memory_order_relaxed);
  return true;
}

bool IcmpSocket::DatagramIdentifier(uint16_t& identifier) const {
  if (fd_ < 0 || kind_ != IcmpSocketKind::Datagram) return false;
  struct sockaddr_in local {};
  socklen_t len = sizeof local;
  if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &len) != 0) return false;
  // The kernel stores the port in the identifier field as it is, so the raw 16 bits
  // compare equal to the field read natively from a reply.
  identifier = local.sin_port;
  return true;
}

IcmpWaitResult IcmpSocket::WaitReadable(int milliseconds) {
  if (fd_ < 0) return IcmpWaitResult::Failed;
  if (milliseconds < 0) milliseconds = 0;
  const uint64_t deadline =
      MonotonicNanoseconds() + static_cast<uint64_t>(milliseconds) * 1000000ull;
  for (;;) {
    uint64_t now = MonotonicNanoseconds();
    int left = now >= deadline ? 0 : static_cast<int>((deadline - now + 999999) / 1000000);
    struct pollfd p {};
    p.fd = fd_;
    p.events = POLLIN;
    int r = ::poll(&p, 1, left);
    if (r > 0) return IcmpWaitResult::Readable;
    if (r == 0) return IcmpWaitResult::TimedOut;
    if (errno != EINTR) return IcmpWaitResult::Failed;
  }
}

long IcmpSocket::Receive(void* buffer, size_t size, uint32_t& from) {
  if (fd_ < 0) return -1;
  struct sockaddr_in sender {};
  socklen_t len = sizeof sender;
  ssize_t n;
  do {
    n = ::recvfrom(fd_, buffer, size, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&sender), &len);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return -1;
  from = sender.sin_addr.s_addr;
  return static_cast<long>(n);
}

void IcmpSocket::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

uint64_t IcmpDatagramsSent() {
  return g_sent.load(std::memory_order_relaxed);
}

}  // namespace vellora::platform
