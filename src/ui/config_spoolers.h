// CConfigSpoolers, "Setup RIP spoolers" ("Setup input...."): the list "Input queues"
// of every spooler, the buttons that add, edit, delete, enable and disable them, and
// below the list the detail fields of one spooler, with "Naming Convention.." for its
// naming convention and renaming.
//
// The dialog works on a copy of the settings. A row clicked is shown in the detail
// fields, which stay closed; "New" and "Edit" open them and turn into "Apply", which
// checks and stores the fields into the copy. While the fields are open the list and
// the other list buttons wait. OK (after asking about fields still open) leaves the
// copy, with every spooler's mono folders settled, in Edited(); Cancel asks about
// fields still open and otherwise drops everything.
#pragma once

#include <array>

#include <QDialog>

#include "core/settings.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStandardItemModel;

namespace vellora::ui {

class FolderField;
class Pictures;
class ReportList;

class CConfigSpoolers : public QDialog {
  Q_OBJECT

 public:
  CConfigSpoolers(const Pictures& pictures, const core::SettingsStore& settings,
                  QWidget* parent = nullptr);

  // The settings with the dialog's spoolers, once it was closed with OK.
  const core::SettingsStore& Edited() const { return edited_; }

  // OK: asks "Apply changes?" while the fields are open.
  void accept() override;
  // The operator's Cancel (the button, Escape, the close box): asks "Unapplied data
  // pending!" while the fields are open. A plain reject() (the program ending) closes
  // without asking.
  void CancelByOperator();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  enum class Mode { Idle, Shown, Adding, Editing };

  struct RipOutput {
    FolderField* spool = nullptr;
    QCheckBox* mono = nullptr;
    FolderField* monoFolder = nullptr;
  };

  QWidget* BuildList();
  QWidget* BuildInputFields(const Pictures& pictures);
  QWidget* BuildOutputFields(const Pictures& pictures);

  int Count() const { return edited_.NumberOfSpoolers; }
  int SelectedRow() const;
  void RebuildList(int select);
  void OnSelectionChanged();
  void ShowFields(const core::Spooler& spooler);
  void ReadFields(core::Spooler& spooler) const;
  void UpdateEnabling();

  void OnNew();
  void OnEdit();
  void OnDelete();
  void OnEnable(bool enable);
  void OnNamingConvention();
  // The open addition or edit checked and stored; false (with the message shown and
  // the fields still open) when a check refuses it.
  bool ApplyOpenFields();
  bool ApplyNew();
  bool ApplyEdit();
  // OK's end: mono folders settled, the dialog closed.
  void Finish();

  core::SettingsStore edited_;
  Mode mode_ = Mode::Idle;
  int shown_ = -1;         // the spooler in the fields (Shown, Editing)
  core::Spooler pending_;  // the spooler being added (Adding)

  QStandardItemModel* model_ = nullptr;
  ReportList* list_ = nullptr;
  QPushButton* new_ = nullptr;
  QPushButton* edit_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* enableButton_ = nullptr;
  QPushButton* disableButton_ = nullptr;

  QCheckBox* enable_ = nullptr;
  QLineEdit* setupName_ = nullptr;
  FolderField* inputSpool_ = nullptr;
  QCheckBox* currentUser_ = nullptr;
  QLineEdit* userName_ = nullptr;
  QLineEdit* password_ = nullptr;
  QGroupBox* priorityGroup_ = nullptr;
  QButtonGroup* priority_ = nullptr;
  QCheckBox* useDatabase_ = nullptr;
  QPushButton* naming_ = nullptr;
  QCheckBox* runCommand_ = nullptr;
  QLineEdit* command_ = nullptr;
  QCheckBox* archivePdf_ = nullptr;
  FolderField* pdfArchive_ = nullptr;
  QSpinBox* maxAge_ = nullptr;
  QCheckBox* perPublication_ = nullptr;
  QCheckBox* trim_ = nullptr;
  QCheckBox* scale_ = nullptr;
  std::array<RipOutput, core::kRipCount> outputs_;

  const Pictures& pictures_;
};

}  // namespace vellora::ui
