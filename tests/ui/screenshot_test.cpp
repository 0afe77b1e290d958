// Pictures of the window for people to look at, written under build/screenshots/:
// main-window.png (during a run, with rows in every list, a failed and a warned job
// and an error shown), about.png, and pictures.png (every picture at 1x and 2x).
// Each is checked for what it must show before it is written.
#include <filesystem>

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include "ui/about_box.h"
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
