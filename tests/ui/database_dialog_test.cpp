// "Workflow database connection" as a form: which fields the check boxes open, the
// number fields refused with the dialog kept open, and the answer of "Test.." going
// to the dialog that asked and to no later one.
#include <QApplication>
#include <QComboBox>

#include <gtest/gtest.h>

#include "menu_site.h"
#include "ui/config_database.h"

namespace vellora::ui {
namespace {

using test::Boxes;
using test::Click;
using test::Enabled;
using test::MenuSite;
using test::SetCheck;
using test::Type;

TEST(WorkflowDatabaseConnection, TheStatusValuesAndEventCodesOpenWithTheirBoxes) {
  MenuSite site({"DSN=", "RipUpdateStatus=0", "RipLogError=1", "RipLogWarning=0", "RipLogSuccess=0",
                 "DatabaseType=7"});
  ASSERT_TRUE(site.Run<CConfigDatabase>("SetupDatabase", [](CConfigDatabase& d) {
    // As stored when the dialog opens.
    EXPECT_FALSE(Enabled(d, "RipStatusValue"));
    EXPECT_FALSE(Enabled(d, "RipStatusValueError"));
    EXPECT_TRUE(Enabled(d, "RipEventError"));
    EXPECT_FALSE(Enabled(d, "RipEventWarning"));
    EXPECT_FALSE(Enabled(d, "RipEventSuccess"));
    EXPECT_EQ(d.findChild<QComboBox*>("DatabaseType")->currentIndex(), -1)
        << "a type the dialog does not know shows none";
    EXPECT_EQ(d.findChild<QLineEdit*>("DSNpw")->echoMode(), QLineEdit::Password);
    // And whenever a box changes.
    SetCheck(d, "RipUpdateStatus", true);
    EXPECT_TRUE(Enabled(d, "RipStatusValue"));
    EXPECT_TRUE(Enabled(d, "RipStatusValueError"));
    SetCheck(d, "RipLogError", false);
    SetCheck(d, "RipLogWarning", true);
    SetCheck(d, "RipLogSuccess", true);
    EXPECT_FALSE(Enabled(d, "RipEventError"));
    EXPECT_TRUE(Enabled(d, "RipEventWarning"));
    EXPECT_TRUE(Enabled(d, "RipEventSuccess"));
    SetCheck(d, "RipUpdateStatus", false);
    EXPECT_FALSE(Enabled(d, "RipStatusValue"));
    EXPECT_TRUE(Enabled(d, "Test"));
    EXPECT_TRUE(Enabled(d, "EmailNotifications"));
    Click(d, "OK");
  }));
  // The unknown type stays as it was.
  EXPECT_TRUE(test::Has(site.Ini(), "DatabaseType=7")) << site.Ini();
  EXPECT_TRUE(test::Has(site.Ini(), "RipLogSuccess=1"));
}

TEST(WorkflowDatabaseConnection, ANumberFieldThatHoldsNoNumberIsRefusedAndTheDialogStaysOpen) {
  MenuSite site({"DSN=", "PollTime=5", "NotificationPort=6032"});
  const std::string before = site.Ini();
  Boxes boxes;
  bool refusedAndOpen = false;
  ASSERT_TRUE(site.Run<CConfigDatabase>("SetupDatabase", [&](CConfigDatabase& d) {
    Type(d, "PollTime", "ten");
    Click(d, "OK");
    Type(d, "PollTime", "10");
    Type(d, "NotificationPort", "70000");
    Click(d, "OK");
    refusedAndOpen =
        d.isVisible() && d.focusWidget() == d.findChild<QLineEdit*>("NotificationPort");
    Click(d, "Cancel");
  }));
  EXPECT_TRUE(refusedAndOpen) << "ready to correct the field";
  EXPECT_EQ(boxes.Texts(),
            (std::vector<std::string>{
                "Please enter a whole number for \"Status poll interval\".",
                "Please enter a whole number from 0 to 65535 for \"Notification port\"."}));
  EXPECT_EQ(site.Ini(), before) << "nothing of a refused OK reaches the settings";
  EXPECT_EQ(site.Engine().Settings()->PollTime, 5);
}

TEST(WorkflowDatabaseConnection, AnAnswerAfterItsDialogClosedReachesNoLaterDialog) {
  // No data source: the test fails at once without the network, and its answer comes
  // back only after the dialog that asked has closed.
  MenuSite site({"DSN="});
  Boxes boxes;
  ASSERT_TRUE(site.Run<CConfigDatabase>("SetupDatabase", [](CConfigDatabase& d) {
    Click(d, "Test");
    Click(d, "Cancel");
  }));
  // The engine has answered and the answer has reached the window; its queued
  // hand-over to the dialog runs now.
  site.Settle();
  QApplication::processEvents();
  EXPECT_TRUE(boxes.shown().empty()) << "the closed dialog's answer is dropped";

  ASSERT_TRUE(site.Run<CConfigDatabase>("SetupDatabase", [&](CConfigDatabase& d) {
    EXPECT_TRUE(Enabled(d, "Test")) << "a new dialog waits for nothing";
    Click(d, "Test");
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_TRUE(test::UiSite::Until([&] { return Enabled(d, "Test"); }));
    Click(d, "Cancel");
  }));
  ASSERT_EQ(boxes.shown().size(), 1u) << "one answer for one test";
  EXPECT_EQ(boxes.shown()[0].text, "Empty DSN or username not allowed");
  EXPECT_EQ(boxes.shown()[0].icon, QMessageBox::Critical);
}

}  // namespace
}  // namespace vellora::ui
