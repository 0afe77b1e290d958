// CConfigBackup, "Backup/Main server selection" ("Change to/from backup"): the server
// the program works against now, and the buttons that switch the production database
// to the backup or the main server at once. The switch runs on the engine; the
// dialog waits for its report with the busy cursor and the switch buttons disabled,
// then shows the new server and says so, or shows the database's error.
#pragma once

#include <QDialog>

#include "ui/dialog_parts.h"

class QLineEdit;
class QPushButton;

namespace vellora::ui {

class DialogCommands;
class Pictures;

class CConfigBackup : public QDialog {
  Q_OBJECT

 public:
  CConfigBackup(const Pictures& pictures, bool usingBackup, DialogCommands& commands,
                QWidget* parent = nullptr);

 private:
  void Switch(bool backup);
  void UpdateEnabling();

  DialogCommands& commands_;
  BusyCommand switching_;
  QLineEdit* current_ = nullptr;
  QPushButton* toBackup_ = nullptr;
  QPushButton* toMain_ = nullptr;
  QPushButton* close_ = nullptr;
};

}  // namespace vellora::ui
