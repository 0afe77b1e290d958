// The spooler setup dialog.
#include "ui/config_spoolers.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "ui/config_naming.h"
#include "ui/dialog_parts.h"
#include "ui/report_list.h"
#include "ui/text.h"

namespace vellora::ui {
namespace {

QCheckBox* Check(const QString& text, const QString& name, QWidget* parent) {
  auto* c = new QCheckBox(text, parent);
  c->setObjectName(name);
  return c;
}

QLineEdit* Edit(const QString& name, QWidget* parent) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  return e;
}

bool SameText(const std::string& a, const QString& b) {
  return ToQt(a).compare(b, Qt::CaseInsensitive) == 0;
}

// What the operator typed into a name or folder field: blanks around it are typing
// accidents (and would not survive Vellora.ini, which trims them).
QString Typed(const QLineEdit& e) {
  return e.text().trimmed();
}

std::string Stored(const QString& now, const std::string& before) {
  return EditedText(now.trimmed(), before);
}

constexpr int kMaxAgeAfterNew = 2;

// The fields as "New" leaves them: nothing chosen, the login the program's own, the
// priority "Normal", the maximum age 2 days. The naming convention and renaming keep
// spooler m's defaults.
core::Spooler ClearedSpooler(int m) {
  core::Spooler s = core::DefaultSpooler(m);
  s.Enable = 0;
  s.SetupName.clear();
  s.InputSpool.clear();
  s.InputSpoolUseCurrentUser = 1;
  s.InputSpoolUserName.clear();
  s.InputSpoolPassword.clear();
  s.UseDatabase = 0;
  s.RunCommand = 0;
  s.CommandFile.clear();
  s.ArchivePdf = 0;
  s.PdfArchive.clear();
  s.PdfMaxAge = kMaxAgeAfterNew;
  s.ArchivePdfPerPublication = 0;
  s.TrimPdf = 0;
  s.ScalePdf = 0;
  s.Priority = 1;
  for (size_t r = 0; r < s.RipSpool.size(); ++r) {
    s.RipSpool[r].clear();
    s.MonoFolder[r] = 0;
    s.RipSpoolMono[r].clear();
  }
  return s;
}

}  // namespace

CConfigSpoolers::CConfigSpoolers(const Pictures& pictures, const core::SettingsStore& settings,
                                 QWidget* parent)
    : QDialog(parent), edited_(settings), pictures_(pictures) {
  setObjectName("CConfigSpoolers");
  QVBoxLayout* body = FrameDialog(*this, pictures, "Setup RIP spoolers");
  body->addWidget(BuildList(), 1);
  auto* details = new QHBoxLayout;
  details->setSpacing(10);
  details->addWidget(BuildInputFields(pictures), 1);
  details->addWidget(BuildOutputFields(pictures), 1);
  body->addLayout(details);
  AddOkCancel(*body, *this, pictures);
  // Cancel asks about open fields; a plain reject() does not.
  auto* cancel = findChild<QPushButton*>("Cancel");
  disconnect(cancel, nullptr, this, nullptr);
  connect(cancel, &QPushButton::clicked, this, [this] { CancelByOperator(); });

  auto update = [this] { UpdateEnabling(); };
  for (QCheckBox* c : {enable_, currentUser_, useDatabase_, runCommand_, archivePdf_}) {
    connect(c, &QCheckBox::toggled, this, update);
  }
  for (RipOutput& o : outputs_) connect(o.mono, &QCheckBox::toggled, this, update);
  RebuildList(-1);
  OnSelectionChanged();
  resize(980, sizeHint().height());
}

