// "Setup RIP spoolers" as a form: adding, editing, deleting, enabling and disabling
// spoolers on the dialog's copy, the checks and their messages, the enabling rules,
// the questions about fields left open, the naming convention of the right spooler,
// and the mono folders settled at OK.
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>

#include <gtest/gtest.h>

#include "dialog_driver.h"
#include "support/temp_dir.h"
#include "ui/config_naming.h"
#include "ui/config_spoolers.h"
#include "ui/pictures.h"
#include "ui/report_list.h"

namespace vellora::ui {
namespace {

using test::Boxes;
using test::Click;
using test::Enabled;
using test::SetCheck;
using test::Type;
using test::WhenOpen;

// RIPs 1 and 2 in use, 3 and 4 not; spoolers as given (name, input folder).
core::SettingsStore Site(const std::vector<std::pair<std::string, std::string>>& spoolers) {
  core::SettingsStore s;
  s.Rips[0].UseRIP = 1;
  s.Rips[1].UseRIP = 1;
  s.NumberOfSpoolers = static_cast<int>(spoolers.size());
  for (size_t m = 0; m < spoolers.size(); ++m) {
    s.Spoolers[m] = core::DefaultSpooler(static_cast<int>(m) + 1);
    s.Spoolers[m].SetupName = spoolers[m].first;
    s.Spoolers[m].InputSpool = spoolers[m].second;
  }
  return s;
}

struct Dialog {
  Pictures pictures;
  CConfigSpoolers dialog;
  explicit Dialog(const core::SettingsStore& s) : dialog(pictures, s) { dialog.show(); }
  QString Caption(const char* button) { return dialog.findChild<QPushButton*>(button)->text(); }
  void Select(int row) {
    auto* list = dialog.findChild<ReportList*>("InputQueues");
    list->selectRow(row);
  }
  QString Cell(int row, int column) {
    auto* list = dialog.findChild<ReportList*>("InputQueues");
    return list->model()->index(row, column).data().toString();
  }
  int Rows() { return dialog.findChild<ReportList*>("InputQueues")->model()->rowCount(); }
};

TEST(SetupRipSpoolers, AddingChecksTheNameAndTheFolderWithoutRegardToCase) {
  Dialog d(Site({}));
  Boxes boxes;
  EXPECT_EQ(d.dialog.windowTitle(), "Setup RIP spoolers");
  EXPECT_FALSE(Enabled(d.dialog, "SetupName")) << "fields closed until New or Edit";
  EXPECT_FALSE(Enabled(d.dialog, "Edit")) << "nothing selected";
  EXPECT_EQ(d.Caption("New"), "New");

  // The first spooler with an empty setup name.
  Click(d.dialog, "New");
  EXPECT_EQ(d.Caption("New"), "Apply");
  EXPECT_FALSE(Enabled(d.dialog, "Delete"));
  EXPECT_EQ(d.dialog.focusWidget(), d.dialog.findChild<QCheckBox*>("Enable"));
  // The cleared fields of a new spooler.
  EXPECT_TRUE(d.dialog.findChild<QCheckBox*>("InputSpoolUseCurrentUser")->isChecked());
  EXPECT_FALSE(Enabled(d.dialog, "InputSpoolUserName"));
  EXPECT_TRUE(d.dialog.findChild<QRadioButton*>("PriorityNormal")->isChecked());
  EXPECT_EQ(d.dialog.findChild<QSpinBox*>("PdfMaxAge")->value(), 2);
  EXPECT_FALSE(Enabled(d.dialog, "PdfMaxAge"));
  EXPECT_FALSE(Enabled(d.dialog, "CommandFile"));
  EXPECT_FALSE(Enabled(d.dialog, "NamingConvention"));
  EXPECT_FALSE(Enabled(d.dialog, "TrimPdf"));
  Type(d.dialog, "InputSpool", "/data/news");
  Click(d.dialog, "New");  // "Apply"
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Setup name already exist or empty"}));
  EXPECT_EQ(boxes.shown().back().icon, QMessageBox::Warning);
  EXPECT_EQ(d.Caption("New"), "Apply") << "still adding";
  EXPECT_EQ(d.Rows(), 0);

  Type(d.dialog, "SetupName", "News");
  Click(d.dialog, "New");
  ASSERT_EQ(d.Rows(), 1);
  EXPECT_EQ(d.Caption("New"), "New");
  EXPECT_EQ(d.Cell(0, 0), "News");
  EXPECT_EQ(d.Cell(0, 1), "Off");
  EXPECT_EQ(d.Cell(0, 2), "/data/news");
  EXPECT_EQ(d.Cell(0, 7), "0");
  EXPECT_EQ(d.Cell(0, 8), "1");

  // The same name in other letters; then the same folder in other letters.
  Click(d.dialog, "New");
  Type(d.dialog, "SetupName", "NEWS");
  Type(d.dialog, "InputSpool", "/data/ads");
  Click(d.dialog, "New");
  EXPECT_EQ(boxes.Texts().back(), "Setup name already exist or empty");
  Type(d.dialog, "SetupName", "Ads");
  Type(d.dialog, "InputSpool", "/DATA/News");
  Click(d.dialog, "New");
  EXPECT_EQ(boxes.Texts().back(), "Input spool folder already used or empty!");
  Type(d.dialog, "InputSpool", "");
  Click(d.dialog, "New");
  EXPECT_EQ(boxes.Texts().back(), "Input spool folder already used or empty!");
  EXPECT_EQ(d.Rows(), 1);
  Type(d.dialog, "InputSpool", "/data/ads");
  SetCheck(d.dialog, "Enable", true);
  d.dialog.findChild<QRadioButton*>("PriorityHigh")->click();
  Type(d.dialog, "RIP1Spool", "/rip1/ads");
  EXPECT_FALSE(Enabled(d.dialog, "RIP3Spool")) << "RIP 3 is not in use";
  Click(d.dialog, "New");
  ASSERT_EQ(d.Rows(), 2);
  EXPECT_EQ(d.Cell(1, 0), "Ads");
  EXPECT_EQ(d.Cell(1, 1), "On");
  EXPECT_EQ(d.Cell(1, 3), "/rip1/ads");
  EXPECT_EQ(d.Cell(1, 8), "2");

  Click(d.dialog, "OK");
  ASSERT_EQ(d.dialog.result(), QDialog::Accepted);
  const core::SettingsStore& s = d.dialog.Edited();
  ASSERT_EQ(s.NumberOfSpoolers, 2);
  EXPECT_EQ(s.Spoolers[0].SetupName, "News");
  EXPECT_EQ(s.Spoolers[1].SetupName, "Ads");
  EXPECT_EQ(s.Spoolers[1].Enable, 1);
  EXPECT_EQ(s.Spoolers[1].Priority, 2);
  EXPECT_EQ(s.Spoolers[1].PdfMaxAge, 2);
  EXPECT_EQ(s.Spoolers[1].CommandFile, "");
  EXPECT_EQ(s.Spoolers[1].Separators, "_-,") << "the naming defaults of a new spooler";
  // Mono folders follow the spool folders where no special one is chosen.
  EXPECT_EQ(s.Spoolers[1].RipSpoolMono[0], "/rip1/ads");
  EXPECT_EQ(s.Spoolers[1].RipSpoolMono[1], "");
}

TEST(SetupRipSpoolers, EditingStoresTheLoginAndAMonoFolderOnlyWhereChosen) {
  core::SettingsStore site = Site({{"News", "/in/news"}, {"Ads", "/in/ads"}});
  site.Spoolers[0].RipSpool = {"/r1/news", "/r2/news", "", ""};
  site.Spoolers[0].RipSpoolMono = {"/r1/mono", "/r2/mono", "", ""};
  site.Spoolers[0].MonoFolder = {1, 1, 0, 0};
  Dialog d(site);
  Boxes boxes;
  d.Select(0);
  EXPECT_EQ(d.dialog.findChild<QLineEdit*>("SetupName")->text(), "News") << "shown on a click";
  EXPECT_FALSE(Enabled(d.dialog, "InputSpool")) << "shown, not open";
  Click(d.dialog, "Edit");
  EXPECT_EQ(d.Caption("Edit"), "Apply");
  EXPECT_FALSE(Enabled(d.dialog, "SetupName")) << "a setup name is never changed";
  EXPECT_FALSE(Enabled(d.dialog, "New"));
  EXPECT_FALSE(Enabled(d.dialog, "Delete"));
  EXPECT_FALSE(Enabled(d.dialog, "InputQueues")) << "the list waits while fields are open";

  SetCheck(d.dialog, "InputSpoolUseCurrentUser", false);
  Type(d.dialog, "InputSpoolUserName", "scanner");
  Type(d.dialog, "InputSpoolPassword", "s3cret");
  // Mono folders: only with the lookup, and then only where "Special mono folder" is.
  EXPECT_FALSE(Enabled(d.dialog, "MonoFolder1"));
  EXPECT_FALSE(Enabled(d.dialog, "RIP1SpoolMono"));
  SetCheck(d.dialog, "UseDatabase", true);
  EXPECT_TRUE(Enabled(d.dialog, "RIP1SpoolMono"));
  EXPECT_TRUE(Enabled(d.dialog, "RIP1SpoolMonoBrowse"));
  EXPECT_TRUE(Enabled(d.dialog, "NamingConvention"));
  EXPECT_TRUE(Enabled(d.dialog, "TrimPdf"));
  EXPECT_FALSE(Enabled(d.dialog, "MonoFolder3")) << "RIP 3 is not in use";
  SetCheck(d.dialog, "MonoFolder2", false);
  EXPECT_FALSE(Enabled(d.dialog, "RIP2SpoolMono"));
  EXPECT_FALSE(Enabled(d.dialog, "RIP2SpoolMonoBrowse"));
  Type(d.dialog, "RIP1SpoolMono", "/r1/black");
  // Another spooler's folder in other letters is refused.
  Type(d.dialog, "InputSpool", "/IN/ADS");
  Click(d.dialog, "Edit");
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Input spool folder already used!"}));
  EXPECT_EQ(d.Caption("Edit"), "Apply");
  Type(d.dialog, "InputSpool", "/in/news2");
  Click(d.dialog, "Edit");
  EXPECT_EQ(d.Caption("Edit"), "Edit");
  EXPECT_EQ(d.Cell(0, 2), "/in/news2");
  EXPECT_EQ(d.Cell(0, 7), "1");

  Click(d.dialog, "OK");
  ASSERT_EQ(d.dialog.result(), QDialog::Accepted);
  const core::Spooler& news = d.dialog.Edited().Spoolers[0];
  EXPECT_EQ(news.InputSpoolUseCurrentUser, 0);
  EXPECT_EQ(news.InputSpoolUserName, "scanner");
  EXPECT_EQ(news.InputSpoolPassword, "s3cret");
  EXPECT_EQ(news.RipSpoolMono[0], "/r1/black") << "special mono folder kept";
  EXPECT_EQ(news.RipSpoolMono[1], "/r2/news") << "no special mono folder: the spool folder";
  EXPECT_EQ(news.MonoFolder[1], 0);
  EXPECT_EQ(d.dialog.Edited().Spoolers[1].InputSpool, "/in/ads") << "the other untouched";
}

TEST(SetupRipSpoolers, DeleteEnableAndDisableWorkOnTheSelectedRow) {
  Dialog d(Site({{"A", "/a"}, {"B", "/b"}, {"C", "/c"}}));
  d.Select(1);
  Click(d.dialog, "EnableSpooler");
  EXPECT_EQ(d.Cell(1, 1), "On");
  Click(d.dialog, "DisableSpooler");
  EXPECT_EQ(d.Cell(1, 1), "Off");
  Click(d.dialog, "EnableSpooler");
  d.Select(0);
  Click(d.dialog, "Delete");  // at once, without asking
  ASSERT_EQ(d.Rows(), 2);
  EXPECT_EQ(d.Cell(0, 0), "B");
  EXPECT_EQ(d.Cell(0, 1), "On");
  EXPECT_EQ(d.Cell(1, 0), "C");
  EXPECT_FALSE(Enabled(d.dialog, "Delete")) << "nothing selected after a delete";
  Click(d.dialog, "OK");
  const core::SettingsStore& s = d.dialog.Edited();
  ASSERT_EQ(s.NumberOfSpoolers, 2);
  EXPECT_EQ(s.Spoolers[0].SetupName, "B");
  EXPECT_EQ(s.Spoolers[0].Enable, 1);
  EXPECT_EQ(s.Spoolers[1].SetupName, "C");
  EXPECT_EQ(s.Spoolers.size(), static_cast<size_t>(core::kMaxSpoolers));
}

TEST(SetupRipSpoolers, OkAsksAboutOpenFieldsAndCancelOffersToSaveThem) {
  core::SettingsStore site = Site({{"News", "/in/news"}});
  {
    // OK, "Apply changes?" Yes: the edit is applied, the dialog accepted.
    Dialog d(site);
    Boxes boxes;
    boxes.Then(QMessageBox::Yes);
    d.Select(0);
    Click(d.dialog, "Edit");
    SetCheck(d.dialog, "Enable", true);
    Click(d.dialog, "OK");
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Apply changes?"}));
    EXPECT_EQ(d.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(d.dialog.Edited().Spoolers[0].Enable, 1);
  }
  {
    // OK, No: accepted without the open addition.
    Dialog d(site);
    Boxes boxes;
    boxes.Then(QMessageBox::No);
    Click(d.dialog, "New");
    Type(d.dialog, "SetupName", "Ads");
    Type(d.dialog, "InputSpool", "/in/ads");
    Click(d.dialog, "OK");
    EXPECT_EQ(d.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(d.dialog.Edited().NumberOfSpoolers, 1);
  }
  {
    // OK, Yes with an addition its checks refuse: the message, and the dialog stays.
    Dialog d(site);
    Boxes boxes;
    boxes.Then(QMessageBox::Yes);
    Click(d.dialog, "New");
    Type(d.dialog, "SetupName", "news");
    Click(d.dialog, "OK");
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{"Apply changes?", "Setup name already exist or empty"}));
    EXPECT_TRUE(d.dialog.isVisible());
    EXPECT_EQ(d.Caption("New"), "Apply");
  }
  const std::string pending = "Unapplied data pending!\nDo you want to save this?";
  {
    // Cancel, Cancel: back to the dialog; Cancel, No: everything dropped.
    Dialog d(site);
    Boxes boxes;
    boxes.Then(QMessageBox::Cancel).Then(QMessageBox::No);
    d.Select(0);
    Click(d.dialog, "Edit");
    SetCheck(d.dialog, "Enable", true);
    Click(d.dialog, "Cancel");
    EXPECT_TRUE(d.dialog.isVisible());
    EXPECT_EQ(d.Caption("Edit"), "Apply");
    Click(d.dialog, "Cancel");
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{pending, pending}));
    EXPECT_EQ(d.dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(d.dialog.isVisible());
  }
  {
    // Escape, Yes: the open addition applied and the dialog's work kept, as with OK.
    Dialog d(site);
    Boxes boxes;
    boxes.Then(QMessageBox::Yes);
    Click(d.dialog, "New");
    Type(d.dialog, "SetupName", "Ads");
    Type(d.dialog, "InputSpool", "/in/ads");
    QTest::keyClick(&d.dialog, Qt::Key_Escape);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{pending}));
    EXPECT_EQ(d.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(d.dialog.Edited().NumberOfSpoolers, 2);
    EXPECT_EQ(d.dialog.Edited().Spoolers[1].SetupName, "Ads");
  }
  {
    // Cancel with nothing open drops every change without asking; so does the
    // program's own reject() (ending), even with fields open.
    Dialog d(site);
    Boxes boxes;
    d.Select(0);
    Click(d.dialog, "Delete");
    Click(d.dialog, "Cancel");
    EXPECT_EQ(d.dialog.result(), QDialog::Rejected);
    Dialog e(site);
    Click(e.dialog, "New");
    e.dialog.reject();
    EXPECT_FALSE(e.dialog.isVisible());
    EXPECT_TRUE(boxes.Texts().empty());
  }
}

