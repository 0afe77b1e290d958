// The real and the scripted mail server of the notify tests.
#include "notify/mail_peers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace vellora::test {

std::string ReceivedMail::Subject() const {
  const size_t at = data.find("Subject: ");
  if (at == std::string::npos) return {};
  return data.substr(at + 9, data.find("\r\n", at) - at - 9);
}

std::string ReceivedMail::Body() const {
  const size_t at = data.find("\r\n\r\n");
  if (at == std::string::npos) return "(malformed)";
  std::string body = data.substr(at + 4);
  while (body.ends_with("\r\n")) body.resize(body.size() - 2);
  return body;
}
namespace {

const char kHint[] =
    "port 25 needs root or CAP_NET_BIND_SERVICE; as another user run the suite in a "
    "namespace of its own: unshare -rn sh -c 'ip link set lo up && ctest -R "
    "\"^(Mail|Smtp|Flood|Notifier|SendTestMail)\"'";

void Pause(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

PeerStage StageOf(const std::string& line) {
  std::string verb = line.substr(0, 4);
  std::transform(verb.begin(), verb.end(), verb.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (verb == "HELO" || verb == "EHLO") return PeerStage::Helo;
  if (verb == "MAIL") return PeerStage::Mail;
  if (verb == "RCPT") return PeerStage::Rcpt;
  if (verb == "DATA") return PeerStage::Data;
  if (verb == "QUIT") return PeerStage::Quit;
  return PeerStage::Other;
}

}  // namespace

std::string OwnLoopbackAddress(int salt) {
  unsigned n = static_cast<unsigned>(::getpid()) * 4u + static_cast<unsigned>(salt & 3);
  const unsigned d = 1 + n % 250;
  n /= 250;
  const unsigned c = n % 256;
  n /= 256;
  const unsigned b = 64 + n % 64;
  return "127." + std::to_string(b) + "." + std::to_string(c) + "." + std::to_string(d);
}

// ---------------------------------------------------------------- SmtpServer

SmtpServer::~SmtpServer() {
  if (started_ || process_.Running()) {
    process_.Signal(SIGTERM);
    if (process_.Wait(10000) < 0) {
      process_.Signal(SIGKILL);
      process_.Wait(5000);
    }
  }
}

bool SmtpServer::Start(const std::string& address, int port) {
  const std::string mail = dir_ / "mail";
  MakeDirs(mail);
  const std::string log = dir_ / "server.log";
  if (!process_.Start(
          "/usr/bin/python3",
          {SMTP_SERVER_SCRIPT, "--host", address, "--port", std::to_string(port), "--dir", mail},
          log)) {
    why_ = "cannot start /usr/bin/python3 " SMTP_SERVER_SCRIPT;
    return false;
  }
  const bool ready = WaitFor([&] { return Exists(mail + "/ready") || !process_.Running(); });
  if (!ready || !Exists(mail + "/ready")) {
    why_ = "the SMTP server did not start on " + address + ":" + std::to_string(port) + ": " +
           ReadFile(log) + "(" + kHint + ")";
    return false;
  }
  started_ = true;
  return true;
}

std::vector<ReceivedMail> SmtpServer::Messages() const {
  std::vector<std::string> envelopes;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir_ / "mail", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() == 8 && name.substr(4) == ".env") envelopes.push_back(entry.path().string());
  }
  std::sort(envelopes.begin(), envelopes.end());
  std::vector<ReceivedMail> mails;
  for (const std::string& env : envelopes) {
    ReceivedMail m;
    std::istringstream lines(ReadFile(env));
    std::string line;
    while (std::getline(lines, line)) {
      if (line.rfind("helo ", 0) == 0) m.helo = line.substr(5);
      if (line.rfind("from ", 0) == 0) m.from = line.substr(5);
      if (line.rfind("rcpt ", 0) == 0) m.recipients.push_back(line.substr(5));
    }
    m.data = ReadFile(env.substr(0, env.size() - 4) + ".eml");
    mails.push_back(std::move(m));
  }
  return mails;
}

bool SmtpServer::WaitForMessages(size_t count, int timeoutMs) const {
  return WaitFor([&] { return Messages().size() >= count; }, timeoutMs);
}

// ---------------------------------------------------------------- ScriptedPeer

