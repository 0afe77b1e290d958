// vellora: the operator program, the engine under its main window. Takes --dir like
// vellora-headless (the program folder with Vellora.ini, the logs and the log-file
// pointers) and Qt's own options (-platform, ...). Ends when the window is closed
// (File -> Exit, the close box, SIGINT or SIGTERM) and the engine has stopped.
#include <cstdio>
#include <cstring>
#include <string>

#include <QApplication>

#include "core/settings_io.h"
#include "core/worker_threads.h"
#include "engine/engine.h"
#include "engine/production_ports.h"
#include "intake/pdf_fit_rewriter.h"
#include "platform/paths.h"
#include "platform/system.h"
#include "ui/main_window.h"
#include "ui/qt_display.h"
#include "ui/setup_dialogs.h"
#include "ui/termination_notifier.h"
#include "ui/window_display.h"

namespace {

const char kUsage[] =
    "usage: vellora [--dir FOLDER] [Qt options such as -platform offscreen]\n"
    "\n"
    "Runs the job balancer with its window in FOLDER (default: the current folder),\n"
    "where Vellora.ini, the logs and the log-file pointers lie. Closing the window,\n"
    "SIGINT or SIGTERM ends it.\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace vellora;
  // First of all, so that every thread (Qt's and the engine's) inherits the block and
  // a SIGTERM during the start-up closes the window instead of killing the process.
  platform::InitialiseProcess();
  platform::BlockTerminationSignals();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  QApplication app(argc, argv);  // takes Qt's own options out of argv
  QApplication::setApplicationName("Vellora");
  QApplication::setQuitOnLastWindowClosed(false);

  std::string dir;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
      dir = argv[++i];
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  const std::string folder = dir.empty() ? platform::CurrentDirectory() : dir;
  // Paths written as on Windows are found under the roots of section Platform.
  platform::SetPathRoots(core::ReadPlatformRoots(core::IniPathFor(folder)));

  platform::Pacer pacer(platform::Pacer::ScaleFromEnvironment());
  core::SharedState shared;
  intake::PdfFitRewriter pdf({folder, shared.logs, pacer});
  // The setup dialogs behind the menu; the results of their engine commands come
  // back through the window's display.
  ui::SetupDialogs dialogs;
  ui::MainWindow window(dialogs);
  auto* windowDisplay = new ui::WindowDisplay(window);
  dialogs.SetResults(*windowDisplay);
  ui::QtDisplay display(*windowDisplay);
  // The engine is declared last, so it ends before everything it uses.
  engine::ProductionPorts production(shared, pacer);
  engine::Engine engine({production.database, pdf, production.rip, display, pacer, shared, folder,
                         &production.mail, &production.control});
  window.SetEngine(&engine);

  ui::TerminationNotifier termination;
  QObject::connect(&termination, &ui::TerminationNotifier::terminationRequested, &window,
                   [&window](int) { window.CloseEverything(); });
  QObject::connect(&window, &ui::MainWindow::engineStopped, &app, &QApplication::quit);

  window.show();
  engine.Start();
  int status = app.exec();
  // Ended some other way than through the window (the session ending): stop here.
  engine.RequestStop();
  engine.WaitUntilStopped();
  return status;
}
