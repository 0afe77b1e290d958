// The SMTP session: connect and greet, send one message, quit.
#include "notify/smtp_client.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "platform/clock.h"
#include "platform/host_address.h"
#include "platform/system.h"

namespace vellora::notify {
namespace {

// Texts of the reply expectations.
const char kGenericText[] = "SMTP server error";
const char kConnectText[] = "SMTP server not available";
const char kDataText[] = "SMTP server not ready for data";
const char kQuitText[] = "SMTP server didn't terminate session";

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A "ddd-" line: more lines of the same reply follow.
bool IsContinuation(const char* head, size_t length) {
  return length == 4 && IsDigit(head[0]) && IsDigit(head[1]) && IsDigit(head[2]) && head[3] == '-';
}

// The first three characters as a number; 0 when they are none (no expectation is 0).
int CodeOf(const char* head, size_t length) {
  if (length < 3 || !IsDigit(head[0]) || !IsDigit(head[1]) || !IsDigit(head[2])) return 0;
  return (head[0] - '0') * 100 + (head[1] - '0') * 10 + (head[2] - '0');
}

bool HasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

// A CR or LF in the sender, a recipient or the subject would end the command or the
// header line early and let the rest pass as a command or header of its own.
bool AnyLineBreak(const MailMessage& message) {
  if (HasLineBreak(message.From()) || HasLineBreak(message.Subject())) return true;
  for (RecipientKind kind : {RecipientKind::To, RecipientKind::Cc, RecipientKind::Bcc}) {
    for (const MailRecipient& r : message.Recipients(kind)) {
      if (HasLineBreak(r.address) || HasLineBreak(r.name)) return true;
    }
  }
  return false;
}

// What HELO says: the host name when the system gives one that fits, else the
// connection's own address as an address literal, as the protocol asks of a client
// without a name.
std::string HeloName(const platform::TcpSocket& socket) {
  std::string name = platform::HostName();
  if (!name.empty() && name.size() <= SmtpClient::kHostNameLimit && !HasLineBreak(name)) {
    return name;
  }
  uint32_t local = 0;
  if (socket.LocalAddress(local)) return "[" + platform::FormatIPv4(local) + "]";
  return "localhost";
}

}  // namespace

SmtpClient::SmtpClient(std::string serverHost, int port, Options options)
    : host_(std::move(serverHost)), port_(port), options_(std::move(options)) {}

SmtpClient::~SmtpClient() {
  Disconnect();
}

int SmtpClient::RemainingMs() const {
  const uint64_t now = platform::MonotonicNanoseconds();
  if (now >= deadlineNs_) return 0;
  return static_cast<int>(std::min<uint64_t>((deadlineNs_ - now) / 1000000u, 1u << 30));
}

void SmtpClient::Drop() {
  socket_.Close();
  reply_.reset();
  replyStart_ = replyEnd_ = 0;
  peerClosed_ = false;
}

void SmtpClient::SetReadError(Read result) {
  switch (result) {
    case Read::TimedOut:
      lastError_ = "Server did not answer in time";
      break;
    case Read::Stopped:
      lastError_ = "Stopped";
      break;
    default:
      lastError_ = "Socket Error";
      break;
  }
}

bool SmtpClient::Send(std::string_view text) {
  switch (socket_.SendAll(text, RemainingMs(), options_.stop)) {
    case platform::TcpStatus::Ok:
      return true;
    case platform::TcpStatus::TimedOut:
      SetReadError(Read::TimedOut);
      return false;
    case platform::TcpStatus::Stopped:
      SetReadError(Read::Stopped);
      return false;
    default:
      SetReadError(Read::Failed);
      return false;
  }
}

SmtpClient::Read SmtpClient::ReadReply(int& code) {
  // Only the first four characters of each line matter: the code and whether a "-"
  // says that more lines follow.
  char head[4];
  size_t headLength = 0;
  for (;;) {
    while (replyStart_ < replyEnd_) {
      const char c = reply_[replyStart_++];
      if (c == '\n') {
        if (!IsContinuation(head, headLength)) {
          code = CodeOf(head, headLength);
          return Read::Ok;
        }
        headLength = 0;
      } else if (headLength < sizeof head) {
        head[headLength++] = c;
      }
    }
    replyStart_ = replyEnd_ = 0;
    if (peerClosed_) {
      // A last line the server closed without ending still says what it had to say.
      if (headLength > 0 && !IsContinuation(head, headLength)) {
        code = CodeOf(head, headLength);
        return Read::Ok;
      }
      return Read::Failed;
    }
    size_t received = 0;
    switch (
        socket_.Receive(reply_.get(), kReplyBufferSize, received, RemainingMs(), options_.stop)) {
      case platform::TcpStatus::Ok:
        replyEnd_ = received;
        break;
      case platform::TcpStatus::Closed:
        peerClosed_ = true;
        break;
      case platform::TcpStatus::TimedOut:
        return Read::TimedOut;
      case platform::TcpStatus::Stopped:
        return Read::Stopped;
      default:
        return Read::Failed;
    }
  }
}

bool SmtpClient::Check(int expected, const char* text) {
  int code = 0;
  const Read result = ReadReply(code);
  if (result != Read::Ok) {
    SetReadError(result);
    return false;
  }
  if (code == expected) return true;
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "%d:%s", code, text);
  lastError_ = buffer;
  return false;
}

