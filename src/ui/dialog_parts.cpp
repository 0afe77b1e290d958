// The setup dialogs' common pieces.
#include "ui/dialog_parts.h"

#include <QCheckBox>

#include <climits>

#include <QApplication>
#include <QBoxLayout>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/paths.h"
#include "ui/pictures.h"
#include "ui/text.h"

namespace vellora::ui {
namespace {

constexpr int kHeaderHeight = 56;
constexpr int kHeaderPicture = 40;

}  // namespace

DialogHeader::DialogHeader(const Pictures& pictures, const QString& title, QWidget* parent)
    : QWidget(parent), pictures_(pictures), title_(title) {
  setObjectName("DialogHeader");
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize DialogHeader::sizeHint() const {
  return {kHeaderHeight + 200, kHeaderHeight};
}

void DialogHeader::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QLinearGradient ground(0, 0, width(), 0);
  ground.setColorAt(0, QColor(0x16, 0x30, 0x4f));
  ground.setColorAt(0.55, QColor(0x2f, 0x5d, 0x8f));
  ground.setColorAt(1, QColor(0x9d, 0xb8, 0xd6));
  p.fillRect(rect(), ground);
  p.setPen(QColor(0x0d, 0x1f, 0x33));
  p.drawLine(0, height() - 1, width(), height() - 1);
  const int margin = (kHeaderHeight - kHeaderPicture) / 2;
  pictures_.Paint(p, QRectF(margin + 4, margin, kHeaderPicture, kHeaderPicture), Picture::Program);
  QFont f = font();
  f.setPointSizeF(f.pointSizeF() * 1.35);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  const int x = margin + 4 + kHeaderPicture + 14;
  p.drawText(QRect(x, 0, width() - x - 8, height()), Qt::AlignVCenter | Qt::AlignLeft, title_);
}

QVBoxLayout* FrameDialog(QDialog& dialog, const Pictures& pictures, const QString& caption,
                         const QString& headerTitle) {
  dialog.setWindowTitle(caption);
  auto* outer = new QVBoxLayout(&dialog);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  outer->addWidget(
      new DialogHeader(pictures, headerTitle.isEmpty() ? caption : headerTitle, &dialog));
  auto* body = new QVBoxLayout;
  body->setContentsMargins(12, 10, 12, 12);
  body->setSpacing(8);
  outer->addLayout(body, 1);
  return body;
}

void AddOkCancel(QBoxLayout& layout, QDialog& dialog, const Pictures& pictures) {
  auto* ok = new QPushButton(pictures.Icon(Picture::Ok), "OK", &dialog);
  ok->setObjectName("OK");
  ok->setDefault(true);
  auto* cancel = new QPushButton(pictures.Icon(Picture::Cancel), "Cancel", &dialog);
  cancel->setObjectName("Cancel");
  cancel->setAutoDefault(false);
  for (QPushButton* b : {ok, cancel}) b->setMinimumWidth(90);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(ok);
  row->addWidget(cancel);
  layout.addLayout(row);
}

FolderField::FolderField(const Pictures& pictures, const QString& pickerTitle, const QString& name,
                         QWidget* parent)
    : QWidget(parent), title_(pickerTitle) {
  edit_ = new QLineEdit(this);
  edit_->setObjectName(name);
  button_ = new QToolButton(this);
  button_->setObjectName(name + "Browse");
  button_->setIcon(pictures.Icon(Picture::Browse));
  button_->setToolTip(pickerTitle);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(3);
  row->addWidget(edit_, 1);
  row->addWidget(button_);
  connect(button_, &QToolButton::clicked, this, [this] { Browse(); });
}

QString FolderField::text() const {
  return edit_->text();
}

void FolderField::setText(const QString& text) {
  edit_->setText(text);
  edit_->setCursorPosition(0);
}

void FolderField::Browse() {
  QFileDialog picker(window(), title_);
  picker.setObjectName("FolderPicker");
  picker.setFileMode(QFileDialog::Directory);
  picker.setOption(QFileDialog::ShowDirsOnly, true);
  picker.setAcceptMode(QFileDialog::AcceptOpen);
  // The field holds the folder as the settings keep it (maybe a Windows path); the
  // picker needs it as this machine names it.
  const QString current = edit_->text().trimmed();
  if (!current.isEmpty()) {
    picker.setDirectory(ToQt(platform::ToOsPath(FromQt(current))));
  }
  if (picker.exec() != QDialog::Accepted) return;
  const QStringList chosen = picker.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return;
  setText(QDir::toNativeSeparators(chosen.front()));
  edit_->setFocus();
}

QCheckBox* Check(const QString& text, const QString& name, int value, QWidget* parent) {
  auto* c = new QCheckBox(text, parent);
  c->setObjectName(name);
  c->setChecked(value != 0);
  return c;
}

QLineEdit* Edit(const std::string& value, const QString& name, QWidget* parent) {
  auto* e = new QLineEdit(ToQt(value), parent);
  e->setObjectName(name);
  return e;
}

QPushButton* Button(const QString& text, const QString& name, int minimumWidth, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  if (minimumWidth > 0) b->setMinimumWidth(minimumWidth);
  return b;
}

QLineEdit* NumberEdit(int value, const QString& name, int width, QWidget* parent) {
  auto* e = new QLineEdit(QString::number(value), parent);
  e->setObjectName(name);
  e->setFixedWidth(width);
  return e;
}

std::optional<int> WholeNumber(const QString& text, bool negativeAllowed) {
  const QString t = text.trimmed();
  qsizetype i = 0;
  bool negative = false;
  if (negativeAllowed && i < t.size() && t[i] == '-') {
    negative = true;
    ++i;
  }
  if (i == t.size()) return std::nullopt;
  long long value = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return std::nullopt;
    value = value * 10 + (t[i].unicode() - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) return std::nullopt;
  return static_cast<int>(value);
}

namespace {

int Show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
         QMessageBox::StandardButtons buttons, const QString& details = {}) {
  QMessageBox box(icon, "Vellora", text, buttons, parent);
  box.setObjectName("DialogMessage");
  if (!details.isEmpty()) box.setDetailedText(details);
  return box.exec();
}

}  // namespace

