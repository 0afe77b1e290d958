// The RIP definitions as a form: every field edits its setting, the groups open with
// their tracking switch and the login with "Use current user for login", and the
// number fields refuse what lies outside their range with the dialog left open.
#include <gtest/gtest.h>

#include <QGroupBox>

#include "dialog_driver.h"
#include "ui/config_rip.h"
#include "ui/dialog_parts.h"
#include "ui/pictures.h"

namespace vellora::ui {
namespace {

using test::Boxes;
using test::Click;
using test::Enabled;
using test::SetCheck;
using test::Type;

TEST(RipDefinitions, GroupsOpenWithTrackingAndTheLoginWithoutTheCurrentUser) {
  Pictures pictures;
  core::SettingsStore s;
  s.Rips[0].UseRIP = 1;
  s.Rips[0].RIPName = "Plate 1";
  s.Rips[1].UseRIP = 0;
  s.BeepOnError = 0;
  CConfigRip d(pictures, s);
  d.show();
  EXPECT_EQ(d.windowTitle(), "") << "no caption";
  for (const char* group : {"RipDefinitions", "Rip1Setup", "Rip4Setup", "GenerelPreferences"}) {
    EXPECT_NE(d.findChild<QGroupBox*>(group), nullptr) << group;
  }
  EXPECT_EQ(d.findChild<QGroupBox*>("GenerelPreferences")->title(), "Generel preferences");
  EXPECT_EQ(d.findChild<QGroupBox*>("Rip3Setup")->title(), "RIP 3 setup");
  EXPECT_EQ(d.findChild<QLineEdit*>("RIP1Name")->text(), "Plate 1");
  EXPECT_TRUE(Enabled(d, "RIP1Name"));
  EXPECT_TRUE(Enabled(d, "RIP1swPathBrowse"));
  EXPECT_FALSE(Enabled(d, "RIP1UserName")) << "the current user logs in";
  EXPECT_FALSE(Enabled(d, "RIP2Name"));
  EXPECT_FALSE(Enabled(d, "RIP2swPath"));
  EXPECT_FALSE(Enabled(d, "RIP2UseCurrentUser"));
  EXPECT_FALSE(d.findChild<QCheckBox*>("BeepOnError")->isVisible()) << "present but hidden";

  SetCheck(d, "RIP1UseCurrentUser", false);
  EXPECT_TRUE(Enabled(d, "RIP1UserName"));
  EXPECT_TRUE(Enabled(d, "RIP1Password"));
  EXPECT_EQ(d.findChild<QLineEdit*>("RIP1Password")->echoMode(), QLineEdit::Password);
  SetCheck(d, "UseRIP2", true);
  EXPECT_TRUE(Enabled(d, "RIP2Name"));
  EXPECT_FALSE(Enabled(d, "RIP2UserName"));
  SetCheck(d, "UseRIP1", false);
  EXPECT_FALSE(Enabled(d, "RIP1UserName")) << "a RIP out of use closes its login too";
  SetCheck(d, "UseRIP1", true);

  Type(d, "RIP1UserName", "ripuser");
  Type(d, "RIP1Password", "pw");
  Type(d, "RIP2Name", "Plate 2");
  Type(d, "RIP2swPath", "\\\\plate2\\sw");
  SetCheck(d, "ForceOpenInputs", false);
  SetCheck(d, "IgnoreLockCheck", true);
  SetCheck(d, "StopOnError", true);
  SetCheck(d, "OrderByDatabasePriority", true);
  Type(d, "MaxOutstandingJobs", "3");
  Type(d, "StableTime", "5");
  Type(d, "InputQueueIgnoreMask", "*.tmp;*.part");
  Type(d, "RipQueueIgnoreMask", "*.txt;*.log");
  Type(d, "MaxLogFileReadSize", "2000000");
  Click(d, "OK");
  ASSERT_EQ(d.result(), QDialog::Accepted);
  const core::SettingsStore& e = d.Edited();
  EXPECT_EQ(e.Rips[0].RIPUseCurrentUser, 0);
  EXPECT_EQ(e.Rips[0].RIPUserName, "ripuser");
  EXPECT_EQ(e.Rips[0].RIPPassword, "pw");
  EXPECT_EQ(e.Rips[1].UseRIP, 1);
  EXPECT_EQ(e.Rips[1].RIPName, "Plate 2");
  EXPECT_EQ(e.Rips[1].RIPswPath, "\\\\plate2\\sw");
  EXPECT_EQ(e.ForceOpenInputs, 0);
  EXPECT_EQ(e.IgnoreLockCheck, 1);
  EXPECT_EQ(e.StopOnError, 1);
  EXPECT_EQ(e.OrderByDatabasePriority, 1);
  EXPECT_EQ(e.MaxOutstandingJobs, 3);
  EXPECT_EQ(e.StableTime, 5);
  EXPECT_EQ(e.InputQueueIgnoreMask, "*.tmp;*.part");
  EXPECT_EQ(e.RipQueueIgnoreMask, "*.txt;*.log");
  EXPECT_EQ(e.MaxLogFileReadSize, 2000000);
  EXPECT_EQ(e.BeepOnError, 0) << "passes through unchanged";
}

TEST(RipDefinitions, ValuesOutOfRangeAreRefusedAndTheDialogStaysOpen) {
  Pictures pictures;
  core::SettingsStore s;
  CConfigRip d(pictures, s);
  d.show();
  Boxes boxes;
  Type(d, "MaxRipDoneList", "1");
  Click(d, "OK");
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.Texts()[0],
            "Please enter a whole number from 2 to 100 for \"Maximum jobs in RIP done lists\".");
  EXPECT_EQ(boxes.shown()[0].icon, QMessageBox::Warning);
  EXPECT_TRUE(d.isVisible());
  EXPECT_EQ(d.focusWidget(), d.findChild<QLineEdit*>("MaxRipDoneList")) << "ready to correct";
  Type(d, "MaxRipDoneList", "101");
  Click(d, "OK");
  EXPECT_TRUE(d.isVisible());
  Type(d, "MaxRipDoneList", "100");
  Type(d, "StableTime", "10001");
  Click(d, "OK");
  EXPECT_EQ(boxes.Texts().back(),
            "Please enter a whole number from 0 to 10000 for \"Stabletime for incoming files\".");
  Type(d, "StableTime", "10000");
  Type(d, "MaxOutstandingJobs", "two");
  Click(d, "OK");
  EXPECT_EQ(boxes.Texts().back(),
            "Please enter a whole number of 0 or more for \"Maximum outstanding jobs on each "
            "RIP\".");
  Type(d, "MaxOutstandingJobs", "-1");
  Click(d, "OK");
  EXPECT_EQ(boxes.shown().size(), 5u);
  EXPECT_TRUE(d.isVisible());
  Type(d, "MaxOutstandingJobs", "2");
  Click(d, "OK");
  EXPECT_EQ(boxes.shown().size(), 5u);
  ASSERT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(d.Edited().MaxRipDoneList, 100);
  EXPECT_EQ(d.Edited().StableTime, 10000);
  EXPECT_EQ(d.Edited().MaxOutstandingJobs, 2);
}

TEST(DialogParts, WholeNumbersAreDigitsThatFitAnInt) {
  EXPECT_EQ(WholeNumber("42", false), 42);
  EXPECT_EQ(WholeNumber(" 7 ", false), 7);
  EXPECT_EQ(WholeNumber("-3", true), -3);
  EXPECT_EQ(WholeNumber("-3", false), std::nullopt);
  EXPECT_EQ(WholeNumber("", false), std::nullopt);
  EXPECT_EQ(WholeNumber("-", true), std::nullopt);
  EXPECT_EQ(WholeNumber("4x", false), std::nullopt);
  EXPECT_EQ(WholeNumber("2147483647", false), 2147483647);
  EXPECT_EQ(WholeNumber("2147483648", false), std::nullopt);
  EXPECT_EQ(WholeNumber("-2147483648", true), -2147483647 - 1);
  EXPECT_EQ(WholeNumber("99999999999999999999", false), std::nullopt);
}

}  // namespace
}  // namespace vellora::ui
