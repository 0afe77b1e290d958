// "Error notification" opened from the database setup: which controls the mailed
// kinds open, the checks "Send test mail" makes before it sends anything.
#include <gtest/gtest.h>

#include "menu_site.h"
#include "ui/config_database.h"
#include "ui/config_email.h"

namespace vellora::ui {
namespace {

using test::Boxes;
using test::Click;
using test::Enabled;
using test::MenuSite;
using test::SetCheck;
using test::Type;
using test::WhenOpen;

// Runs step in the e-mail dialog opened from "Setup database....", then cancels both.
void InEmailDialog(MenuSite& site, std::function<void(CConfigEmail&)> step) {
  ASSERT_TRUE(site.Run<CConfigDatabase>("SetupDatabase", [&](CConfigDatabase& d) {
    WhenOpen<CConfigEmail> email([&](CConfigEmail& e) {
      step(e);
      Click(e, "Cancel");
    });
    Click(d, "EmailNotifications");
    EXPECT_TRUE(email.Ran());
    Click(d, "Cancel");
  }));
}

TEST(ErrorNotification, TheMailedKindsOpenTheMailControls) {
  MenuSite site({"DSN="});
  InEmailDialog(site, [](CConfigEmail& e) {
    EXPECT_EQ(e.windowTitle(), "Error notification");
    const QStringList mailControls = {
        "MailPreventFlooding", "MailServer", "MailFrom", "MailTo", "MailCC", "SendTestMail"};
    auto expectOpen = [&](bool open, const char* when) {
      for (const QString& c : mailControls) {
        EXPECT_EQ(Enabled(e, c), open) << c.toStdString() << " " << when;
      }
      EXPECT_TRUE(Enabled(e, "MailSubject")) << "always open";
    };
    expectOpen(false, "with nothing mailed");
    EXPECT_FALSE(Enabled(e, "MailFloodingTime"));
    SetCheck(e, "MailOnNetworkError", true);
    expectOpen(false, "with only network errors, which do not count");
    for (const char* kind : {"MailOnDbError", "MailOnRipError", "MailOnRipWarning"}) {
      SetCheck(e, kind, true);
      expectOpen(true, kind);
      EXPECT_TRUE(Enabled(e, "MailFloodingTime")) << "prevent flooding is on by default";
      SetCheck(e, "MailPreventFlooding", false);
      EXPECT_FALSE(Enabled(e, "MailFloodingTime"));
      SetCheck(e, "MailPreventFlooding", true);
      SetCheck(e, kind, false);
      expectOpen(false, kind);
    }
  });
  // As stored when the dialog opens.
  MenuSite stored({"DSN=", "MailOnRipWarning=1", "MailPreventFlooding=0"});
  InEmailDialog(stored, [](CConfigEmail& e) {
    EXPECT_TRUE(Enabled(e, "MailServer"));
    EXPECT_FALSE(Enabled(e, "MailFloodingTime"));
  });
}

TEST(ErrorNotification, TheTestMailNeedsAServerASenderAndARecipientInThatOrder) {
  MenuSite site({"DSN=", "MailOnRipError=1", "MailFrom="});
  Boxes boxes;
  InEmailDialog(site, [&](CConfigEmail& e) {
    Click(e, "SendTestMail");
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"No mailserver specified"}))
        << "all empty: the server only";
    Type(e, "MailServer", "mail.example");
    Click(e, "SendTestMail");
    EXPECT_EQ(boxes.Texts().back(), "No sender specified");
    Type(e, "MailFrom", "vellora@example");
    Click(e, "SendTestMail");
    EXPECT_EQ(boxes.Texts().back(), "No recipient specified");
    for (const auto& shown : boxes.shown()) EXPECT_EQ(shown.icon, QMessageBox::Warning);
    EXPECT_TRUE(Enabled(e, "SendTestMail")) << "nothing sent, nothing to wait for";
  });
  EXPECT_EQ(boxes.shown().size(), 3u);
}

}  // namespace
}  // namespace vellora::ui