PeerReply ScriptedPeer::Standard(PeerStage stage) {
  switch (stage) {
    case PeerStage::Greeting:
      return PeerReply::Text("220 peer ready\r\n");
    case PeerStage::Helo:
      return PeerReply::Text("250 peer\r\n");
    case PeerStage::Mail:
    case PeerStage::Rcpt:
      return PeerReply::Text("250 OK\r\n");
    case PeerStage::Data:
      return PeerReply::Text("354 go ahead\r\n");
    case PeerStage::EndOfData:
      return PeerReply::Text("250 queued\r\n");
    case PeerStage::Quit:
      return PeerReply::Text("221 bye\r\n");
    case PeerStage::Other:
      break;
  }
  return PeerReply::Text("500 what\r\n");
}

ScriptedPeer::ScriptedPeer(Responder responder, const std::string& address, int port)
    : responder_(std::move(responder)), address_(address) {
  if (!responder_) responder_ = [](PeerStage stage, const std::string&) { return Standard(stage); };
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) {
    why_ = std::string("socket: ") + std::strerror(errno);
    return;
  }
  int one = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(static_cast<uint16_t>(port));
  ::inet_pton(AF_INET, address.c_str(), &at.sin_addr);
  socklen_t length = sizeof at;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 ||
      ::listen(listener_, 8) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &length) != 0) {
    why_ = "cannot listen on " + address + ":" + std::to_string(port) + ": " +
           std::strerror(errno) + (port == 25 ? std::string(" (") + kHint + ")" : "");
    ::close(listener_);
    listener_ = -1;
    return;
  }
  port_ = ntohs(at.sin_port);
  thread_ = std::thread([this] { Run(); });
}

ScriptedPeer::~ScriptedPeer() {
  stop_.store(true);
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) ::close(listener_);
}

std::string ScriptedPeer::Received() const {
  std::lock_guard guard(mutex_);
  return received_;
}

bool ScriptedPeer::WaitForConnection(int count, int timeoutMs) const {
  return WaitFor([&] { return connections_.load() >= count; }, timeoutMs);
}

bool ScriptedPeer::WaitForClientClose(int timeoutMs) const {
  return WaitFor([&] { return clientClosed_.load(); }, timeoutMs);
}

void ScriptedPeer::Run() {
  while (!stop_.load()) {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    Serve(fd);
    ::close(fd);
  }
}

bool ScriptedPeer::Reply(int fd, const PeerReply& reply) {
  for (size_t i = 0; i < reply.pieces.size(); ++i) {
    if (i > 0) Pause(40);  // a piece of its own on the wire
    const std::string& piece = reply.pieces[i];
    if (::send(fd, piece.data(), piece.size(), MSG_NOSIGNAL) < 0) return false;
  }
  return reply.then != PeerReply::Then::Close;
}

void ScriptedPeer::Serve(int fd) {
  clientClosed_.store(false);
  connections_.fetch_add(1);
  PeerReply greeting = responder_(PeerStage::Greeting, "");
  bool hanging = greeting.then == PeerReply::Then::Hang;
  if (!Reply(fd, greeting)) return;
  std::string pending;
  std::string data;
  bool inData = false;
  char buffer[4096];
  while (!stop_.load()) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      clientClosed_.store(true);
      return;
    }
    {
      std::lock_guard guard(mutex_);
      received_.append(buffer, static_cast<size_t>(n));
    }
    if (hanging) continue;
    pending.append(buffer, static_cast<size_t>(n));
    size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      PeerStage stage;
      if (inData) {
        if (line != ".") {
          data += line + "\r\n";
          continue;
        }
        inData = false;
        stage = PeerStage::EndOfData;
        line = data;
        data.clear();
      } else {
        stage = StageOf(line);
      }
      const PeerReply reply = responder_(stage, line);
      std::string whole;
      for (const std::string& piece : reply.pieces) whole += piece;
      if (stage == PeerStage::Data && whole.rfind("354", 0) == 0) inData = true;
      if (!Reply(fd, reply)) return;
      if (reply.then == PeerReply::Then::Hang) {
        hanging = true;
        break;
      }
      // A server closes after its answer to QUIT.
      if (stage == PeerStage::Quit) {
        ::shutdown(fd, SHUT_WR);
      }
    }
  }
}

}  // namespace vellora::test
