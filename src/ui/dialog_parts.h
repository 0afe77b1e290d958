// The pieces the setup dialogs are built from: the header picture along a dialog's
// top, OK and Cancel with their small pictures, a folder field with its browse button
// and folder picker, fields that hold a whole number, the message boxes, and the busy
// state of a button whose command runs on the engine.
#pragma once

#include <optional>
#include <string>

#include <QMessageBox>
#include <QString>
#include <QWidget>

class QBoxLayout;
class QVBoxLayout;
class QDialog;
class QLineEdit;
class QPushButton;
class QToolButton;

class QCheckBox;

namespace vellora::ui {

class Pictures;

// The band along the top of every setup dialog: the program's picture on a blue
// ground, with the dialog's title beside it.
class DialogHeader : public QWidget {
 public:
  DialogHeader(const Pictures& pictures, const QString& title, QWidget* parent = nullptr);
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const Pictures& pictures_;
  QString title_;
};

// Gives the dialog its caption and its header picture (titled headerTitle, or the
// caption when that is empty) and returns the layout below the header, with the
// usual margins, for the dialog's own controls.
QVBoxLayout* FrameDialog(QDialog& dialog, const Pictures& pictures, const QString& caption,
                         const QString& headerTitle = {});

// OK (the default button, accept()) and Cancel (reject()) with their pictures, right
// aligned in a row added to the layout; named "OK" and "Cancel".
void AddOkCancel(QBoxLayout& layout, QDialog& dialog, const Pictures& pictures);

// A folder text with its browse button beside it. The button opens a folder picker
// with the title given, starting at the folder the text names when it is not empty;
// a folder chosen there replaces the text. Disabling the field disables both.
class FolderField : public QWidget {
 public:
  // The text field is named name, the button name + "Browse".
  FolderField(const Pictures& pictures, const QString& pickerTitle, const QString& name,
              QWidget* parent = nullptr);
  QLineEdit& Edit() { return *edit_; }
  QToolButton& Button() { return *button_; }
  QString text() const;
  void setText(const QString& text);
  const QString& PickerTitle() const { return title_; }

 private:
  void Browse();

  QString title_;
  QLineEdit* edit_;
  QToolButton* button_;
};

// The dialogs' plain fields, named (objectName) for the tests: a check box ticked
// when value is not 0, a line edit with the setting's text, one with a number.
QCheckBox* Check(const QString& text, const QString& name, int value, QWidget* parent);
QLineEdit* Edit(const std::string& value, const QString& name, QWidget* parent);
QLineEdit* NumberEdit(int value, const QString& name, int width, QWidget* parent);
// A named push button that Enter does not press (the dialog's default button is OK);
// minimumWidth 0 leaves the width to the text.
QPushButton* Button(const QString& text, const QString& name, int minimumWidth, QWidget* parent);

// A field's whole number: optional blanks, an optional minus sign when negative
// values are allowed, digits, and a value that fits an int; nothing else.
std::optional<int> WholeNumber(const QString& text, bool negativeAllowed);

// Reads the whole number in the field into out when it lies from low to high (INT_MIN
// and INT_MAX: no bound). Otherwise refuses the field (RefuseField) with a message that
// names the field by its label and says the range, and returns false.
bool TakeNumber(QWidget* dialog, QLineEdit& field, const QString& label, int low, int high,
                int& out);

// The modal message boxes of the dialogs, under the program's name. Each returns when
// the operator has answered.
void ShowInformation(QWidget* parent, const QString& text);
void ShowWarning(QWidget* parent, const QString& text, const QString& details = {});
void ShowError(QWidget* parent, const QString& text);
// A question with the buttons given; returns the button the operator clicked, or
// QMessageBox::NoButton when the box was closed unanswered (the program ending).
QMessageBox::StandardButton Ask(QWidget* parent, const QString& text,
                                QMessageBox::StandardButtons buttons);

// A refused field: the message (a warning), then the field gets the focus with its
// text selected, so the operator can correct it at once.
void RefuseField(QWidget* parent, QLineEdit& field, const QString& message);

// While a command given to the engine runs: the busy cursor over the application.
// The dialog keeps the command's button disabled while Running(). Ends at End() or
// with the object, whichever comes first.
class BusyCommand {
 public:
  BusyCommand() = default;
  ~BusyCommand() { End(); }
  BusyCommand(const BusyCommand&) = delete;
  BusyCommand& operator=(const BusyCommand&) = delete;

  void Begin();
  void End();
  bool Running() const { return running_; }

 private:
  bool running_ = false;
};

}  // namespace vellora::ui
