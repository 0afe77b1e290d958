// The naming convention dialog.
#include "ui/config_naming.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/dialog_parts.h"
#include "ui/text.h"

namespace vellora::ui {
namespace {

QLabel* Help(const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return l;
}

}  // namespace

CConfigNaming::CConfigNaming(const Pictures& pictures, const core::Spooler& spooler,
                             QWidget* parent)
    : QDialog(parent), edited_(spooler) {
  setObjectName("CConfigNaming");
  QVBoxLayout* body = FrameDialog(*this, pictures, "Set naming convention");
  auto* columns = new QHBoxLayout;
  columns->setSpacing(10);
  auto* left = new QVBoxLayout;
  left->addWidget(BuildConvention());
  left->addWidget(BuildDefaults(), 1);
  auto* right = new QVBoxLayout;
  right->addWidget(BuildRenaming(), 1);
  right->addWidget(BuildTemplate());
  columns->addLayout(left, 1);
  columns->addLayout(right, 1);
  body->addLayout(columns, 1);
  AddOkCancel(*body, *this, pictures);

  connect(useRegex_, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
  connect(databaseTemplate_, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
  UpdateEnabling();
}

QWidget* CConfigNaming::BuildConvention() {
  auto* group = new QGroupBox("Naming convention", this);
  group->setObjectName("NamingConventionGroup");
  nameConv_ = Edit(edited_.NameConv, "NameConv", group);
  dateFormat_ = Edit(edited_.DateFormat, "DateFormat", group);
  separators_ = Edit(edited_.Separators, "Separators", group);

  auto* g = new QGridLayout(group);
  g->setVerticalSpacing(4);
  g->addWidget(new QLabel("Naming convention", group), 0, 0);
  g->addWidget(nameConv_, 0, 1);
  g->addWidget(new QLabel("Date format", group), 1, 0);
  g->addWidget(dateFormat_, 1, 1);
  g->addWidget(new QLabel("Example: DDMMYYYY", group), 2, 1);
  g->addWidget(new QLabel("Valid separators", group), 3, 0);
  g->addWidget(separators_, 3, 1);
  g->setColumnStretch(1, 1);

  // The attributes a naming convention is written with, in two columns, and the two
  // ways of writing one.
  auto* attributes = new QGridLayout;
  attributes->setHorizontalSpacing(18);
  attributes->setVerticalSpacing(1);
  const char* lines[] = {"%P for Publication",   "%D for Date",           "%S for Section",
                         "%E for Edition",       "%I for Issue",          "%N page name",
                         "%M planned page name", "%G for Location Group", "%X for don't care"};
  for (int i = 0; i < 9; ++i) attributes->addWidget(Help(lines[i], group), i % 5, i / 5);
  attributes->setColumnStretch(2, 1);
  g->setRowMinimumHeight(4, 6);
  g->addLayout(attributes, 5, 0, 1, 2);
  g->setRowMinimumHeight(6, 6);
  g->addWidget(Help("Examples:", group), 7, 0);
  g->addWidget(Help("%P%P%D%D%N%N (fixed - zero extended)", group), 7, 1);
  g->addWidget(Help("%P%-%D-%N (separated name)", group), 8, 1);
  return group;
}

QWidget* CConfigNaming::BuildDefaults() {
  auto* group = new QGroupBox(this);
  group->setObjectName("DefaultsGroup");
  publication_ = Edit(edited_.DefaultPublication, "DefaultPublication", group);
  section_ = Edit(edited_.DefaultSection, "DefaultSection", group);
  edition_ = Edit(edited_.DefaultEdition, "DefaultEdition", group);
  issue_ = Edit(edited_.DefaultIssue, "DefaultIssue", group);
  location_ = Edit(edited_.DefaultGroup, "DefaultGroup", group);
  deleteUnknown_ = Check("Delete files not found in Halvard database", "DeleteUnknownJobs",
                         edited_.DeleteUnknownJobs, group);
  holdUnknown_ = Check("Ignore files not found in Halvard database", "HoldUnknownJobs",
                       edited_.HoldUnknownJobs, group);

  auto* g = new QGridLayout(group);
  g->setVerticalSpacing(4);
  auto* hint = Help(
      "Select default job ids for attributes not in filename.\n"
      "Make sure this corresponds to Imbrel poll input setup.\n"
      "Leave blank if attribute is not ambigeous.",
      group);
  g->addWidget(hint, 0, 0, 1, 2);
  const std::pair<const char*, QLineEdit*> rows[] = {{"Publication", publication_},
                                                     {"Section", section_},
                                                     {"Edition", edition_},
                                                     {"Issue", issue_},
                                                     {"Location", location_}};
  int row = 1;
  for (const auto& [label, edit] : rows) {
    g->addWidget(new QLabel(label, group), row, 0);
    g->addWidget(edit, row++, 1);
  }
  g->setRowMinimumHeight(row++, 6);
  g->addWidget(deleteUnknown_, row++, 0, 1, 2);
  g->addWidget(holdUnknown_, row++, 0, 1, 2);
  g->setRowStretch(row, 1);
  g->setColumnStretch(1, 1);
  return group;
}

QWidget* CConfigNaming::BuildRenaming() {
  auto* group = new QGroupBox(this);
  group->setObjectName("RenamingGroup");
  useRegex_ = Check("Use regular expression for renaming", "UseRegex", edited_.UseRegex, group);
  auto* g = new QGridLayout(group);
  g->setVerticalSpacing(3);
  g->addWidget(useRegex_, 0, 0);
  int row = 1;
  for (int i = 0; i < 4; ++i) {
    const QString n = QString::number(i + 1);
    match_[static_cast<size_t>(i)] =
        Edit(edited_.MatchExpression[static_cast<size_t>(i)], "MatchExpression" + n, group);
    format_[static_cast<size_t>(i)] =
        Edit(edited_.FormatExpression[static_cast<size_t>(i)], "FormatExpression" + n, group);
    g->setRowMinimumHeight(row++, 4);
    g->addWidget(new QLabel(i == 0 ? "1. Match expression"
                                   : n + ". Match expression (leave blank if not used)",
                            group),
                 row++, 0);
    g->addWidget(match_[static_cast<size_t>(i)], row++, 0);
    g->addWidget(new QLabel(i == 0 ? "1. Format expression" : "Format expression", group), row++,
                 0);
    g->addWidget(format_[static_cast<size_t>(i)], row++, 0);
  }
  g->setRowStretch(row, 1);
  return group;
}

QWidget* CConfigNaming::BuildTemplate() {
  auto* group = new QGroupBox(this);
  group->setObjectName("TemplateGroup");
  databaseTemplate_ = Check("Use Halvard RIP template selection (Page format name)",
                            "DatabaseTemplate", edited_.DatabaseTemplate, group);
  defaultPageFormat_ = Edit(edited_.DefaultPageFormat, "DefaultPageFormat", group);
  auto* g = new QGridLayout(group);
  g->setVerticalSpacing(2);
  g->addWidget(databaseTemplate_, 0, 0, 1, 2);
  g->addWidget(new QLabel("Default pageformat", group), 1, 0);
  g->addWidget(defaultPageFormat_, 1, 1, 2, 1, Qt::AlignVCenter);
  g->addWidget(new QLabel("(if none found)", group), 2, 0);
  g->setColumnStretch(1, 1);
  return group;
}

void CConfigNaming::UpdateEnabling() {
  const bool regex = useRegex_->isChecked();
  for (size_t i = 0; i < match_.size(); ++i) {
    match_[i]->setEnabled(regex);
    format_[i]->setEnabled(regex);
  }
  defaultPageFormat_->setEnabled(databaseTemplate_->isChecked());
}

void CConfigNaming::accept() {
  core::Spooler& s = edited_;
  s.NameConv = EditedText(nameConv_->text(), s.NameConv);
  s.DateFormat = EditedText(dateFormat_->text(), s.DateFormat);
  s.Separators = EditedText(separators_->text(), s.Separators);
  s.DefaultPublication = EditedText(publication_->text(), s.DefaultPublication);
  s.DefaultSection = EditedText(section_->text(), s.DefaultSection);
  s.DefaultEdition = EditedText(edition_->text(), s.DefaultEdition);
  s.DefaultIssue = EditedText(issue_->text(), s.DefaultIssue);
  s.DefaultGroup = EditedText(location_->text(), s.DefaultGroup);
  s.DeleteUnknownJobs = deleteUnknown_->isChecked() ? 1 : 0;
  s.HoldUnknownJobs = holdUnknown_->isChecked() ? 1 : 0;
  s.UseRegex = useRegex_->isChecked() ? 1 : 0;
  for (size_t i = 0; i < match_.size(); ++i) {
    s.MatchExpression[i] = EditedText(match_[i]->text(), s.MatchExpression[i]);
    s.FormatExpression[i] = EditedText(format_[i]->text(), s.FormatExpression[i]);
  }
  s.DatabaseTemplate = databaseTemplate_->isChecked() ? 1 : 0;
  s.DefaultPageFormat = EditedText(defaultPageFormat_->text(), s.DefaultPageFormat);
  QDialog::accept();
  if (s.DatabaseTemplate != 0) {
    ShowInformation(parentWidget(),
                    "Database controlled ripping is selected.\n"
                    "Make sure each RIP input path is PARENT folder to the input folders "
                    "dictated by database.\n"
                    "Example: c:\\RipInputRoot\\<PageFormat>");
  }
}

}  // namespace vellora::ui