bool SmtpClient::Connect() {
  if (connected_) return true;
  deadlineNs_ = platform::MonotonicNanoseconds() +
                static_cast<uint64_t>(std::max(options_.sessionLimitMs, 0)) * 1000000u;
  reply_.reset(new (std::nothrow) char[kReplyBufferSize]);
  if (!reply_) {
    lastError_ = "Not enough memory";
    return false;
  }
  replyStart_ = replyEnd_ = 0;
  peerClosed_ = false;
  if (!socket_.Create()) {
    lastError_ = "Unable to create the socket.";
    Drop();
    return false;
  }
  uint32_t address = 0;
  if (port_ < 1 || port_ > 65535 ||
      platform::ResolveHostIPv4(host_, RemainingMs(), options_.stop, address) !=
          platform::TcpStatus::Ok ||
      socket_.Connect(address, static_cast<uint16_t>(port_), RemainingMs(), options_.stop) !=
          platform::TcpStatus::Ok) {
    lastError_ = "Unable to connect to server";
    Drop();
    return false;
  }
  if (!Check(220, kConnectText)) {
    lastError_ = "Server didn't respond.";
    Drop();
    return false;
  }
  if (!Send("HELO " + HeloName(socket_) + "\r\n") || !Check(250, kGenericText)) {
    Drop();
    return false;
  }
  connected_ = true;
  return true;
}

bool SmtpClient::SendMessage(MailMessage& message) {
  if (!connected_) {
    lastError_ = "Must be connected";
    return false;
  }
  if (message.GetRecipientCount(RecipientKind::To) == 0) {
    lastError_ = "No Recipients";
    return false;
  }
  if (AnyLineBreak(message)) {
    lastError_ = "Line break in an address or the subject";
    return false;
  }
  message.FormatMessage();
  if (!Send("MAIL From: <" + message.From() + ">\r\n") || !Check(250, kGenericText)) return false;
  for (RecipientKind kind : {RecipientKind::To, RecipientKind::Cc, RecipientKind::Bcc}) {
    for (const MailRecipient& r : message.Recipients(kind)) {
      // A refused recipient only leaves its reply in the last error.
      if (Send("RCPT TO: <" + r.address + ">\r\n")) Check(250, kGenericText);
    }
  }
  if (!Send("DATA\r\n") || !Check(354, kDataText)) return false;
  if (!Send(message.Header()) || !Send(PrepareBodyForWire(message.Body())) || !Send("\r\n.\r\n")) {
    return false;
  }
  return Check(250, kGenericText);
}

bool SmtpClient::Disconnect() {
  if (!connected_) return true;
  const bool ok = Send("QUIT\r\n") && Check(221, kQuitText);
  Drop();
  connected_ = false;
  return ok;
}

}  // namespace vellora::notify