TEST(SetupRipSpoolers, AHundredAndFirstSpoolerIsRefusedBeforeItIsTyped) {
  std::vector<std::pair<std::string, std::string>> many;
  for (int m = 1; m <= core::kMaxSpoolers; ++m) {
    many.push_back({"S" + std::to_string(m), "/in/" + std::to_string(m)});
  }
  Dialog d(Site(many));
  Boxes boxes;
  EXPECT_EQ(d.Rows(), 100);
  Click(d.dialog, "New");
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.Texts()[0],
            "At most 100 input setups can be defined.\nDelete one before adding a new one.");
  EXPECT_EQ(d.Caption("New"), "New") << "no addition opened";
  // One deleted, one can be added again.
  d.Select(99);
  Click(d.dialog, "Delete");
  Click(d.dialog, "New");
  Type(d.dialog, "SetupName", "Last");
  Type(d.dialog, "InputSpool", "/in/last");
  Click(d.dialog, "New");
  EXPECT_EQ(d.Rows(), 100);
  EXPECT_EQ(d.Cell(99, 0), "Last");
}

TEST(SetupRipSpoolers, TheNamingConventionOfTheSpoolerInTheFields) {
  core::SettingsStore site = Site({{"News", "/in/news"}, {"Ads", "/in/ads"}});
  site.Spoolers[1].UseDatabase = 1;
  Dialog d(site);
  Boxes boxes;
  // Shown (not open) with the lookup: the naming convention may be changed.
  d.Select(1);
  EXPECT_TRUE(Enabled(d.dialog, "NamingConvention"));
  {
    WhenOpen<CConfigNaming> fill([](CConfigNaming& n) {
      EXPECT_EQ(n.windowTitle(), "Set naming convention");
      Type(n, "NameConv", "%P-%D-%N");
      Type(n, "DateFormat", "DDMMYY");
      Click(n, "OK");
    });
    Click(d.dialog, "NamingConvention");
    EXPECT_TRUE(fill.Ran());
  }
  // A new spooler's naming convention goes with the new spooler, not to the first.
  Click(d.dialog, "New");
  Type(d.dialog, "SetupName", "Sport");
  Type(d.dialog, "InputSpool", "/in/sport");
  SetCheck(d.dialog, "UseDatabase", true);
  {
    WhenOpen<CConfigNaming> fill([](CConfigNaming& n) {
      EXPECT_EQ(n.findChild<QLineEdit*>("Separators")->text(), "_-,");
      Type(n, "NameConv", "%P%P%D%D%N%N");
      SetCheck(n, "DatabaseTemplate", true);
      Type(n, "DefaultPageFormat", "Tabloid");
      Click(n, "OK");
    });
    Click(d.dialog, "NamingConvention");
    EXPECT_TRUE(fill.Ran());
  }
  ASSERT_EQ(boxes.shown().size(), 1u) << "the template note after OK";
  EXPECT_EQ(boxes.Texts()[0],
            "Database controlled ripping is selected.\nMake sure each RIP input path is PARENT "
            "folder to the input folders dictated by database.\nExample: "
            "c:\\RipInputRoot\\<PageFormat>");
  Click(d.dialog, "New");  // "Apply"
  Click(d.dialog, "OK");
  const core::SettingsStore& s = d.dialog.Edited();
  ASSERT_EQ(s.NumberOfSpoolers, 3);
  EXPECT_EQ(s.Spoolers[0].NameConv, "");
  EXPECT_EQ(s.Spoolers[1].NameConv, "%P-%D-%N");
  EXPECT_EQ(s.Spoolers[1].DateFormat, "DDMMYY");
  EXPECT_EQ(s.Spoolers[2].NameConv, "%P%P%D%D%N%N");
  EXPECT_EQ(s.Spoolers[2].DatabaseTemplate, 1);
  EXPECT_EQ(s.Spoolers[2].DefaultPageFormat, "Tabloid");
}

