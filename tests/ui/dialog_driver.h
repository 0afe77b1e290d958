// Driving the setup dialogs as an operator does, in the window's tests. Modal dialogs
// and message boxes run event loops of their own, so the test's steps are queued: a
// step waits (on a timer) until the widget it is for is the active modal one, then
// runs inside that widget's loop. Message boxes are answered by Boxes, which keeps
// what each one said.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace vellora::test {

// A child of the dialog by name, failing the test when it is missing.
template <class T>
T* Child(QWidget& parent, const QString& name) {
  T* w = parent.findChild<T*>(name);
  EXPECT_NE(w, nullptr) << "no " << name.toStdString();
  return w;
}

// Replaces the field's text as typing would.
inline void Type(QWidget& dialog, const QString& name, const QString& text) {
  if (auto* e = Child<QLineEdit>(dialog, name)) {
    EXPECT_TRUE(e->isEnabled()) << name.toStdString() << " is closed";
    e->selectAll();
    QTest::keyClicks(e, text);
    if (e->text() != text) e->setText(text);  // a validator kept some of it out
  }
}

inline void Click(QWidget& dialog, const QString& name) {
  if (auto* b = Child<QAbstractButton>(dialog, name)) {
    EXPECT_TRUE(b->isEnabled()) << name.toStdString() << " is disabled";
    b->click();
  }
}

inline void SetCheck(QWidget& dialog, const QString& name, bool on) {
  if (auto* c = Child<QCheckBox>(dialog, name)) {
    EXPECT_TRUE(c->isEnabled()) << name.toStdString() << " is disabled";
    if (c->isChecked() != on) c->click();
  }
}

inline bool Enabled(QWidget& dialog, const QString& name) {
  QWidget* w = Child<QWidget>(dialog, name);
  return w != nullptr && w->isEnabled();
}

// Runs a step inside the event loop of the next modal widget of type T, once it is
// open; Wait() runs the event loop until the step has run.
template <class T>
class WhenOpen {
 public:
  explicit WhenOpen(std::function<void(T&)> step) : step_(std::move(step)) {
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
      if (w == nullptr || !w->isVisible()) return;
      poll_.stop();
      step_(*w);
      ran_ = true;
    });
    poll_.start(10);
  }
  bool Ran() const { return ran_; }
  bool Wait(int timeoutMs = 20000) {
    return QTest::qWaitFor([this] { return ran_; }, timeoutMs);
  }

 private:
  QTimer poll_;
  std::function<void(T&)> step_;
  bool ran_ = false;
};

// Answers every message box that opens: with the buttons queued by Then(), in order,
// and with its default answer (OK, or the first button) once the queue is empty.
// Keeps the text and icon of each box.
class Boxes {
 public:
  struct Shown {
    std::string text;
    QMessageBox::Icon icon;
    std::string details;
  };

  Boxes() {
    QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
    poll_.start(10);
  }
  Boxes& Then(QMessageBox::StandardButton button) {
    answers_.push_back(button);
    return *this;
  }
  const std::vector<Shown>& shown() const { return shown_; }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const Shown& s : shown_) out.push_back(s.text);
    return out;
  }
  bool WaitFor(size_t count, int timeoutMs = 60000) {
    return QTest::qWaitFor([&] { return shown_.size() >= count; }, timeoutMs);
  }

 private:
  void Poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible() || box == last_.data()) return;
    last_ = box;
    shown_.push_back({box->text().toStdString(), box->icon(), box->detailedText().toStdString()});
    QAbstractButton* button = nullptr;
    if (!answers_.empty()) {
      button = box->button(answers_.front());
      answers_.pop_front();
    }
    if (button == nullptr) button = box->button(QMessageBox::Ok);
    if (button == nullptr && !box->buttons().isEmpty()) button = box->buttons().front();
    if (button != nullptr) button->click();
  }

  QTimer poll_;
  std::deque<QMessageBox::StandardButton> answers_;
  std::vector<Shown> shown_;
  // Guarded: the next box may well be built where the last one was.
  QPointer<QMessageBox> last_;
};

}  // namespace vellora::test