void ShowInformation(QWidget* parent, const QString& text) {
  Show(parent, QMessageBox::Information, text, QMessageBox::Ok);
}

void ShowWarning(QWidget* parent, const QString& text, const QString& details) {
  Show(parent, QMessageBox::Warning, text, QMessageBox::Ok, details);
}

void ShowError(QWidget* parent, const QString& text) {
  Show(parent, QMessageBox::Critical, text, QMessageBox::Ok);
}

QMessageBox::StandardButton Ask(QWidget* parent, const QString& text,
                                QMessageBox::StandardButtons buttons) {
  QMessageBox box(QMessageBox::Question, "Vellora", text, buttons, parent);
  box.setObjectName("DialogQuestion");
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  return clicked != nullptr ? box.standardButton(clicked) : QMessageBox::NoButton;
}

void RefuseField(QWidget* parent, QLineEdit& field, const QString& message) {
  ShowWarning(parent, message);
  field.setFocus();
  field.selectAll();
}

bool TakeNumber(QWidget* dialog, QLineEdit& field, const QString& label, int low, int high,
                int& out) {
  std::optional<int> value = WholeNumber(field.text(), low < 0);
  if (value && *value >= low && *value <= high) {
    out = *value;
    return true;
  }
  QString message;
  if (low == INT_MIN && high == INT_MAX) {
    message = QString("Please enter a whole number for \"%1\".").arg(label);
  } else if (high == INT_MAX) {
    message = QString("Please enter a whole number of %1 or more for \"%2\".").arg(low).arg(label);
  } else {
    message = QString("Please enter a whole number from %1 to %2 for \"%3\".")
                  .arg(low)
                  .arg(high)
                  .arg(label);
  }
  RefuseField(dialog, field, message);
  return false;
}

void BusyCommand::Begin() {
  if (running_) return;
  running_ = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void BusyCommand::End() {
  if (!running_) return;
  running_ = false;
  QApplication::restoreOverrideCursor();
}

}  // namespace vellora::ui
