// The setup dialogs as the operator reaches them, from the window's menu over a
// running engine: each filled and closed with OK and with Cancel, and Vellora.ini and
// the engine's settings compared afterwards; what OK brings about besides the save
// (the RIP panels, the input folders), a save that fails, and changes the engine made
// itself while a dialog was open.
#include <QAction>
#include <QComboBox>

#include <filesystem>

#include <gtest/gtest.h>

#include "core/settings_io.h"
#include "dialog_driver.h"
#include "menu_site.h"
#include "ui/config_backup.h"
#include "ui/config_database.h"
#include "ui/config_email.h"
#include "ui/config_rip.h"
#include "ui/config_spoolers.h"
#include "ui/folder_list.h"
#include "ui/rip_panel.h"
#include "ui/row_models.h"
#include "ui/setup_dialogs.h"

namespace vellora::ui {
namespace {

using test::Boxes;
using test::Click;
using test::Enabled;
using test::Has;
using test::MenuSite;
using test::ReadFile;
using test::SetCheck;
using test::Type;
using test::UiSite;
using test::WhenOpen;

TEST(SetupFromTheMenu, GeneralSetupOkSavesAndShowsTheRipCancelLeavesEverything) {
  MenuSite site({"DSN=", "NumberOfSpoolers=0"});
  const std::string before = site.Ini();
  ASSERT_TRUE(site.Run<CConfigRip>("GeneralSetup", [](CConfigRip& d) {
    SetCheck(d, "UseRIP1", true);
    Type(d, "RIP1Name", "Plate 1");
    Type(d, "MaxRipDoneList", "40");
    Click(d, "Cancel");
  }));
  EXPECT_EQ(site.Ini(), before) << "Cancel writes nothing";
  EXPECT_EQ(site.Engine().Settings()->Rips[0].UseRIP, 0);
  EXPECT_EQ(site.Window().Panel(core::RipIndex(0)).title(), "Not used");

  Boxes boxes;
  ASSERT_TRUE(site.Run<CConfigRip>("GeneralSetup", [](CConfigRip& d) {
    SetCheck(d, "UseRIP1", true);
    Type(d, "RIP1Name", "Plate 1");
    Type(d, "RIP1swPath", "/srv/plate1/sw");
    Type(d, "MaxRipDoneList", "1");
    Click(d, "OK");  // refused: stays open
    Type(d, "MaxRipDoneList", "40");
    Type(d, "StableTime", "0");
    SetCheck(d, "StopOnError", true);
    Click(d, "OK");
  }));
  EXPECT_EQ(boxes.shown().size(), 1u) << "the refusal only";
  const std::string ini = site.Ini();
  for (const char* line :
       {"UseRIP1=1", "RIP1Name=Plate 1", "RipComputer1=Plate 1", "RIP1swPath=/srv/plate1/sw",
        "MaxRipDoneList=40", "StableTime=0", "StopOnError=1", "DSN="}) {
    EXPECT_TRUE(Has(ini, line)) << line << "\n" << ini;
  }
  EXPECT_EQ(site.Engine().Settings()->MaxRipDoneList, 40);
  // The RIP taken into use shows at once.
  EXPECT_TRUE(UiSite::Until(
      [&] { return site.Window().Panel(core::RipIndex(0)).title() == "Plate 1"; }, 10000));
}

TEST(SetupFromTheMenu, SetupInputOkSavesTheSpoolersCancelAfterChangesLeavesEverything) {
  MenuSite site({"DSN=", "UseRIP1=1", "UseRIP2=1", "RIP1swPath=" + std::string("/nowhere/1"),
                 "RIP2swPath=/nowhere/2"});
  const std::string in = site.Path("in");
  const std::string before = site.Ini();
  ASSERT_TRUE(site.Run<CConfigSpoolers>("SetupInput", [&](CConfigSpoolers& d) {
    Click(d, "New");
    Type(d, "SetupName", "News");
    Type(d, "InputSpool", QString::fromStdString(in));
    Click(d, "New");
    Click(d, "Cancel");
  }));
  EXPECT_EQ(site.Ini(), before);
  EXPECT_EQ(site.Engine().Settings()->NumberOfSpoolers, 0);

  ASSERT_TRUE(site.Run<CConfigSpoolers>("SetupInput", [&](CConfigSpoolers& d) {
    Click(d, "New");
    SetCheck(d, "Enable", true);
    Type(d, "SetupName", "News");
    Type(d, "InputSpool", QString::fromStdString(in));
    Type(d, "RIP1Spool", "/spool/1");
    Type(d, "RIP2Spool", "/spool/2");
    SetCheck(d, "UseDatabase", true);
    SetCheck(d, "MonoFolder1", true);
    Type(d, "RIP1SpoolMono", "/spool/1mono");
    Click(d, "New");
    Click(d, "OK");
  }));
  const std::string ini = site.Ini();
  for (const char* line : {"NumberOfSpoolers=1", "SetupName1=News", "Enable1=1", "UseDatabase1=1",
                           "RIP1Spool1=/spool/1", "MonoFolder1_1=1", "RIP1SpoolMono1=/spool/1mono",
                           "RIP2Spool1=/spool/2", "MonoFolder2_1=0", "RIP2SpoolMono1=/spool/2"}) {
    EXPECT_TRUE(Has(ini, line)) << line << "\n" << ini;
  }
  EXPECT_TRUE(Has(ini, "InputSpool1=" + in));
  EXPECT_EQ(site.Window().InputFolders().count(), 1) << "the input folders list again";
  EXPECT_EQ(site.Saved().Spoolers[0].RipSpoolMono[1], "/spool/2");
}

TEST(SetupFromTheMenu, DatabaseSetupStoresTheMailSettingsOnlyWithItsOwnOk) {
  MenuSite site({"DSN=", "PollTime=5"});
  const std::string before = site.Ini();
  // E-mail OK, database Cancel: nothing stored.
  ASSERT_TRUE(site.Run<CConfigDatabase>("SetupDatabase", [](CConfigDatabase& d) {
    WhenOpen<CConfigEmail> email([](CConfigEmail& e) {
      SetCheck(e, "MailOnRipError", true);
      Type(e, "MailServer", "mail.example");
      Click(e, "OK");
    });
    Click(d, "EmailNotifications");
    EXPECT_TRUE(email.Ran());
    Click(d, "Cancel");
  }));
  EXPECT_EQ(site.Ini(), before);
  EXPECT_EQ(site.Engine().Settings()->MailServer, "");

  // E-mail Cancel: its changes are dropped; database OK stores its own.
  ASSERT_TRUE(site.Run<CConfigDatabase>("SetupDatabase", [](CConfigDatabase& d) {
    EXPECT_EQ(d.windowTitle(), "Workflow database connection");
    WhenOpen<CConfigEmail> dropped([](CConfigEmail& e) {
      SetCheck(e, "MailOnRipError", true);
      Type(e, "MailServer", "dropped.example");
      Click(e, "Cancel");
    });
    Click(d, "EmailNotifications");
    WhenOpen<CConfigEmail> email([](CConfigEmail& e) {
      EXPECT_EQ(e.findChild<QLineEdit*>("MailServer")->text(), "") << "the cancelled value";
      SetCheck(e, "MailOnRipWarning", true);
      Type(e, "MailServer", "mail.example");
      Type(e, "MailFrom", "vellora@example");
      Type(e, "MailTo", "ops@example;night@example");
      Type(e, "MailCC", "boss@example");
      Type(e, "MailSubject", "Plates");
      SetCheck(e, "MailPreventFlooding", true);
      Type(e, "MailFloodingTime", "15");
      Click(e, "OK");
    });
    Click(d, "EmailNotifications");
    // Handed back: the e-mail dialog opened again shows them.
    WhenOpen<CConfigEmail> again([](CConfigEmail& e) {
      EXPECT_EQ(e.findChild<QLineEdit*>("MailServer")->text(), "mail.example");
      EXPECT_TRUE(e.findChild<QCheckBox*>("MailOnRipWarning")->isChecked());
      Click(e, "Cancel");
    });
    Click(d, "EmailNotifications");
    EXPECT_TRUE(again.Ran());
    Type(d, "DSN", "Plan");
    Type(d, "DSNuser", "planner");
    Type(d, "DSNpw", "pw;x");
    Type(d, "DSN2", "PlanBackup");
    Type(d, "NotificationServer", "notify.example");
    Type(d, "NotificationPort", "7000");
    SetCheck(d, "RipUpdateStatus", true);
    Type(d, "RipStatusValue", "5");
    SetCheck(d, "RipLogError", true);
    Type(d, "RipEventError", "130");
    Type(d, "PollTime", "0");
    SetCheck(d, "AllowRemoteControl", true);
    SetCheck(d, "KeepConnection", false);
    d.findChild<QComboBox*>("DatabaseType")->setCurrentIndex(2);
    Click(d, "OK");
  }));
  const std::string ini = site.Ini();
  for (const char* line : {"DSN=Plan",
                           "DSNuser=planner",
                           "DSNpw=pw;x",
                           "DSN2=PlanBackup",
                           "NotificationServer=notify.example",
                           "NotificationPort=7000",
                           "RipUpdateStatus=1",
                           "RipStatusValue=5",
                           "RipLogError=1",
                           "RipEventError=130",
                           "PollTime=1",
                           "AllowRemoteControl=1",
                           "KeepConnection=0",
                           "DatabaseType=2",
                           "MailServer=mail.example",
                           "MailFrom=vellora@example",
                           "MailTo=ops@example;night@example",
                           "MailCC=boss@example",
                           "MailSubject=Plates",
                           "MailOnRipWarning=1",
                           "MailOnRipError=0",
                           "MailFloodingTime=15"}) {
    EXPECT_TRUE(Has(ini, line)) << line << "\n" << ini;
  }
  EXPECT_EQ(site.Engine().Settings()->PollTime, 1) << "raised to 1";
}

TEST(SetupFromTheMenu, TheBackupSelectionShowsTheServerInUse) {
  for (int backup : {0, 1}) {
    MenuSite site({"DSN=", "UseBackup=" + std::to_string(backup)});
    ASSERT_TRUE(site.Run<CConfigBackup>("ChangeBackup", [&](CConfigBackup& d) {
      EXPECT_EQ(d.windowTitle(), "Backup/Main server selection");
      auto* current = d.findChild<QLineEdit*>("CurrentServer");
      EXPECT_TRUE(current->isReadOnly());
      EXPECT_EQ(current->text(), backup ? "Backup server" : "Main server");
      Click(d, "Close");
    }));
  }
}

TEST(SetupFromTheMenu, ASaveThatFailsIsShown) {
  MenuSite site({"DSN="});
  // The save writes beside the file and renames over it: a folder in its place makes
  // it fail.
  std::filesystem::remove(site.dir / "Vellora.ini");
  test::MakeDirs(site.dir / "Vellora.ini");
  test::WriteFile(site.dir / "Vellora.ini/keep", "x");
  Boxes boxes;
  ASSERT_TRUE(site.Run<CConfigRip>("GeneralSetup", [](CConfigRip& d) {
    Type(d, "StableTime", "4");
    Click(d, "OK");
  }));
  ASSERT_TRUE(boxes.WaitFor(1));
  EXPECT_EQ(boxes.shown()[0].icon, QMessageBox::Warning);
  EXPECT_NE(boxes.shown()[0].text.find("Vellora.ini"), std::string::npos) << boxes.shown()[0].text;
  EXPECT_EQ(site.Engine().Settings()->StableTime, 4) << "in use all the same";
}

TEST(SetupFromTheMenu, WhatTheEngineChangedWhileADialogWasOpenStays) {
  MenuSite site({"DSN=", "NumberOfSpoolers=2", "Enable1=1", "SetupName1=News",
                 "InputSpool1=/nowhere/news", "Enable2=1", "SetupName2=Ads",
                 "InputSpool2=/nowhere/ads"});
  ASSERT_TRUE(site.Run<CConfigDatabase>("SetupDatabase", [&](CConfigDatabase& d) {
    // The operator clicks an input folder icon meanwhile (the engine switches the
    // spooler off in memory); the dialog's older copy still has it on.
    site.Engine().ToggleSpooler(0);
    site.Engine().WaitUntilIdle();
    Type(d, "DSN", "Plan");
    Click(d, "OK");
  }));
  auto now = site.Engine().Settings();
  EXPECT_EQ(now->DSN, "Plan");
  EXPECT_EQ(now->Spoolers[0].Enable, 0) << "the engine's own change is not undone";
  EXPECT_EQ(now->Spoolers[1].Enable, 1);
}

TEST(SetupFromTheMenu, AWholeSiteSetUpFromTheWindowInAnEmptyFolderRuns) {
  // The ports of the vellora program; the site has no production database.
  MenuSite site({}, /*production=*/true);
  const std::string in = site.Path("in"), sw = site.Path("plate1/SW"),
                    spool = site.Path("plate1/spool");
  test::MakeDirs(in);
  ASSERT_TRUE(site.StartRip(sw, {spool}, /*paused=*/false));
  EXPECT_FALSE(test::Exists(site.dir / "Vellora.ini"));

  // No production database at this site.
  ASSERT_TRUE(site.Run<CConfigDatabase>("SetupDatabase", [](CConfigDatabase& d) {
    Type(d, "DSN", "");
    Click(d, "OK");
  }));
  ASSERT_TRUE(site.Run<CConfigRip>("GeneralSetup", [&](CConfigRip& d) {
    SetCheck(d, "UseRIP1", true);
    Type(d, "RIP1Name", "Plate 1");
    Type(d, "RIP1swPath", QString::fromStdString(sw));
    Type(d, "StableTime", "0");
    Click(d, "OK");
  }));
  ASSERT_TRUE(site.Run<CConfigSpoolers>("SetupInput", [&](CConfigSpoolers& d) {
    Click(d, "New");
    SetCheck(d, "Enable", true);
    Type(d, "SetupName", "News");
    Type(d, "InputSpool", QString::fromStdString(in));
    Type(d, "RIP1Spool", QString::fromStdString(spool));
    EXPECT_FALSE(Enabled(d, "RIP2Spool")) << "RIP 2 is not in use";
    Click(d, "New");
    Click(d, "OK");
  }));
  const std::string ini = site.Ini();
  for (const std::string& line :
       {std::string("DSN="), std::string("UseRIP1=1"), "RIP1swPath=" + sw,
        std::string("NumberOfSpoolers=1"), "InputSpool1=" + in, "RIP1Spool1=" + spool}) {
    EXPECT_TRUE(Has(ini, line)) << line << "\n" << ini;
  }
  EXPECT_EQ(site.Window().InputFolders().count(), 1);

  // And it runs: a page dropped into the input folder is ripped on Plate 1.
  test::DropFile(in, "NEWS-01.ps");
  RipPanel& panel = site.Window().Panel(core::RipIndex(0));
  ASSERT_TRUE(UiSite::Until([&] { return panel.Jobs().rowCount() == 1; }, 60000));
  EXPECT_NE(panel.Jobs().Rows()[0].job.find("NEWS-01"), std::string::npos)
      << panel.Jobs().Rows()[0].job;
  EXPECT_EQ(panel.Jobs().Rows()[0].result, core::JobResult::Completed);
  EXPECT_EQ(panel.title(), "Plate 1");
  EXPECT_EQ(test::CountFiles(in), 0);
}

}  // namespace
}  // namespace vellora::ui
