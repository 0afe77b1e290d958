// Pictures of the window for people to look at, written under build/screenshots/:
// main-window.png (during a run, with rows in every list, a failed and a warned job
// and an error shown), about.png, and pictures.png (every picture at 1x and 2x).
// Each is checked for what it must show before it is written.
#include <filesystem>

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "menu_site.h"
#include "ui/about_box.h"
#include "ui/config_backup.h"
#include "ui/config_database.h"
#include "ui/config_email.h"
#include "ui/config_naming.h"
#include "ui/config_rip.h"
#include "ui/config_spoolers.h"
#include "ui/folder_list.h"
#include "ui/pictures.h"
#include "ui/rip_panel.h"
#include "ui/row_models.h"
#include "ui/text_progress_bar.h"
#include "ui_site.h"

namespace vellora::ui {
namespace {

using test::DropFile;
using test::UiSite;

std::string ShotPath(const std::string& name) {
  const std::string folder = test::BuildDir() + "/screenshots";
  std::filesystem::create_directories(folder);
  return folder + "/" + name;
}

bool Save(QWidget& w, const std::string& name) {
  return w.grab().save(QString::fromStdString(ShotPath(name)), "PNG");
}

int Count(const std::vector<core::RipJobRow>& rows, core::JobResult r) {
  int n = 0;
  for (const auto& row : rows) n += row.result == r ? 1 : 0;
  return n;
}

TEST(Screenshots, MainWindowDuringARun) {
  UiSite site;
  const std::string news = site.Path("in-news"), ads = site.Path("in-ads");
  test::MakeDirs(news);
  test::MakeDirs(ads);
  std::vector<std::string> ini = {"Logging=1",
                                  "DSN=",
                                  "StableTime=0",
                                  "ForceOpenInputs=0",
                                  "MaxOutstandingJobs=2",
                                  "MaxRipDoneList=50",
                                  "NumberOfSpoolers=3"};
  for (int r = 1; r <= 3; ++r) {
    const std::string n = std::to_string(r);
    ini.insert(ini.end(), {"UseRIP" + n + "=1", "RipComputer" + n + "=Plate " + n,
                           "RIP" + n + "swPath=" + site.Path("rip" + n + "/SW")});
  }
  const char* setups[] = {"News", "Ads", "Supplements"};
  const std::string inputs[] = {news, ads, site.Path("in-supplements-missing")};
  for (int m = 1; m <= 3; ++m) {
    const std::string n = std::to_string(m);
    ini.insert(ini.end(), {"Enable" + n + "=1", std::string("SetupName") + n + "=" + setups[m - 1],
                           "InputSpool" + n + "=" + inputs[m - 1]});
    for (int r = 1; r <= 3; ++r) {
      ini.push_back("RIP" + std::to_string(r) + "Spool" + n + "=" +
                    site.Path("rip" + std::to_string(r) + "/spool"));
    }
  }
  site.WriteIni(ini);
  // RIPs 1 and 2 rip slowly, every second job warned, every third failed; RIP 3's
  // input is paused; RIP 4 is not used.
  for (int r = 1; r <= 2; ++r) {
    const std::string n = std::to_string(r);
    ASSERT_TRUE(site.StartRip(site.Path("rip" + n + "/SW"), {site.Path("rip" + n + "/spool")},
                              false,
                              {"--rip-ms", "700", "--warn-every", "2", "--fail-every", "3",
                               "--setup", "Newsprint 4" + n}));
  }
  ASSERT_TRUE(site.StartRip(site.Path("rip3/SW"), {site.Path("rip3/spool")}, true));
  site.StartEngine();
  MainWindow& w = site.Window();
  w.resize(1410, 880);
  for (int k = 1; k <= 24; ++k) {
    char name[40];
    std::snprintf(name, sizeof name, "NEWS-091226-%02d.ps", k);
    DropFile(news, name);
    std::snprintf(name, sizeof name, "ADS-091226-%02d.pdf", k);
    DropFile(ads, name);
  }
  auto ready = [&] {
    const auto& r1 = w.Panel(core::RipIndex(0)).Jobs().Rows();
    const auto& r2 = w.Panel(core::RipIndex(1)).Jobs().Rows();
    return r1.size() >= 4 && r2.size() >= 4 &&
           Count(r1, core::JobResult::Failed) + Count(r2, core::JobResult::Failed) > 0 &&
           Count(r1, core::JobResult::Warning) + Count(r2, core::JobResult::Warning) > 0 &&
           w.WaitingJobs().rowCount() >= 5 && w.QueuedJobs().rowCount() >= 2 &&
           w.ErrorText().autoFillBackground();
  };
  ASSERT_TRUE(UiSite::Until(ready, 60000));
  // Between two deliveries, so the queued list is full again.
  UiSite::Until([&] { return w.QueuedJobs().rowCount() >= 4; }, 3000);
  QApplication::processEvents();
  ASSERT_TRUE(Save(w, "main-window.png")) << ShotPath("main-window.png");
  EXPECT_EQ(w.Panel(core::RipIndex(3)).title(), "Not used");
  EXPECT_TRUE(w.InputFolders().count() == 3);
}

TEST(Screenshots, AboutBox) {
  Pictures pictures;
  AboutBox box(pictures);
  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  ASSERT_TRUE(Save(box, "about.png"));
}

// A site as an operator would have it set up: three RIPs in use, four spoolers.
core::SettingsStore ConfiguredSite() {
  core::SettingsStore s;
  const char* names[] = {"Plate 1", "Plate 2", "Plate 3", "RIP4"};
  for (int r = 0; r < 4; ++r) {
    core::RipSlot& rip = s.Rips[static_cast<size_t>(r)];
    rip.UseRIP = r < 3 ? 1 : 0;
    rip.RIPName = names[r];
    rip.RIPswPath = "\\\\plate" + std::to_string(r + 1) + "\\sw";
  }
  s.Rips[1].RIPUseCurrentUser = 0;
  s.Rips[1].RIPUserName = "rip";
  s.Rips[1].RIPPassword = "secret";
  s.MaxOutstandingJobs = 2;
  s.StableTime = 3;
  const char* setups[] = {"News", "Ads", "Supplements", "Sport"};
  s.NumberOfSpoolers = 4;
  for (int m = 0; m < 4; ++m) {
    core::Spooler& sp = s.Spoolers[static_cast<size_t>(m)];
    sp = core::DefaultSpooler(m + 1);
    sp.SetupName = setups[m];
    sp.Enable = m != 2 ? 1 : 0;
    sp.InputSpool = std::string("D:\\Input\\") + setups[m];
    sp.Priority = m == 1 ? 2 : 1;
    sp.UseDatabase = m == 0 || m == 3 ? 1 : 0;
    sp.NameConv = "%P-%D-%N";
    sp.DateFormat = "DDMMYY";
    for (int r = 0; r < 3; ++r) {
      sp.RipSpool[static_cast<size_t>(r)] =
          "\\\\plate" + std::to_string(r + 1) + "\\spool\\" + setups[m];
      sp.RipSpoolMono[static_cast<size_t>(r)] = sp.RipSpool[static_cast<size_t>(r)];
    }
    sp.RipSpool[3].clear();
    sp.RipSpoolMono[3].clear();
  }
  s.Spoolers[0].MonoFolder[0] = 1;
  s.Spoolers[0].RipSpoolMono[0] = "\\\\plate1\\spool\\NewsMono";
  s.Spoolers[0].ArchivePdf = 1;
  s.Spoolers[0].PdfArchive = "E:\\Archive\\News";
  s.Spoolers[0].PdfMaxAge = 14;
  s.Spoolers[0].TrimPdf = 1;
  return s;
}

bool Shoot(QDialog& d, const std::string& name) {
  d.show();
  if (!QTest::qWaitForWindowExposed(&d)) return false;
  QApplication::processEvents();
  return Save(d, name);
}

TEST(Screenshots, RipDefinitions) {
  Pictures pictures;
  CConfigRip d(pictures, ConfiguredSite());
  ASSERT_TRUE(Shoot(d, "rip-definitions.png"));
}

TEST(Screenshots, SetupRipSpoolers) {
  Pictures pictures;
  CConfigSpoolers d(pictures, ConfiguredSite());
  d.show();
  // The first spooler opened for editing, as an operator sees it while changing it.
  d.findChild<ReportList*>("InputQueues")->selectRow(0);
  d.findChild<QPushButton*>("Edit")->click();
  ASSERT_TRUE(Shoot(d, "rip-spoolers.png"));
}

TEST(Screenshots, SetNamingConvention) {
  Pictures pictures;
  core::Spooler s = ConfiguredSite().Spoolers[0];
  s.UseRegex = 1;
  s.MatchExpression[0] = "^([A-Z]+)_(\\d{6})_(\\d+)\\.pdf$";
  s.FormatExpression[0] = "$1-$2-$3.pdf";
  s.DefaultEdition = "1";
  CConfigNaming d(pictures, s);
  ASSERT_TRUE(Shoot(d, "naming-convention.png"));
}

// The dialogs that give engine commands, opened from the menu of a running window.
const std::vector<std::string> kDatabaseSite = {"DSN=Plan",
                                                "DSNuser=planner",
                                                "DSNpw=secret",
                                                "DSN2=PlanBackup",
                                                "DSNuser2=planner",
                                                "DSNpw2=secret",
                                                "RipUpdateStatus=1",
                                                "RipLogError=1",
                                                "RipLogWarning=1",
                                                "MailOnRipError=1",
                                                "MailOnRipWarning=1",
                                                "MailServer=mail.example",
                                                "MailFrom=vellora@example",
                                                "MailTo=prepress@example;night@example",
                                                "MailCC=",
                                                "UseBackup=0"};

TEST(Screenshots, BackupMainServerSelection) {
  test::MenuSite site(kDatabaseSite);
  bool saved = false;
  ASSERT_TRUE(site.Run<CConfigBackup>("ChangeBackup", [&](CConfigBackup& d) {
    QApplication::processEvents();
    saved = Save(d, "backup-server.png");
    test::Click(d, "Close");
  }));
  EXPECT_TRUE(saved);
}

TEST(Screenshots, WorkflowDatabaseConnection) {
  test::MenuSite site(kDatabaseSite);
  bool saved = false;
  ASSERT_TRUE(site.Run<CConfigDatabase>("SetupDatabase", [&](CConfigDatabase& d) {
    QApplication::processEvents();
    saved = Save(d, "database-connection.png");
    test::Click(d, "Cancel");
  }));
  EXPECT_TRUE(saved);
}

TEST(Screenshots, ErrorNotification) {
  test::MenuSite site(kDatabaseSite);
  bool saved = false;
  ASSERT_TRUE(site.Run<CConfigDatabase>("SetupDatabase", [&](CConfigDatabase& d) {
    test::WhenOpen<CConfigEmail> email([&](CConfigEmail& e) {
      QApplication::processEvents();
      saved = Save(e, "error-notification.png");
      test::Click(e, "Cancel");
    });
    test::Click(d, "EmailNotifications");
    test::Click(d, "Cancel");
  }));
  EXPECT_TRUE(saved);
}

TEST(Screenshots, EveryPictureAtOneAndTwoTimes) {
  Pictures pictures;
  const int count = static_cast<int>(Picture::Count);
  // One column per picture: at 1x, at 2x shown at its real pixels, and disabled.
  int width = 8;
  for (int i = 0; i < count; ++i) width += NaturalSize(static_cast<Picture>(i)).width() * 2 + 12;
  QImage sheet(QSize(width, 8 + 64 + 8 + 128 + 8 + 64 + 8), QImage::Format_ARGB32);
  sheet.fill(QColor(240, 240, 240));
  QPainter p(&sheet);
  int x = 8;
  for (int i = 0; i < count; ++i) {
    const auto picture = static_cast<Picture>(i);
    const QSize size = NaturalSize(picture);
    p.drawPixmap(x, 8, pictures.Pixmap(picture, size, 1.0));
    QPixmap two = pictures.Pixmap(picture, size, 2.0);
    two.setDevicePixelRatio(1.0);
    p.drawPixmap(x, 80, two);
    p.drawPixmap(x, 216, pictures.Pixmap(picture, size, 1.0, false));
    x += size.width() * 2 + 12;
  }
  p.end();
  ASSERT_TRUE(sheet.save(QString::fromStdString(ShotPath("pictures.png")), "PNG"));
}

}  // namespace
}  // namespace vellora::ui