TEST(SetNamingConvention, ExpressionsOpenWithRenamingAndThePageFormatWithTheTemplate) {
  Pictures pictures;
  core::Spooler s = core::DefaultSpooler(1);
  s.MatchExpression[2] = "^(..)(.*)$";
  s.HoldUnknownJobs = 1;
  CConfigNaming n(pictures, s);
  n.show();
  for (int i = 1; i <= 4; ++i) {
    EXPECT_FALSE(Enabled(n, QString("MatchExpression%1").arg(i)));
    EXPECT_FALSE(Enabled(n, QString("FormatExpression%1").arg(i)));
  }
  EXPECT_FALSE(Enabled(n, "DefaultPageFormat"));
  EXPECT_EQ(n.findChild<QLineEdit*>("MatchExpression3")->text(), "^(..)(.*)$");
  SetCheck(n, "UseRegex", true);
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(Enabled(n, QString("FormatExpression%1").arg(i)));
  Type(n, "MatchExpression4", "x");
  Type(n, "FormatExpression4", "y");
  Type(n, "DefaultPublication", "DT");
  Type(n, "DefaultGroup", "North");
  SetCheck(n, "HoldUnknownJobs", false);
  SetCheck(n, "DeleteUnknownJobs", true);
  // The help texts an operator writes a naming convention with.
  QStringList texts;
  for (QLabel* l : n.findChildren<QLabel*>()) texts << l->text();
  for (const char* t :
       {"%P for Publication", "%D for Date", "%S for Section", "%E for Edition", "%I for Issue",
        "%N page name", "%M planned page name", "%G for Location Group", "%X for don't care",
        "%P%P%D%D%N%N (fixed - zero extended)", "%P%-%D-%N (separated name)", "Example: DDMMYYYY",
        "(if none found)"}) {
    EXPECT_TRUE(texts.contains(t)) << t;
  }
  EXPECT_TRUE(
      texts.contains("Select default job ids for attributes not in filename.\n"
                     "Make sure this corresponds to Imbrel poll input setup.\n"
                     "Leave blank if attribute is not ambigeous."));
  EXPECT_TRUE(texts.contains("2. Match expression (leave blank if not used)"));
  Click(n, "OK");
  const core::Spooler& e = n.Edited();
  EXPECT_EQ(e.UseRegex, 1);
  EXPECT_EQ(e.MatchExpression[3], "x");
  EXPECT_EQ(e.FormatExpression[3], "y");
  EXPECT_EQ(e.MatchExpression[2], "^(..)(.*)$");
  EXPECT_EQ(e.DefaultPublication, "DT");
  EXPECT_EQ(e.DefaultGroup, "North");
  EXPECT_EQ(e.HoldUnknownJobs, 0);
  EXPECT_EQ(e.DeleteUnknownJobs, 1);
}

}  // namespace
}  // namespace vellora::ui

