// CConfigNaming, "Set naming convention": one spooler's naming convention, date
// format, separators and default ids, what happens to files the production database
// does not know, the four renaming expressions and the page-format template, with the
// help texts an operator needs to write a naming convention. Opened from "Setup RIP
// spoolers" on a copy of the spooler; OK leaves the accepted copy in Edited().
#pragma once

#include <array>

#include <QDialog>

#include "core/settings.h"

class QCheckBox;
class QLineEdit;

namespace vellora::ui {

class Pictures;

class CConfigNaming : public QDialog {
  Q_OBJECT

 public:
  CConfigNaming(const Pictures& pictures, const core::Spooler& spooler, QWidget* parent = nullptr);

  const core::Spooler& Edited() const { return edited_; }

  void accept() override;

 private:
  QWidget* BuildConvention();
  QWidget* BuildDefaults();
  QWidget* BuildRenaming();
  QWidget* BuildTemplate();
  void UpdateEnabling();

  core::Spooler edited_;
  QLineEdit* nameConv_ = nullptr;
  QLineEdit* dateFormat_ = nullptr;
  QLineEdit* separators_ = nullptr;
  QLineEdit* publication_ = nullptr;
  QLineEdit* section_ = nullptr;
  QLineEdit* edition_ = nullptr;
  QLineEdit* issue_ = nullptr;
  QLineEdit* location_ = nullptr;
  QCheckBox* deleteUnknown_ = nullptr;
  QCheckBox* holdUnknown_ = nullptr;
  QCheckBox* useRegex_ = nullptr;
  std::array<QLineEdit*, 4> match_{};
  std::array<QLineEdit*, 4> format_{};
  QCheckBox* databaseTemplate_ = nullptr;
  QLineEdit* defaultPageFormat_ = nullptr;
};

}  // namespace vellora::ui