QWidget* CConfigSpoolers::BuildList() {
  auto* box = new QWidget(this);
  model_ = new QStandardItemModel(0, 9, this);
  model_->setHorizontalHeaderLabels(
      {"Name", "Enabled", "Input", "Rip1", "Rip2", "Rip3", "Rip4", "Use DB", "Priority"});
  list_ = new ReportList({100, 53, 80, 80, 80, 80, 80, 80, 80}, /*severalRows=*/false, box);
  list_->setObjectName("InputQueues");
  list_->setModel(model_);
  list_->ApplyColumnWidths();
  list_->setMinimumHeight(120);
  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { OnSelectionChanged(); });

  new_ = Button("New", "New", 80, box);
  edit_ = Button("Edit", "Edit", 80, box);
  delete_ = Button("Delete", "Delete", 80, box);
  enableButton_ = Button("Enable", "EnableSpooler", 80, box);
  disableButton_ = Button("Disable", "DisableSpooler", 80, box);
  connect(new_, &QPushButton::clicked, this, [this] { OnNew(); });
  connect(edit_, &QPushButton::clicked, this, [this] { OnEdit(); });
  connect(delete_, &QPushButton::clicked, this, [this] { OnDelete(); });
  connect(enableButton_, &QPushButton::clicked, this, [this] { OnEnable(true); });
  connect(disableButton_, &QPushButton::clicked, this, [this] { OnEnable(false); });

  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(4);
  for (QPushButton* b : {new_, edit_, delete_, enableButton_, disableButton_})
    buttons->addWidget(b);
  buttons->addStretch(1);
  auto* left = new QVBoxLayout;
  left->setSpacing(3);
  left->addWidget(new QLabel("Input queues", box));
  left->addWidget(list_, 1);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  row->addLayout(left, 1);
  auto* buttonColumn = new QVBoxLayout;
  buttonColumn->addSpacing(QLabel("Input queues").sizeHint().height() + 3);
  buttonColumn->addLayout(buttons, 1);
  row->addLayout(buttonColumn);
  return box;
}

QWidget* CConfigSpoolers::BuildInputFields(const Pictures& pictures) {
  auto* group = new QGroupBox(this);
  group->setObjectName("InputFields");
  enable_ = Check("Enable", "Enable", group);
  setupName_ = Edit("SetupName", group);
  inputSpool_ = new FolderField(pictures, "Select input spool folder", "InputSpool", group);
  currentUser_ = Check("Use current user for login", "InputSpoolUseCurrentUser", group);
  userName_ = Edit("InputSpoolUserName", group);
  password_ = Edit("InputSpoolPassword", group);
  password_->setEchoMode(QLineEdit::Password);

  priorityGroup_ = new QGroupBox("Priority", group);
  priorityGroup_->setObjectName("Priority");
  priority_ = new QButtonGroup(this);
  auto* priorities = new QHBoxLayout(priorityGroup_);
  priorities->setContentsMargins(8, 2, 8, 4);
  const char* names[] = {"Low", "Normal", "High"};
  for (int i = 0; i < 3; ++i) {
    auto* r = new QRadioButton(names[i], priorityGroup_);
    r->setObjectName(QString("Priority") + names[i]);
    priority_->addButton(r, i);
    priorities->addWidget(r);
  }
  priorities->addStretch(1);

  useDatabase_ = Check("Lookup job in database", "UseDatabase", group);
  naming_ = Button("Naming Convention..", "NamingConvention", 0, group);
  connect(naming_, &QPushButton::clicked, this, [this] { OnNamingConvention(); });
  runCommand_ = Check("Run external comand on each job", "RunCommand", group);
  command_ = Edit("CommandFile", group);
  archivePdf_ = Check("Archive incoming PDF files", "ArchivePdf", group);
  pdfArchive_ = new FolderField(pictures, "Select archive folder", "PdfArchive", group);
  maxAge_ = new QSpinBox(group);
  maxAge_->setObjectName("PdfMaxAge");
  maxAge_->setRange(1, 999);
  perPublication_ =
      Check("Create directory per production (pub + pubdate)", "ArchivePdfPerPublication", group);
  trim_ = Check("Trim PDF files according to Halvard page formats", "TrimPdf", group);
  scale_ = Check("Scale PDF files according to Halvard page formats", "ScalePdf", group);

  auto* g = new QGridLayout(group);
  g->setVerticalSpacing(4);
  int row = 0;
  g->addWidget(enable_, row++, 0, 1, 4);
  g->addWidget(new QLabel("Setup name", group), row, 0);
  g->addWidget(setupName_, row++, 1, 1, 3);
  g->addWidget(new QLabel("Input spoolfolder", group), row, 0);
  g->addWidget(inputSpool_, row++, 1, 1, 3);
  g->addWidget(currentUser_, row++, 0, 1, 4);
  g->addWidget(new QLabel("Username", group), row, 0);
  g->addWidget(userName_, row, 1);
  g->addWidget(new QLabel("Password", group), row, 2);
  g->addWidget(password_, row++, 3);
  g->addWidget(priorityGroup_, row++, 0, 1, 4);
  g->addWidget(useDatabase_, row, 0, 1, 2);
  g->addWidget(naming_, row++, 2, 1, 2, Qt::AlignRight);
  g->addWidget(runCommand_, row++, 0, 1, 4);
  g->addWidget(new QLabel("Command", group), row, 0);
  g->addWidget(command_, row++, 1, 1, 3);
  g->addWidget(new QLabel("(Enter %f for filename. Ex: command.exe %f)", group), row++, 1, 1, 3);
  g->addWidget(archivePdf_, row++, 0, 1, 4);
  g->addWidget(new QLabel("PDF archive folder", group), row, 0);
  g->addWidget(pdfArchive_, row++, 1, 1, 3);
  g->addWidget(new QLabel("Max. age of archive files", group), row, 0);
  auto* age = new QHBoxLayout;
  age->setSpacing(6);
  age->addWidget(maxAge_);
  age->addWidget(new QLabel("days", group));
  age->addStretch(1);
  g->addLayout(age, row++, 1, 1, 3);
  g->addWidget(perPublication_, row++, 0, 1, 4);
  g->addWidget(trim_, row++, 0, 1, 4);
  g->addWidget(scale_, row++, 0, 1, 4);
  g->setRowStretch(row, 1);
  g->setColumnStretch(1, 1);
  g->setColumnStretch(3, 1);
  return group;
}