namespace vellora::ui {
namespace {

TEST(FolderPickers, TitledStartAtTheFieldsFolderAndReplaceItsText) {
  test::TempDir dir;
  const std::string news = dir / "news", ads = dir / "ads";
  test::MakeDirs(news);
  test::MakeDirs(ads);
  core::SettingsStore site = Site({{"News", news}});
  Dialog d(site);
  d.Select(0);
  Click(d.dialog, "Edit");
  struct Expect {
    const char* button;
    const char* title;
  };
  for (const Expect& e : {Expect{"InputSpoolBrowse", "Select input spool folder"},
                          Expect{"RIP1SpoolBrowse", "Select RIP input spool folder"}}) {
    QString title, start;
    Type(d.dialog, e.button == std::string("InputSpoolBrowse") ? "InputSpool" : "RIP1Spool",
         QString::fromStdString(news));
    WhenOpen<QFileDialog> pick([&](QFileDialog& f) {
      title = f.windowTitle();
      start = f.directory().absolutePath();
      // The folder typed into the picker's name field, as an operator may: a folder
      // selected in its list would depend on the picker's listing, which runs on a
      // thread of its own.
      auto* name = f.findChild<QLineEdit*>("fileNameEdit");
      ASSERT_NE(name, nullptr);
      name->setText(QString::fromStdString(ads));
      static_cast<QDialog&>(f).accept();  // as the picker's own button does
    });
    Click(d.dialog, e.button);
    ASSERT_TRUE(pick.Ran());
    EXPECT_EQ(title.toStdString(), e.title);
    EXPECT_EQ(start.toStdString(), news) << "starts at the field's folder";
  }
  EXPECT_EQ(d.dialog.findChild<QLineEdit*>("InputSpool")->text().toStdString(), ads);
  EXPECT_EQ(d.dialog.findChild<QLineEdit*>("RIP1Spool")->text().toStdString(), ads);
  // Cancelled: the text stays.
  WhenOpen<QFileDialog> cancel([](QFileDialog& f) { f.reject(); });
  Click(d.dialog, "RIP1SpoolBrowse");
  ASSERT_TRUE(cancel.Ran());
  EXPECT_EQ(d.dialog.findChild<QLineEdit*>("RIP1Spool")->text().toStdString(), ads);
  SetCheck(d.dialog, "UseDatabase", true);
  SetCheck(d.dialog, "MonoFolder1", true);
  QString monoTitle;
  WhenOpen<QFileDialog> mono([&](QFileDialog& f) {
    monoTitle = f.windowTitle();
    f.reject();
  });
  Click(d.dialog, "RIP1SpoolMonoBrowse");
  EXPECT_EQ(monoTitle, "Select RIP mono spool folder");
  SetCheck(d.dialog, "Enable", true);
  SetCheck(d.dialog, "ArchivePdf", true);
  QString archiveTitle;
  WhenOpen<QFileDialog> archive([&](QFileDialog& f) {
    archiveTitle = f.windowTitle();
    f.reject();
  });
  Click(d.dialog, "PdfArchiveBrowse");
  EXPECT_EQ(archiveTitle, "Select archive folder");
}

}  // namespace
}  // namespace vellora::ui
