// The mail servers the notify tests talk to: a real one (aiosmtpd, run by
// tests/fixtures/smtp-server) and a scripted one on a raw socket that records the
// client's bytes exactly and can misbehave on cue (refuse, close, answer in pieces,
// never answer).
//
// Operator mail always goes to port 25, so a test that needs it listens on port 25 of
// a loopback address of its own (127.64.0.0/10 by process id, so parallel test
// processes never meet). Binding port 25 needs root (CI runs as root) or
// CAP_NET_BIND_SERVICE; elsewhere run the suite in a user and network namespace of
// its own (see the README): unshare -rn sh -c 'ip link set lo up && ctest -R ...'.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vellora::test {

// A loopback address of this test process's own; salt picks another one.
std::string OwnLoopbackAddress(int salt = 0);

// A message as the real server stored it.
struct ReceivedMail {
  std::string helo;
  std::string from;
  std::vector<std::string> recipients;
  std::string data;  // header and body, dot transparency undone

  // The Subject header's text; empty without one.
  std::string Subject() const;
  // The body without the line ends the message closes it with; "(malformed)" when
  // there is no empty line after the header.
  std::string Body() const;
};

class SmtpServer {
 public:
  SmtpServer() = default;
  ~SmtpServer();
  SmtpServer(const SmtpServer&) = delete;
  SmtpServer& operator=(const SmtpServer&) = delete;

  // Starts aiosmtpd on address:port and waits until it listens. On failure, why()
  // says why (with the hint for a machine where the test may not bind port 25).
  bool Start(const std::string& address, int port = 25);
  const std::string& why() const { return why_; }

  std::vector<ReceivedMail> Messages() const;
  // Waits until at least count messages are stored.
  bool WaitForMessages(size_t count, int timeoutMs = 20000) const;

 private:
  TempDir dir_;
  ChildProcess process_;
  std::string why_;
  bool started_ = false;
};

// One reply of the scripted peer: sent in the given pieces, one send each with a short
// pause between them, so that they arrive as separate TCP segments; then the peer goes
// on, closes the connection or falls silent.
struct PeerReply {
  enum class Then { Continue, Close, Hang };
  std::vector<std::string> pieces;
  Then then = Then::Continue;

  static PeerReply Text(std::string text) { return {{std::move(text)}, Then::Continue}; }
  static PeerReply Pieces(std::vector<std::string> pieces) {
    return {std::move(pieces), Then::Continue};
  }
  static PeerReply TextThenClose(std::string text) { return {{std::move(text)}, Then::Close}; }
  static PeerReply Close() { return {{}, Then::Close}; }
  static PeerReply Hang() { return {{}, Then::Hang}; }
};

// Where in the session the peer is asked for a reply.
enum class PeerStage { Greeting, Helo, Mail, Rcpt, Data, EndOfData, Quit, Other };

class ScriptedPeer {
 public:
  // What to answer at a stage; line is the command line without its line end (the
  // data without the final "." line for EndOfData). The default answers as a
  // well-behaved server does.
  using Responder = std::function<PeerReply(PeerStage stage, const std::string& line)>;
  static PeerReply Standard(PeerStage stage);

  // Listens on address:port (port 0: any free port).
  explicit ScriptedPeer(Responder responder = {}, const std::string& address = "127.0.0.1",
                        int port = 0);
  ~ScriptedPeer();
  ScriptedPeer(const ScriptedPeer&) = delete;
  ScriptedPeer& operator=(const ScriptedPeer&) = delete;

  bool ok() const { return listener_ >= 0; }
  const std::string& why() const { return why_; }
  const std::string& address() const { return address_; }
  int port() const { return port_; }

  // Every byte the clients sent, connections one after another.
  std::string Received() const;
  int Connections() const { return connections_.load(); }
  // True once the client has closed the current connection (or it was closed).
  bool WaitForConnection(int count, int timeoutMs = 20000) const;
  bool WaitForClientClose(int timeoutMs = 20000) const;

 private:
  void Run();
  void Serve(int fd);
  bool Reply(int fd, const PeerReply& reply);  // false: the connection is over

  Responder responder_;
  std::string address_;
  int port_ = 0;
  int listener_ = -1;
  std::string why_;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::atomic<bool> clientClosed_{false};
  mutable std::mutex mutex_;
  std::string received_;
  std::thread thread_;
};

}  // namespace vellora::test
