// The mail message: recipient lists, header building and the body's wire form.
#include "notify/mail_message.h"

#include <algorithm>
#include <cstdio>

#include "platform/zone_name.h"

namespace vellora::notify {
namespace {

const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool ValidKind(RecipientKind kind) {
  const int k = static_cast<int>(kind);
  return k >= 0 && k <= 2;
}

// "name<address>" for each recipient, separated by a comma alone.
std::string RecipientLine(const std::vector<MailRecipient>& list) {
  std::string line;
  for (size_t i = 0; i < list.size(); ++i) {
    if (i > 0) line += ',';
    line += list[i].name;
    line += '<';
    line += list[i].address;
    line += '>';
  }
  return line;
}

// Every line end (CR LF, a lone LF or a lone CR) becomes CR LF: the mail protocol
// knows no other, and a lone LF that some server takes for a line end could let a
// body line be read as the end of the data.
std::string WithCrLfLines(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string FormatMailDate(const platform::LocalTime& time, std::string_view zoneName) {
  const char* day = time.weekday >= 0 && time.weekday <= 6 ? kDays[time.weekday] : "???";
  const char* month = time.month >= 1 && time.month <= 12 ? kMonths[time.month - 1] : "???";
  char text[64];
  std::snprintf(text, sizeof text, "%s, %.2d %s %.2d %.2d:%.2d:%.2d ", day, time.day, month,
                ((time.year % 100) + 100) % 100, time.hour, time.minute, time.second);
  std::string date = text;
  date += zoneName;
  return date;
}

void MailMessage::AddRecipient(std::string address, std::string name, RecipientKind kind) {
  if (!ValidKind(kind)) return;
  lists_[static_cast<int>(kind)].push_back({std::move(address), std::move(name)});
}

bool MailMessage::AddRecipients(std::string_view list, RecipientKind kind) {
  // An empty text (MailCC left empty, as it is by default) names nobody.
  if (list.empty()) return true;
  size_t start = 0;
  for (;;) {
    const size_t end = std::min(list.find(';', start), list.size());
    const std::string_view entry = list.substr(start, end - start);
    const size_t open = entry.find('<');
    if (open == std::string_view::npos) {
      AddRecipient(std::string(entry), {}, kind);
    } else {
      const size_t close = entry.find('>');
      if (close == std::string_view::npos || close < open) return false;
      AddRecipient(std::string(entry.substr(open + 1, close - open - 1)),
                   std::string(entry.substr(0, open)), kind);
    }
    if (end == list.size()) return true;
    start = end + 1;
  }
}

int MailMessage::GetRecipientCount(RecipientKind kind) const {
  if (!ValidKind(kind)) return 0;
  return static_cast<int>(lists_[static_cast<int>(kind)].size());
}

bool MailMessage::GetRecipient(int index, RecipientKind kind, MailRecipient& recipient) const {
  if (index < 0 || index >= GetRecipientCount(kind)) return false;
  recipient = lists_[static_cast<int>(kind)][static_cast<size_t>(index)];
  return true;
}

const std::vector<MailRecipient>& MailMessage::Recipients(RecipientKind kind) const {
  static const std::vector<MailRecipient> kNone;
  return ValidKind(kind) ? lists_[static_cast<int>(kind)] : kNone;
}

void MailMessage::FormatMessage() {
  FormatMessage(platform::NowEpochSeconds());
}

void MailMessage::FormatMessage(int64_t epochSeconds) {
  date_ = epochSeconds;
  header_.clear();
  header_ += "From: " + from_ + "\r\n";
  header_ += "To: " + RecipientLine(lists_[0]) + "\r\n";
  header_ += "Cc: " + RecipientLine(lists_[1]) + "\r\n";
  header_ +=
      "Date: " +
      FormatMailDate(platform::ToLocal(epochSeconds), platform::LocalZoneName(epochSeconds)) +
      "\r\n";
  header_ += "Subject: " + subject_ + "\r\n";
  header_ += "X-Mailer: " + mailer_ + "\r\n";
  header_ += "\r\n";
  body_ = WithCrLfLines(body_);
  if (body_.size() < 2 || body_.compare(body_.size() - 2, 2, "\r\n") != 0) body_ += "\r\n";
}

std::string PrepareBodyForWire(std::string_view body) {
  std::string out;
  out.reserve(body.size() + 16);
  bool lineStart = true;
  for (const char c : body) {
    if (lineStart && c == '.') out += '.';
    out += c;
    lineStart = c == '\n';
  }
  return out;
}

}  // namespace vellora::notify
