// Giving the dialogs' engine commands and routing their results.
#include "ui/dialog_commands.h"

#include <utility>

#include "engine/engine.h"
#include "ui/window_display.h"

namespace vellora::ui {
namespace {

// Hands the oldest request its result; the request leaves the queue either way. The
// call is queued, so that a message box the dialog opens never runs inside the
// display's delivery of the engine's calls, and skipped when the dialog has closed
// by then. A report with no request waiting (one given before this object existed)
// answers nobody.
template <class Queue, class... Args>
void Answer(QObject* context, Queue& queue, Args... args) {
  if (queue.empty()) return;
  auto waiting = std::move(queue.front());
  queue.pop_front();
  if (waiting.owner.isNull()) return;
  QMetaObject::invokeMethod(
      context,
      [owner = waiting.owner, done = std::move(waiting.done), args...] {
        if (!owner.isNull() && done) done(args...);
      },
      Qt::QueuedConnection);
}

}  // namespace

DialogCommands::DialogCommands(engine::Engine& engine, WindowDisplay& results, QObject* parent)
    : QObject(parent), engine_(engine) {
  connect(&results, &WindowDisplay::databaseTested, this,
          [this](bool ok, const QString& text) { Answer(this, tests_, ok, text); });
  connect(&results, &WindowDisplay::serverSwitched, this,
          [this](bool connected, const QString& serverText, const QString& message) {
            Answer(this, switches_, connected, serverText, message);
          });
  connect(&results, &WindowDisplay::testMailSent, this,
          [this](bool ok, const QString& error) { Answer(this, mails_, ok, error); });
}

void DialogCommands::TestDatabase(QObject* owner, std::string dsn, std::string user,
                                  std::string password, Tested done) {
  tests_.push_back({owner, std::move(done)});
  engine_.TestDatabase(std::move(dsn), std::move(user), std::move(password));
}

void DialogCommands::SwitchServer(QObject* owner, bool backup, Switched done) {
  switches_.push_back({owner, std::move(done)});
  engine_.SwitchServer(backup);
}

void DialogCommands::SendTestMail(QObject* owner, std::string server, std::string from,
                                  std::string to, std::string cc, std::string subject,
                                  MailSent done) {
  mails_.push_back({owner, std::move(done)});
  engine_.SendTestMail(std::move(server), std::move(from), std::move(to), std::move(cc),
                       std::move(subject));
}

}  // namespace vellora::ui
