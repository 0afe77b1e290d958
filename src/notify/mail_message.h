// One operator e-mail: sender, recipients by kind, subject, body, and the header block
// built from them. Created per mail on the sending thread; the SMTP client asks it to
// build its header just before the data goes out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"

namespace vellora::notify {

enum class RecipientKind { To = 0, Cc = 1, Bcc = 2 };

struct MailRecipient {
  std::string address;  // as it goes between angle brackets on the wire
  std::string name;     // display name, possibly empty
};

// The Date: header's value: "%a, %d %b %y %H:%M:%S %Z" with English day and month
// names whatever the locale, and the zone name as given.
std::string FormatMailDate(const platform::LocalTime& time, std::string_view zoneName);

class MailMessage {
 public:
  static constexpr const char* kMailerName = "Tamsel Mail";

  MailMessage() = default;

  void SetFrom(std::string from) { from_ = std::move(from); }
  void SetSubject(std::string subject) { subject_ = std::move(subject); }
  void SetBody(std::string body) { body_ = std::move(body); }
  const std::string& From() const { return from_; }
  const std::string& Subject() const { return subject_; }
  const std::string& Body() const { return body_; }
  const std::string& MailerName() const { return mailer_; }
  // Empty until FormatMessage.
  const std::string& Header() const { return header_; }
  // The time written into the Date: header (seconds since 1970), 0 until FormatMessage.
  int64_t Date() const { return date_; }

  // Appends one recipient; an empty address is kept like any other.
  void AddRecipient(std::string address, std::string name, RecipientKind kind);
  // Splits a ";"-separated list (entries are not trimmed; a trailing ";" gives an
  // empty last entry, while an empty text adds nothing). An entry is "address" or "name<address>" (anything after ">"
  // is dropped). Returns false at the first entry with a "<" but no ">" after it;
  // the entries before it stay added, the rest of the text is dropped.
  bool AddRecipients(std::string_view list, RecipientKind kind);
  // 0 for a kind value outside To, Cc, Bcc.
  int GetRecipientCount(RecipientKind kind) const;
  // False when the index is outside the list.
  bool GetRecipient(int index, RecipientKind kind, MailRecipient& recipient) const;
  const std::vector<MailRecipient>& Recipients(RecipientKind kind) const;

  // Builds the header (From, To, Cc, Date, Subject, X-Mailer, then the empty line)
  // with the current local time, and makes every line of the body end with CR LF.
  void FormatMessage();
  // The same with the given time: what a test of the exact header needs.
  void FormatMessage(int64_t epochSeconds);

 private:
  std::string from_;
  std::string subject_;
  std::string body_;
  std::string mailer_ = kMailerName;
  std::string header_;
  int64_t date_ = 0;
  std::vector<MailRecipient> lists_[3];
};

// The body as it goes out after DATA: a line that begins with a dot gets one more
// dot in front, so that the server, which takes the first dot of every such line
// away again, stores the body as it was and never reads a body line as the end.
std::string PrepareBodyForWire(std::string_view body);

}  // namespace vellora::notify
