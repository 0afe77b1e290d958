// vellora-headless: the engine without a window, for servers, the demo and the
// end-to-end tests. Display changes are printed as status lines.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "apps/console_display.h"
#include "apps/fit_pdf_tool.h"
#include "apps/lookup_tool.h"
#include "apps/parse_name_tool.h"
#include "apps/send_test_mail_tool.h"
#include "apps/test_database_tool.h"
#include "core/settings_io.h"
#include "core/worker_threads.h"
#include "engine/engine.h"
#include "engine/production_ports.h"
#include "intake/pdf_fit_rewriter.h"
#include "platform/paths.h"
#include "platform/system.h"

namespace {

const char kUsage[] =
    "usage: vellora-headless [--dir FOLDER] [--exit-after SECONDS]\n"
    "       vellora-headless [--dir FOLDER] --print-settings\n"
    "       vellora-headless [--dir FOLDER] --save-settings\n"
    "       vellora-headless [--dir FOLDER] --parse-name NAME [--spooler N] [--now YYYY-MM-DD]\n"
    "       vellora-headless [--dir FOLDER] --lookup NAME [--spooler N] [--now YYYY-MM-DD]\n"
    "       vellora-headless [--dir FOLDER] --fit-pdf scale|trim FILE WIDTH_MM HEIGHT_MM\n"
    "       vellora-headless [--dir FOLDER] --send-test-mail\n"
    "       vellora-headless [--dir FOLDER] --test-database [--backup]\n"
    "\n"
    "Runs the job balancer in FOLDER (default: the current folder), where Vellora.ini,\n"
    "the logs and the log-file pointers lie, until SIGINT or SIGTERM.\n"
    "  --print-settings  print the effective settings (defaults included) and exit\n"
    "  --save-settings   load Vellora.ini and save it again, every key written out\n"
    "  --exit-after N    end by itself after N seconds\n"
    "  --parse-name NAME rename and cut NAME with spooler N's settings (default 1), as the\n"
    "                    lookup of a job does, and print every field; --now fixes today's\n"
    "                    date. Exit status 1 when the date is illegal\n"
    "  --lookup NAME     look NAME up in the production plan as the scanner does (name lists\n"
    "                    loaded first), writing nothing to the database; prints Status=,\n"
    "                    Class=, SeparationSet=, PublicationID=, ArchiveKey=, Priority= and,\n"
    "                    for a page found, its PageFormat=, PageWidth=, PageHeight=,\n"
    "                    PageBleed=. Exit status 0 found, 1 unknown, 2 no database\n"
    "  --fit-pdf ...     rewrite the one-page PDF FILE in place as the scanner does, scaled\n"
    "                    to fit or trimmed around its middle to the size in mm, the\n"
    "                    temporary file in FOLDER. Exit status 1 when that fails\n"
    "  --send-test-mail  send the e-mail setup's test mail with the mail settings of\n"
    "                    Vellora.ini. Exit status 0 sent, 1 failed, 2 settings missing\n"
    "  --test-database   connect to the production database (DSN, DSNuser, DSNpw; with\n"
    "                    --backup DSN2, DSNuser2, DSNpw2) and print \"Connection OK\" or the\n"
    "                    error. Exit status 1 when the connection fails\n";

struct Options {
  std::string dir;
  bool printSettings = false;
  bool saveSettings = false;
  long exitAfterSeconds = -1;
  bool parseName = false;
  bool lookup = false;
  bool sendTestMail = false;
  bool spoolerGiven = false;
  bool nowGiven = false;
  vellora::apps::ParseNameOptions parse;
  std::vector<std::string> fitPdf;  // method, file, width, height
  bool testDatabase = false;
  bool backup = false;
};

bool ParseArgs(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--dir") {
      if (!value(o.dir)) return false;
    } else if (a == "--print-settings") {
      o.printSettings = true;
    } else if (a == "--save-settings") {
      o.saveSettings = true;
    } else if (a == "--exit-after") {
      if (!value(v)) return false;
      char* end = nullptr;
      o.exitAfterSeconds = std::strtol(v.c_str(), &end, 10);
      if (*end != '\0' || o.exitAfterSeconds < 0) return false;
    } else if (a == "--parse-name") {
      if (!value(o.parse.name)) return false;
      o.parseName = true;
    } else if (a == "--lookup") {
      if (!value(o.parse.name)) return false;
      o.lookup = true;
    } else if (a == "--send-test-mail") {
      o.sendTestMail = true;
    } else if (a == "--spooler") {
      if (!value(v)) return false;
      char* end = nullptr;
      long n = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0') return false;
      // Out of range: RunParseName says which numbers are spoolers.
      o.parse.spooler = n < 1 || n > 1000 ? 0 : static_cast<int>(n);
      o.spoolerGiven = true;
    } else if (a == "--fit-pdf") {
      if (i + 4 >= argc) return false;
      for (int k = 0; k < 4; ++k) o.fitPdf.push_back(argv[++i]);
    } else if (a == "--test-database") {
      o.testDatabase = true;
    } else if (a == "--backup") {
      o.backup = true;
    } else if (a == "--now") {
      if (!value(o.parse.now)) return false;
      o.nowGiven = true;
    } else {
      return false;
    }
  }
  // --spooler and --now only qualify --parse-name and --lookup, one of them.
  if (o.parseName && o.lookup) return false;
  if ((o.spoolerGiven || o.nowGiven) && !o.parseName && !o.lookup) return false;
  if (o.backup && !o.testDatabase) return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vellora;
  // First of all, so that a SIGTERM arriving during the start-up is taken as the
  // request to stop it is, not as the default end, and a lease break never ends us.
  platform::InitialiseProcess();
  platform::BlockTerminationSignals();
  Options opt;
  if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!ParseArgs(argc, argv, opt)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string folder = opt.dir.empty() ? platform::CurrentDirectory() : opt.dir;
  std::string ini = core::IniPathFor(folder);

  if (opt.parseName) return apps::RunParseName(folder, opt.parse, stdout, stderr);
  if (opt.lookup) {
    platform::SetPathRoots(core::ReadPlatformRoots(ini));
    return apps::RunLookup(folder, opt.parse, stdout, stderr);
  }
  if (!opt.fitPdf.empty()) return apps::RunFitPdf(folder, opt.fitPdf, stdout, stderr);
  if (opt.sendTestMail) return apps::RunSendTestMail(folder, stdout, stderr);
  if (opt.testDatabase) return apps::RunTestDatabase(folder, opt.backup, stdout, stderr);

  if (opt.printSettings || opt.saveSettings) {
    platform::SetPathRoots(core::ReadPlatformRoots(ini));
    std::vector<std::string> warnings;
    core::SettingsStore store = core::LoadSettings(ini, &warnings);
    for (const auto& w : warnings) std::fprintf(stderr, "%s", w.c_str());
    if (opt.saveSettings) {
      std::string error;
      if (!core::SaveSettings(ini, store, &error) ||
          !core::SaveWindowPosition(ini, store, &error)) {
        std::fprintf(stderr, "ERROR: %s\n", error.c_str());
        return 1;
      }
    }
    if (opt.printSettings) std::fputs(core::FormatEffectiveSettings(store).c_str(), stdout);
    return 0;
  }

  // Paths written as on Windows are found under the roots of section Platform, for
  // the whole run.
  platform::SetPathRoots(core::ReadPlatformRoots(ini));
  platform::Pacer pacer(platform::Pacer::ScaleFromEnvironment());
  apps::ConsoleDisplay display(stdout);
  core::SharedState shared;
  intake::PdfFitRewriter pdf({folder, shared.logs, pacer});
  // The engine is declared last, so it ends before everything it uses.
  engine::ProductionPorts production(shared, pacer);
  engine::Engine engine({production.database, pdf, production.rip, display, pacer, shared, folder,
                         &production.mail, &production.control});
  engine.Start();
  std::printf("vellora-headless: running in %s (Ctrl-C ends)\n",
              platform::ToOsPath(folder).c_str());
  std::fflush(stdout);
  int sig = platform::WaitForTerminationSignal(
      opt.exitAfterSeconds < 0 ? -1 : opt.exitAfterSeconds * 1000);
  std::printf("vellora-headless: %s, stopping\n", sig != 0 ? "signal received" : "time is up");
  std::fflush(stdout);
  engine.RequestStop();
  display.WaitUntilEngineStopped();
  std::printf("vellora-headless: stopped\n");
  return 0;
}
