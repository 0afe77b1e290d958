// The engine commands the setup dialogs give ("Test..", the server switch, "Send test
// mail") and the way their results find the dialog that asked. The engine runs each
// command off the GUI thread and reports through its Display; the window's display
// turns the reports into signals on the GUI thread, and this object hands each result
// to the request it answers.
//
// Results of one kind come back in the order the commands were given (the engine runs
// them one after the other), so each kind keeps a queue of the requests waiting. A
// request whose dialog has closed meanwhile still takes its result off the queue, and
// the result is dropped: a late answer never reaches a newer request.
#pragma once

#include <deque>
#include <functional>
#include <string>

#include <QObject>
#include <QPointer>
#include <QString>

namespace vellora::engine {
class Engine;
}

namespace vellora::ui {

class WindowDisplay;

class DialogCommands : public QObject {
  Q_OBJECT

 public:
  DialogCommands(engine::Engine& engine, WindowDisplay& results, QObject* parent = nullptr);

  using Tested = std::function<void(bool ok, const QString& text)>;
  using Switched =
      std::function<void(bool connected, const QString& serverText, const QString& message)>;
  using MailSent = std::function<void(bool ok, const QString& lastError)>;

  // Each gives the command to the engine and calls done on the GUI thread with its
  // result, unless owner is gone by then.
  void TestDatabase(QObject* owner, std::string dsn, std::string user, std::string password,
                    Tested done);
  void SwitchServer(QObject* owner, bool backup, Switched done);
  void SendTestMail(QObject* owner, std::string server, std::string from, std::string to,
                    std::string cc, std::string subject, MailSent done);

  engine::Engine& Engine() { return engine_; }

 private:
  template <class Done>
  struct Waiting {
    QPointer<QObject> owner;
    Done done;
  };

  engine::Engine& engine_;
  std::deque<Waiting<Tested>> tests_;
  std::deque<Waiting<Switched>> switches_;
  std::deque<Waiting<MailSent>> mails_;
};

}  // namespace vellora::ui
