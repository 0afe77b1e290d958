// bench_lookup_dispatch DBDIR [FILES] [ROUNDS]: deliveries per second with the pages
// identified in the production plan, beside the same deliveries without a database,
// in one run.
//
// DBDIR is a running test database (scripts/test-db start DBDIR). The bench adds a
// publication of its own with FILES planned pages (four separations each) and lets
// the scanner deliver FILES pages named after them, at time scale 0, into the
// page-format subfolder of two spool folders that a thread empties at once: each
// delivery looks its page up (five alias queries, the job query) and asks for its
// page format. The same files are then delivered with no database, the spool folders
// themselves emptied the same way. Rounds alternate between the two; medians are
// reported, with the ratio of the rates and what identification adds per page.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/display.h"
#include "core/runtime.h"
#include "engine/production_database.h"
#include "engine/unconnected.h"
#include "intake/input_scanner.h"
#include "platform/pacing.h"
#include "bench_support.h"

namespace {

using vellora::bench::Median;
using vellora::bench::Taker;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace vellora;

struct Site {
  std::string dsnPassword;
  std::string publication;
};

// Delivers every file of <root>/in; the rate in files per second.
double ScannerRun(const std::string& root, const Site& site, int files, bool identify) {
  core::NullDisplay display;
  platform::Pacer pacer{0};
  core::SharedState shared;
  core::Runtime rt(display, pacer, root, shared);
  intake::WaitingJobs waiting{display};
  intake::RipQueues queues{rt};
  engine::NoPdfRewriter pdf;
  engine::NoDatabase none;
  std::unique_ptr<engine::ProductionDatabase> plan;
  if (identify) plan = std::make_unique<engine::ProductionDatabase>(shared);

  fs::create_directories(root + "/in");
  std::vector<std::string> taken;
  for (int r = 1; r <= 2; ++r) {
    const std::string spool = root + "/spool" + std::to_string(r);
    fs::create_directories(spool + "/A43mmR");
    fs::create_directories(root + "/sw" + std::to_string(r));
    taken.push_back(spool);
    taken.push_back(spool + "/A43mmR");
  }
  fs::create_directories(root + "/taken");
  rt.settings.Update([&](core::SettingsStore& s) {
    s.DSN = identify ? "VelloraTest" : "";
    s.DSNuser = "vellora";
    s.DSNpw = site.dsnPassword;
    s.StableTime = 0;
    s.MaxOutstandingJobs = 100000;
    s.NumberOfSpoolers = 1;
    core::Spooler& sp = s.Spoolers[0];
    sp.Enable = 1;
    sp.InputSpool = root + "/in";
    sp.UseDatabase = identify ? 1 : 0;
    sp.NameConv = "%P-%D-%N.%X";
    sp.Separators = "-.";
    sp.DateFormat = "DDMMYY";
    sp.DefaultEdition = "MAIN";
    sp.DefaultSection = "A";
    sp.DatabaseTemplate = 1;
    for (int r = 0; r < 2; ++r) {
      sp.RipSpool[r] = root + "/spool" + std::to_string(r + 1);
      s.Rips[r].UseRIP = 1;
      s.Rips[r].RIPName = "Bench " + std::to_string(r + 1);
      s.Rips[r].RIPswPath = root + "/sw" + std::to_string(r + 1);
    }
  });
  for (int r = 0; r < 2; ++r) rt.rips[r].Tracking = 1;
  Taker taker(taken, root + "/taken");
  intake::ScannerDatabase& port = identify ? static_cast<intake::ScannerDatabase&>(*plan) : none;
  intake::InputScanner scanner(rt, waiting, queues, port, pdf);
  // The connection step (name lists, registrations) on an empty folder, before the
  // clock starts.
  scanner.RunPass();
  for (int k = 1; k <= files; ++k) {
    std::ofstream(root + "/in/" + site.publication + "-310105-" + std::to_string(k) + ".ps")
        << "%!PS-Adobe-3.0\n"
        << std::string(2000, 'x');
  }
  const auto t0 = Clock::now();
  for (;;) {
    bool any = false;
    for (auto& e : fs::directory_iterator(root + "/in")) any = any || e.is_regular_file();
    if (!any) break;
    scanner.RunPass();
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  if (identify && !plan->NamesLoaded()) std::fprintf(stderr, "the name lists did not load\n");
  return files / seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_lookup_dispatch DBDIR [FILES] [ROUNDS]\n");
    return 2;
  }
  const std::string dbDir = argv[1];
  const int files = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 99999) : 1000;
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
  setenv("ODBCINI", (dbDir + "/odbc.ini").c_str(), 1);
  setenv("ODBCSYSINI", dbDir.c_str(), 1);
  Site site;
  std::ifstream(dbDir + "/password") >> site.dsnPassword;
  site.publication = "BENCH" + std::to_string(getpid());

  // The bench's publication and its planned pages.
  {
    core::LogWriters logs;
    db::DatabaseMgr m(logs);
    std::string error;
    std::vector<std::vector<std::string>> rows;
    // Separation sets are id * 100000 + page: an id below 10000 keeps them in an integer.
    const std::string id = std::to_string(1000 + getpid() % 9000);
    if (!m.Connect("VelloraTest", "vellora", site.dsnPassword, 1, error) ||
        !m.RunStatement("INSERT INTO PublicationNames VALUES (" + id + ", '" + site.publication +
                            "', 1, 0, 0, 0, 0, 0)",
                        rows, error) ||
        !m.RunStatement("INSERT INTO PageTable SELECT " + id + " * 100000 + k, c, " + id +
                            ", '2005-01-31', 50, 1, 1, 1, 0, NULL, 1, 1, k::text, 5, 0 FROM "
                            "generate_series(1, " +
                            std::to_string(files) + ") k, generate_series(1, 4) c",
                        rows, error)) {
      std::fprintf(stderr, "bench_lookup_dispatch: %s\n", error.c_str());
      return 1;
    }
  }

  char templ[] = "/tmp/vellora-bench-XXXXXX";
  const std::string root = mkdtemp(templ);
  std::vector<double> with, without;
  for (int k = 0; k < rounds; ++k) {
    with.push_back(ScannerRun(root + "/db" + std::to_string(k), site, files, true));
    fs::remove_all(root + "/db" + std::to_string(k));
    without.push_back(ScannerRun(root + "/none" + std::to_string(k), site, files, false));
    fs::remove_all(root + "/none" + std::to_string(k));
  }
  fs::remove_all(root);
  const double a = Median(with), b = Median(without);
  std::printf(
      "deliveries at time scale 0, %d files, medians of %d paired rounds:\n"
      "  identified in the plan (lookup and page format per page): %.0f/s\n"
      "  without a database:                                       %.0f/s\n"
      "  ratio %.2f; identification adds %.3f ms per page\n",
      files, rounds, a, b, a / b, (1.0 / a - 1.0 / b) * 1000);
  return 0;
}