QWidget* CConfigSpoolers::BuildOutputFields(const Pictures& pictures) {
  auto* group = new QGroupBox("Output (RIP input)", this);
  group->setObjectName("Output");
  auto* g = new QGridLayout(group);
  g->setVerticalSpacing(4);
  int row = 0;
  for (int r = 0; r < core::kRipCount; ++r) {
    const QString n = QString::number(r + 1);
    RipOutput& o = outputs_[static_cast<size_t>(r)];
    o.spool =
        new FolderField(pictures, "Select RIP input spool folder", "RIP" + n + "Spool", group);
    o.mono = Check("Special mono folder", "MonoFolder" + n, group);
    o.monoFolder =
        new FolderField(pictures, "Select RIP mono spool folder", "RIP" + n + "SpoolMono", group);
    if (r > 0) g->setRowMinimumHeight(row++, 6);
    g->addWidget(new QLabel("RIP" + n + " spoolfolder", group), row, 0);
    g->addWidget(o.spool, row++, 1);
    g->addWidget(o.mono, row++, 1);
    g->addWidget(new QLabel("RIP" + n + " mono folder", group), row, 0);
    g->addWidget(o.monoFolder, row++, 1);
  }
  auto* note = new QLabel(
      "Note: If database lookup is used, the Halvard page format names are used as subfolder "
      "names (subfolders to above spoolfolders)",
      group);
  note->setWordWrap(true);
  g->setRowMinimumHeight(row++, 6);
  g->addWidget(note, row++, 0, 1, 2);
  g->setRowStretch(row, 1);
  g->setColumnStretch(1, 1);
  return group;
}

int CConfigSpoolers::SelectedRow() const {
  std::vector<int> rows = list_->SelectedRows();
  return rows.empty() ? -1 : rows.front();
}

