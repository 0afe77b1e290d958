// POSIX implementation of the bounded TCP client connection.
#include "platform/tcp_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/host_address.h"

namespace vellora::platform {
namespace {

using SteadyClock = std::chrono::steady_clock;

bool StopNow(const StopTest& stop) {
  return stop && stop();
}

int RemainingMs(SteadyClock::time_point end) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - SteadyClock::now());
  return left.count() <= 0 ? 0 : static_cast<int>(std::min<long long>(left.count(), 1 << 30));
}

SteadyClock::time_point EndAfter(int timeoutMs) {
  return SteadyClock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
}

// What the resolver thread and the waiting caller share. The caller may give up
// waiting; the thread still finishes its lookup and the last owner frees this.
struct Lookup {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  bool found = false;
  uint32_t address = 0;
};

void RunLookup(const std::shared_ptr<Lookup>& lookup, const std::string& host) {
  struct addrinfo hints {};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  struct addrinfo* list = nullptr;
  bool found = false;
  uint32_t address = 0;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &list) == 0 && list != nullptr) {
    for (struct addrinfo* a = list; a != nullptr; a = a->ai_next) {
      if (a->ai_family == AF_INET && a->ai_addrlen >= sizeof(sockaddr_in)) {
        address = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
        found = true;
        break;
      }
    }
    ::freeaddrinfo(list);
  }
  {
    std::lock_guard guard(lookup->mutex);
    lookup->finished = true;
    lookup->found = found;
    lookup->address = address;
  }
  lookup->done.notify_all();
}

}  // namespace

TcpStatus ResolveHostIPv4(std::string_view host, int timeoutMs, const StopTest& stop,
                          uint32_t& address) {
  if (ParseDottedIPv4(host, address)) return TcpStatus::Ok;
  if (host.empty() || host.find('\0') != std::string_view::npos) return TcpStatus::Failed;
  if (StopNow(stop)) return TcpStatus::Stopped;

  // The system resolver cannot be interrupted and may wait on unreachable name
  // servers for a long time, so it runs on a thread of its own that this wait may
  // leave behind.
  auto lookup = std::make_shared<Lookup>();
  try {
    std::thread(RunLookup, lookup, std::string(host)).detach();
  } catch (const std::system_error&) {
    return TcpStatus::Failed;
  }
  const auto end = EndAfter(timeoutMs);
  std::unique_lock lock(lookup->mutex);
  while (!lookup->finished) {
    if (StopNow(stop)) return TcpStatus::Stopped;
    const int left = RemainingMs(end);
    if (left == 0) return TcpStatus::TimedOut;
    lookup->done.wait_for(lock, std::chrono::milliseconds(std::min(left, kTcpStopSliceMs)));
  }
  if (!lookup->found) return TcpStatus::Failed;
  address = lookup->address;
  return TcpStatus::Ok;
}

TcpSocket::~TcpSocket() {
  Close();
}

bool TcpSocket::Create() {
  Close();
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd_ < 0) return false;
  // Commands are short lines, each answered before the next: sending each at once
  // saves the delayed-acknowledgement wait on every exchange.
  int one = 1;
  ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return true;
}

void TcpSocket::Close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

TcpStatus TcpSocket::WaitFor(short events, int timeoutMs, const StopTest& stop) {
  const auto end = EndAfter(timeoutMs);
  for (;;) {
    if (StopNow(stop)) return TcpStatus::Stopped;
    const int left = RemainingMs(end);
    struct pollfd p {};
    p.fd = fd_;
    p.events = events;
    const int rc = ::poll(&p, 1, std::min(left, kTcpStopSliceMs));
    if (rc > 0) return TcpStatus::Ok;  // ready, or an error the next call will report
    if (rc < 0 && errno != EINTR) return TcpStatus::Failed;
    if (left == 0) return TcpStatus::TimedOut;
  }
}

TcpStatus TcpSocket::Connect(uint32_t address, uint16_t port, int timeoutMs, const StopTest& stop) {
  if (fd_ < 0) return TcpStatus::Failed;
  if (StopNow(stop)) return TcpStatus::Stopped;
  struct sockaddr_in to {};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = address;
  if (::connect(fd_, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
    return TcpStatus::Ok;
  }
  if (errno != EINPROGRESS && errno != EINTR) return TcpStatus::Failed;
  const TcpStatus waited = WaitFor(POLLOUT, timeoutMs, stop);
  if (waited != TcpStatus::Ok) return waited;
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
    return TcpStatus::Failed;
  }
  return TcpStatus::Ok;
}

TcpStatus TcpSocket::SendAll(std::string_view data, int timeoutMs, const StopTest& stop) {
  if (fd_ < 0) return TcpStatus::Failed;
  const auto end = EndAfter(timeoutMs);
  while (!data.empty()) {
    if (StopNow(stop)) return TcpStatus::Stopped;
    const ssize_t sent = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      data.remove_prefix(static_cast<size_t>(sent));
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return TcpStatus::Failed;
    const TcpStatus waited = WaitFor(POLLOUT, RemainingMs(end), stop);
    if (waited != TcpStatus::Ok) return waited;
  }
  return TcpStatus::Ok;
}

TcpStatus TcpSocket::Receive(char* buffer, size_t size, size_t& received, int timeoutMs,
                             const StopTest& stop) {
  received = 0;
  if (fd_ < 0 || size == 0) return TcpStatus::Failed;
  const auto end = EndAfter(timeoutMs);
  for (;;) {
    const TcpStatus waited = WaitFor(POLLIN, RemainingMs(end), stop);
    if (waited != TcpStatus::Ok) return waited;
    const ssize_t got = ::recv(fd_, buffer, size, MSG_DONTWAIT);
    if (got > 0) {
      received = static_cast<size_t>(got);
      return TcpStatus::Ok;
    }
    if (got == 0) return TcpStatus::Closed;
    if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) return TcpStatus::Failed;
  }
}

bool TcpSocket::LocalAddress(uint32_t& address) const {
  if (fd_ < 0) return false;
  struct sockaddr_in local {};
  socklen_t length = sizeof local;
  if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length) != 0) return false;
  if (local.sin_family != AF_INET) return false;
  address = local.sin_addr.s_addr;
  return true;
}

}  // namespace vellora::platform
