// The mail message: recipient lists as operators type them, the header block, the
// Date: text and the body's wire form.
#include "notify/mail_message.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <ctime>

#include "platform/clock.h"
#include "platform/zone_name.h"

namespace vellora::notify {
namespace {

std::vector<std::pair<std::string, std::string>> List(const MailMessage& m, RecipientKind kind) {
  std::vector<std::pair<std::string, std::string>> out;
  for (int i = 0; i < m.GetRecipientCount(kind); ++i) {
    MailRecipient r;
    EXPECT_TRUE(m.GetRecipient(i, kind, r));
    out.emplace_back(r.address, r.name);
  }
  return out;
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST(MailRecipients, ListsAsTyped) {
  MailMessage m;
  // Two plain addresses: no names.
  EXPECT_TRUE(m.AddRecipients("ops@site;night@site", RecipientKind::To));
  EXPECT_EQ(List(m, RecipientKind::To), (Pairs{{"ops@site", ""}, {"night@site", ""}}));

  // A name and a bracketed address: the name keeps its trailing blank; anything after
  // ">" is dropped; blanks around a plain entry stay part of it.
  MailMessage n;
  EXPECT_TRUE(n.AddRecipients("Jane Doe <jane@site>tail; ops@site ", RecipientKind::Cc));
  EXPECT_EQ(List(n, RecipientKind::Cc), (Pairs{{"jane@site", "Jane Doe "}, {" ops@site ", ""}}));
  EXPECT_EQ(n.GetRecipientCount(RecipientKind::To), 0);

  // A trailing ";" and two in a row give empty entries.
  MailMessage e;
  EXPECT_TRUE(e.AddRecipients("a@site;;b@site;", RecipientKind::To));
  EXPECT_EQ(List(e, RecipientKind::To),
            (Pairs{{"a@site", ""}, {"", ""}, {"b@site", ""}, {"", ""}}));
  MailMessage only;
  EXPECT_TRUE(only.AddRecipients(";", RecipientKind::To));
  EXPECT_EQ(List(only, RecipientKind::To), (Pairs{{"", ""}, {"", ""}}));
  // An empty text names nobody: the Cc line of a mail without MailCC stays empty.
  MailMessage none;
  EXPECT_TRUE(none.AddRecipients("", RecipientKind::Cc));
  EXPECT_EQ(none.GetRecipientCount(RecipientKind::Cc), 0);

  // ">" before "<": false, the entries before it stay, nothing from it on.
  MailMessage bad;
  EXPECT_FALSE(bad.AddRecipients("a@site;x>y<z@site;c@site", RecipientKind::To));
  EXPECT_EQ(List(bad, RecipientKind::To), (Pairs{{"a@site", ""}}));
  // "<" without ">".
  MailMessage open;
  EXPECT_FALSE(open.AddRecipients("Boss <boss@site;c@site", RecipientKind::Bcc));
  EXPECT_EQ(open.GetRecipientCount(RecipientKind::Bcc), 0);
  // A second "<" inside the brackets is part of the address.
  MailMessage twice;
  EXPECT_TRUE(twice.AddRecipients("N <a<b>", RecipientKind::To));
  EXPECT_EQ(List(twice, RecipientKind::To), (Pairs{{"a<b", "N "}}));

  // Indexes and kinds outside the lists.
  MailRecipient r;
  EXPECT_FALSE(m.GetRecipient(-1, RecipientKind::To, r));
  EXPECT_FALSE(m.GetRecipient(2, RecipientKind::To, r));
  EXPECT_FALSE(m.GetRecipient(0, RecipientKind::Bcc, r));
  EXPECT_EQ(m.GetRecipientCount(static_cast<RecipientKind>(3)), 0);
  EXPECT_EQ(m.GetRecipientCount(static_cast<RecipientKind>(-1)), 0);
  m.AddRecipient("x@site", "X", static_cast<RecipientKind>(7));  // ignored, no crash
  EXPECT_EQ(m.GetRecipientCount(RecipientKind::To), 2);
}

TEST(MailHeader, LinesInOrderAndForm) {
  MailMessage m;
  m.SetFrom("vellora@prepress.local");
  m.AddRecipients("ops@site;Night Shift <night@site>;", RecipientKind::To);
  m.AddRecipient("hidden@site", "", RecipientKind::Bcc);
  m.SetSubject("Ostrel error notification mail-RIP error");
  m.SetBody("P1.PS Failed on RIP 2");
  const int64_t when = 1196690709;  // 2007-12-03 14:05:09 UTC
  m.FormatMessage(when);
  const std::string date = FormatMailDate(platform::ToLocal(when), platform::LocalZoneName(when));
  EXPECT_EQ(m.Header(),
            "From: vellora@prepress.local\r\n"
            "To: <ops@site>,Night Shift <night@site>,<>\r\n"
            "Cc: \r\n"
            "Date: " +
                date +
                "\r\n"
                "Subject: Ostrel error notification mail-RIP error\r\n"
                "X-Mailer: Tamsel Mail\r\n"
                "\r\n");
  EXPECT_EQ(m.Header().find("hidden"), std::string::npos);
  EXPECT_EQ(m.Date(), when);
  EXPECT_EQ(m.Body(), "P1.PS Failed on RIP 2\r\n");
  // Building again neither doubles the header nor the body's line end.
  m.FormatMessage(when);
  EXPECT_EQ(m.Header().find("From:", 1), std::string::npos);
  EXPECT_EQ(m.Body(), "P1.PS Failed on RIP 2\r\n");
}

TEST(MailHeader, DateInEnglishWithTheSystemsZoneName) {
  platform::LocalTime t;
  t.year = 2007;
  t.month = 12;
  t.day = 3;
  t.hour = 14;
  t.minute = 5;
  t.second = 9;
  t.weekday = 1;
  EXPECT_EQ(FormatMailDate(t, "W. Europe Standard Time"),
            "Mon, 03 Dec 07 14:05:09 W. Europe Standard Time");
  t.year = 2000;
  t.month = 1;
  t.day = 30;
  t.hour = 0;
  t.weekday = 0;
  EXPECT_EQ(FormatMailDate(t, "UTC"), "Sun, 30 Jan 00 00:05:09 UTC");

  // The pattern "%a, %d %b %y %H:%M:%S %Z" as the C library writes it in the C
  // locale, for an instant in winter and one in summer; the text stays the same
  // whatever locale the process runs in (where other locales are installed).
  const char* before = std::setlocale(LC_ALL, nullptr);
  const std::string saved = before != nullptr ? before : "C";
  for (const int64_t when : {int64_t{1196690709}, int64_t{1216300000}}) {
    std::setlocale(LC_ALL, "C");
    const std::time_t tt = static_cast<std::time_t>(when);
    char expected[128] = {};
    std::strftime(expected, sizeof expected, "%a, %d %b %y %H:%M:%S %Z", std::localtime(&tt));
    for (const char* locale : {"C", "de_DE.UTF-8", "fr_FR.UTF-8", "C.UTF-8"}) {
      if (std::setlocale(LC_ALL, locale) == nullptr) continue;
      EXPECT_EQ(FormatMailDate(platform::ToLocal(when), platform::LocalZoneName(when)), expected)
          << locale;
    }
  }
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(MailBody, LineEndsAndDots) {
  // A body without a final line end gets one; lone LF and CR become CR LF.
  MailMessage m;
  m.SetBody("first\nsecond\rthird");
  m.FormatMessage(0);
  EXPECT_EQ(m.Body(), "first\r\nsecond\r\nthird\r\n");
  MailMessage empty;
  empty.FormatMessage(0);
  EXPECT_EQ(empty.Body(), "\r\n");

  // Every line that begins with a dot gets one more: a lone dot, a body that begins
  // with one, and a line like ".profile" that the server would otherwise shorten.
  EXPECT_EQ(PrepareBodyForWire(".\r\nA\r\n.\r\nB\r\n.profile\r\n..\r\nC.\r\n"),
            "..\r\nA\r\n..\r\nB\r\n..profile\r\n...\r\nC.\r\n");
  EXPECT_EQ(PrepareBodyForWire("no dots\r\n"), "no dots\r\n");
  EXPECT_EQ(PrepareBodyForWire(""), "");
}

}  // namespace
}  // namespace vellora::notify
