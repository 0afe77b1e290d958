// A plain SMTP client for the operator mails: HELO (no EHLO, no authentication, no
// encryption), MAIL, RCPT for every recipient, DATA, QUIT, on one TCP connection to the
// mail server. Failures leave a text in LastError(); nothing is logged here, the
// caller decides what to tell whom.
//
// Bounds: the whole session, from Connect to the end of Disconnect, takes at most the
// session limit (30 s): a server that accepts and then says nothing, or stops in the
// middle, cannot hold the calling thread longer. A stop test, when given, ends any
// wait of the session as soon as it says so. A wait cut short leaves "Server did not
// answer in time" or "Stopped" (during Connect, its own texts).
//
// Replies: each command is followed by the reading of one reply, and a reply is whole
// when its last line has arrived, however many TCP segments it took and however many
// "ddd-" lines come before its "ddd " line; the code of that last line is compared
// with the expectation. Whatever arrives after it is kept as the start of the next
// reply. The reply buffer is one fixed block of 1024 bytes: a longer reply line is
// read to its end, but only its first bytes are kept.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "notify/mail_message.h"
#include "platform/tcp_socket.h"

namespace vellora::notify {

inline constexpr int kSmtpSessionLimitMs = 30000;

struct SmtpOptions {
  platform::StopTest stop;  // empty: only the session limit ends a wait
  int sessionLimitMs = kSmtpSessionLimitMs;
};

class SmtpClient {
 public:
  using Options = SmtpOptions;
  static constexpr int kSessionLimitMs = kSmtpSessionLimitMs;
  static constexpr size_t kReplyBufferSize = 1024;
  // Windows' gethostname takes 80 bytes: a longer name is treated as no name.
  static constexpr size_t kHostNameLimit = 80;

  SmtpClient(std::string serverHost, int port, Options options = Options());
  ~SmtpClient();
  SmtpClient(const SmtpClient&) = delete;
  SmtpClient& operator=(const SmtpClient&) = delete;

  // Connects, reads the greeting (220) and says HELO (250). True when already connected.
  bool Connect();
  // Sends one message: MAIL, one RCPT per To, Cc and Bcc recipient (a refused
  // recipient is not acted on), DATA, the header, the body and the end of data.
  // True when the server accepted the data.
  bool SendMessage(MailMessage& message);
  // QUIT (221) and closes. True when not connected.
  bool Disconnect();

  const std::string& LastError() const { return lastError_; }
  bool IsConnected() const { return connected_; }

 private:
  enum class Read { Ok, Failed, TimedOut, Stopped };

  bool Send(std::string_view text);
  // Reads one whole reply; its code is 0 when its first three characters are no
  // number (no expectation is 0, so the check fails and the text shows 0).
  Read ReadReply(int& code);
  // Reads one reply and compares its code with the expectation; on a mismatch the
  // last error becomes "code:text".
  bool Check(int expected, const char* text);
  void SetReadError(Read result);
  int RemainingMs() const;
  void Drop();  // closes the socket and releases the reply buffer

  const std::string host_;
  const int port_;
  const Options options_;
  std::string lastError_ = "OK";
  bool connected_ = false;
  platform::TcpSocket socket_;
  std::unique_ptr<char[]> reply_;
  size_t replyStart_ = 0;  // unread bytes of the reply buffer: [replyStart_, replyEnd_)
  size_t replyEnd_ = 0;
  bool peerClosed_ = false;
  uint64_t deadlineNs_ = 0;  // monotonic end of the session
};

}  // namespace vellora::notify