void CConfigSpoolers::RebuildList(int select) {
  model_->removeRows(0, model_->rowCount());
  for (int m = 0; m < Count(); ++m) {
    const core::Spooler& s = edited_.Spoolers[static_cast<size_t>(m)];
    QList<QStandardItem*> row;
    auto cell = [&row](const QString& text) {
      auto* item = new QStandardItem(text);
      item->setEditable(false);
      row.append(item);
    };
    cell(ToQt(s.SetupName));
    cell(s.Enable != 0 ? "On" : "Off");
    cell(ToQt(s.InputSpool));
    for (const std::string& spool : s.RipSpool) cell(ToQt(spool));
    cell(QString::number(s.UseDatabase));
    cell(QString::number(s.Priority));
    model_->appendRow(row);
  }
  if (select >= 0 && select < Count()) {
    list_->selectionModel()->select(
        model_->index(select, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_->selectionModel()->setCurrentIndex(model_->index(select, 0),
                                             QItemSelectionModel::NoUpdate);
  }
  list_->scrollToBottom();
}

void CConfigSpoolers::OnSelectionChanged() {
  // While fields are open the list is closed; a rebuild's selection is not a click.
  if (mode_ == Mode::Adding || mode_ == Mode::Editing) return;
  const int row = SelectedRow();
  if (row < 0) {
    mode_ = Mode::Idle;
    shown_ = -1;
    ShowFields(ClearedSpooler(1));
  } else {
    mode_ = Mode::Shown;
    shown_ = row;
    ShowFields(edited_.Spoolers[static_cast<size_t>(row)]);
  }
  UpdateEnabling();
}

void CConfigSpoolers::ShowFields(const core::Spooler& s) {
  enable_->setChecked(s.Enable != 0);
  setupName_->setText(ToQt(s.SetupName));
  inputSpool_->setText(ToQt(s.InputSpool));
  currentUser_->setChecked(s.InputSpoolUseCurrentUser != 0);
  userName_->setText(ToQt(s.InputSpoolUserName));
  password_->setText(ToQt(s.InputSpoolPassword));
  const int priority = s.Priority >= 0 && s.Priority <= 2 ? s.Priority : 1;
  priority_->button(priority)->setChecked(true);
  useDatabase_->setChecked(s.UseDatabase != 0);
  runCommand_->setChecked(s.RunCommand != 0);
  command_->setText(ToQt(s.CommandFile));
  archivePdf_->setChecked(s.ArchivePdf != 0);
  pdfArchive_->setText(ToQt(s.PdfArchive));
  maxAge_->setValue(s.PdfMaxAge);
  perPublication_->setChecked(s.ArchivePdfPerPublication != 0);
  trim_->setChecked(s.TrimPdf != 0);
  scale_->setChecked(s.ScalePdf != 0);
  for (size_t r = 0; r < outputs_.size(); ++r) {
    outputs_[r].spool->setText(ToQt(s.RipSpool[r]));
    outputs_[r].mono->setChecked(s.MonoFolder[r] != 0);
    outputs_[r].monoFolder->setText(ToQt(s.RipSpoolMono[r]));
  }
}

void CConfigSpoolers::ReadFields(core::Spooler& s) const {
  s.Enable = enable_->isChecked() ? 1 : 0;
  s.InputSpool = Stored(inputSpool_->text(), s.InputSpool);
  s.InputSpoolUseCurrentUser = currentUser_->isChecked() ? 1 : 0;
  s.InputSpoolUserName = EditedText(userName_->text(), s.InputSpoolUserName);
  s.InputSpoolPassword = EditedText(password_->text(), s.InputSpoolPassword);
  s.Priority = priority_->checkedId() >= 0 ? priority_->checkedId() : 1;
  s.UseDatabase = useDatabase_->isChecked() ? 1 : 0;
  s.RunCommand = runCommand_->isChecked() ? 1 : 0;
  s.CommandFile = EditedText(command_->text(), s.CommandFile);
  s.ArchivePdf = archivePdf_->isChecked() ? 1 : 0;
  s.PdfArchive = Stored(pdfArchive_->text(), s.PdfArchive);
  s.PdfMaxAge = maxAge_->value();
  s.ArchivePdfPerPublication = perPublication_->isChecked() ? 1 : 0;
  s.TrimPdf = trim_->isChecked() ? 1 : 0;
  s.ScalePdf = scale_->isChecked() ? 1 : 0;
  for (size_t r = 0; r < outputs_.size(); ++r) {
    s.RipSpool[r] = Stored(outputs_[r].spool->text(), s.RipSpool[r]);
    s.MonoFolder[r] = outputs_[r].mono->isChecked() ? 1 : 0;
    s.RipSpoolMono[r] = Stored(outputs_[r].monoFolder->text(), s.RipSpoolMono[r]);
  }
}

void CConfigSpoolers::UpdateEnabling() {
  const bool open = mode_ == Mode::Adding || mode_ == Mode::Editing;
  const bool selected = SelectedRow() >= 0;
  // The list and its buttons.
  list_->setEnabled(!open);
  new_->setText(mode_ == Mode::Adding ? "Apply" : "New");
  edit_->setText(mode_ == Mode::Editing ? "Apply" : "Edit");
  new_->setEnabled(mode_ != Mode::Editing);
  edit_->setEnabled(mode_ == Mode::Editing || (!open && selected));
  for (QPushButton* b : {delete_, enableButton_, disableButton_}) b->setEnabled(!open && selected);

  // The detail fields: closed unless a spooler is being added or edited.
  const bool enabled = enable_->isChecked();
  const bool lookup = useDatabase_->isChecked();
  const bool archive = archivePdf_->isChecked();
  enable_->setEnabled(open);
  setupName_->setEnabled(mode_ == Mode::Adding);
  inputSpool_->setEnabled(open);
  currentUser_->setEnabled(open);
  userName_->setEnabled(open && !currentUser_->isChecked());
  password_->setEnabled(open && !currentUser_->isChecked());
  priorityGroup_->setEnabled(open && enabled);
  useDatabase_->setEnabled(open);
  // The naming convention is kept apart from the fields: it may be looked at and
  // changed for any spooler shown.
  naming_->setEnabled(mode_ != Mode::Idle && lookup);
  trim_->setEnabled(open && lookup);
  scale_->setEnabled(open && lookup);
  runCommand_->setEnabled(open);
  command_->setEnabled(open && runCommand_->isChecked());
  archivePdf_->setEnabled(open && enabled);
  // An archive box that cannot be changed leaves its own fields closed too.
  const bool archiveOpen = open && enabled && archive;
  pdfArchive_->setEnabled(archiveOpen);
  maxAge_->setEnabled(archiveOpen);
  perPublication_->setEnabled(archiveOpen);
  for (size_t r = 0; r < outputs_.size(); ++r) {
    const bool rip = edited_.Rips[r].UseRIP != 0;
    RipOutput& o = outputs_[r];
    o.spool->setEnabled(open && rip);
    o.mono->setEnabled(open && rip && lookup);
    // Monochrome pages are known only from the database, so the mono folder needs the
    // lookup as well as its own box.
    o.monoFolder->setEnabled(open && rip && lookup && o.mono->isChecked());
  }
}

void CConfigSpoolers::OnNew() {
  if (mode_ == Mode::Adding) {
    ApplyNew();
    return;
  }
  if (Count() >= core::kMaxSpoolers) {
    ShowWarning(this, QString("At most %1 input setups can be defined.\n"
                              "Delete one before adding a new one.")
                          .arg(core::kMaxSpoolers));
    return;
  }
  pending_ = ClearedSpooler(Count() + 1);
  mode_ = Mode::Adding;
  list_->selectionModel()->clearSelection();
  ShowFields(pending_);
  UpdateEnabling();
  enable_->setFocus();
}

void CConfigSpoolers::OnEdit() {
  if (mode_ == Mode::Editing) {
    ApplyEdit();
    return;
  }
  const int row = SelectedRow();
  if (row < 0) return;
  shown_ = row;
  ShowFields(edited_.Spoolers[static_cast<size_t>(row)]);
  mode_ = Mode::Editing;
  UpdateEnabling();
  enable_->setFocus();
}

bool CConfigSpoolers::ApplyNew() {
  if (Count() >= core::kMaxSpoolers) {
    ShowWarning(this, QString("At most %1 input setups can be defined.\n"
                              "Delete one before adding a new one.")
                          .arg(core::kMaxSpoolers));
    return false;
  }
  const QString name = Typed(*setupName_);
  bool nameTaken = name.isEmpty();
  for (int m = 0; m < Count() && !nameTaken; ++m) {
    nameTaken = SameText(edited_.Spoolers[static_cast<size_t>(m)].SetupName, name);
  }
  if (nameTaken) {
    RefuseField(this, *setupName_, "Setup name already exist or empty");
    return false;
  }
  const QString folder = Typed(inputSpool_->Edit());
  bool folderTaken = folder.isEmpty();
  for (int m = 0; m < Count() && !folderTaken; ++m) {
    folderTaken = SameText(edited_.Spoolers[static_cast<size_t>(m)].InputSpool, folder);
  }
  if (folderTaken) {
    RefuseField(this, inputSpool_->Edit(), "Input spool folder already used or empty!");
    return false;
  }
  core::Spooler added = pending_;
  added.SetupName = FromQt(name);
  ReadFields(added);
  const int at = Count();
  edited_.Spoolers[static_cast<size_t>(at)] = std::move(added);
  edited_.NumberOfSpoolers = at + 1;
  mode_ = Mode::Shown;
  shown_ = at;
  RebuildList(at);
  OnSelectionChanged();
  return true;
}

bool CConfigSpoolers::ApplyEdit() {
  const QString folder = Typed(inputSpool_->Edit());
  if (folder.isEmpty()) {
    RefuseField(this, inputSpool_->Edit(), "Input spool folder already used or empty!");
    return false;
  }
  for (int m = 0; m < Count(); ++m) {
    if (m != shown_ && SameText(edited_.Spoolers[static_cast<size_t>(m)].InputSpool, folder)) {
      RefuseField(this, inputSpool_->Edit(), "Input spool folder already used!");
      return false;
    }
  }
  ReadFields(edited_.Spoolers[static_cast<size_t>(shown_)]);
  mode_ = Mode::Shown;
  RebuildList(shown_);
  OnSelectionChanged();
  return true;
}

bool CConfigSpoolers::ApplyOpenFields() {
  if (mode_ == Mode::Adding) return ApplyNew();
  if (mode_ == Mode::Editing) return ApplyEdit();
  return true;
}

void CConfigSpoolers::OnDelete() {
  const int row = SelectedRow();
  if (row < 0 || mode_ == Mode::Adding || mode_ == Mode::Editing) return;
  auto& all = edited_.Spoolers;
  all.erase(all.begin() + row);
  all.push_back(core::DefaultSpooler(core::kMaxSpoolers));
  edited_.NumberOfSpoolers = Count() - 1;
  mode_ = Mode::Idle;
  shown_ = -1;
  RebuildList(-1);
  OnSelectionChanged();
}

void CConfigSpoolers::OnEnable(bool enable) {
  const int row = SelectedRow();
  if (row < 0 || mode_ == Mode::Adding || mode_ == Mode::Editing) return;
  edited_.Spoolers[static_cast<size_t>(row)].Enable = enable ? 1 : 0;
  RebuildList(row);
  OnSelectionChanged();
}

void CConfigSpoolers::OnNamingConvention() {
  // The spooler the fields belong to: the one being added, else the one selected (or
  // shown), else the first.
  core::Spooler* target = nullptr;
  if (mode_ == Mode::Adding) {
    target = &pending_;
  } else {
    int row = SelectedRow();
    if (row < 0) row = shown_;
    if (row < 0 && Count() > 0) row = 0;
    if (row < 0) return;
    target = &edited_.Spoolers[static_cast<size_t>(row)];
  }
  CConfigNaming naming(pictures_, *target, this);
  if (naming.exec() == QDialog::Accepted) *target = naming.Edited();
}

void CConfigSpoolers::Finish() {
  for (int m = 0; m < Count(); ++m) {
    core::Spooler& s = edited_.Spoolers[static_cast<size_t>(m)];
    for (size_t r = 0; r < s.RipSpool.size(); ++r) {
      if (s.MonoFolder[r] == 0) s.RipSpoolMono[r] = s.RipSpool[r];
    }
  }
  QDialog::accept();
}

void CConfigSpoolers::accept() {
  if (mode_ == Mode::Adding || mode_ == Mode::Editing) {
    const auto answer = Ask(this, "Apply changes?", QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::NoButton) return;  // closed unanswered: stay
    if (answer == QMessageBox::Yes && !ApplyOpenFields()) return;
  }
  Finish();
}

void CConfigSpoolers::CancelByOperator() {
  if (mode_ == Mode::Adding || mode_ == Mode::Editing) {
    // Yes keeps what the operator did: the open fields applied and the whole dialog
    // taken as with OK. No drops everything; Cancel goes back to the dialog.
    const auto answer = Ask(this, "Unapplied data pending!\nDo you want to save this?",
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Yes) {
      if (ApplyOpenFields()) Finish();
      return;
    }
    if (answer != QMessageBox::No) return;
  }
  reject();
}

void CConfigSpoolers::closeEvent(QCloseEvent* event) {
  if (event->spontaneous() && isVisible()) {
    CancelByOperator();
    if (isVisible()) {
      event->ignore();
      return;
    }
  }
  QDialog::closeEvent(event);
}

void CConfigSpoolers::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    CancelByOperator();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace vellora::ui
