// Finished jobs reported per second by one RIP monitor's reporting on the test
// database (tests/fixtures/test-db, on this machine's loopback): the row alone, then
// with the process log entry, with the lookup and the page's pre-poll entry, and with
// the page's status after the RIP as well. The mail is not connected; the program log
// (the lookup's trace) is off, as by default.
//
//   scripts/test-db start /tmp/vdb && build/bench/bench_rip_report /tmp/vdb
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/display.h"
#include "db/database_mgr.h"
#include "engine/production_rip_services.h"
#include "engine/unconnected.h"
#include "riptrack/job_report.h"

namespace {

using namespace vellora;
using Clock = std::chrono::steady_clock;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

int main(int argc, char** argv) {
  const char* env = std::getenv("VELLORA_TEST_DB_DIR");
  std::string dir = argc > 1 ? argv[1] : env != nullptr ? env : "";
  if (dir.empty() || !std::ifstream(dir + "/ready")) {
    std::fprintf(stderr,
                 "usage: bench_rip_report DIR  (a test database started with scripts/test-db "
                 "start DIR)\n");
    return 2;
  }
  setenv("ODBCINI", (dir + "/odbc.ini").c_str(), 1);
  setenv("ODBCSYSINI", dir.c_str(), 1);
  const std::string password = ReadAll(dir + "/password");

  core::SharedState shared;
  shared.logs.Configure("/tmp", false, false);
  shared.settings.Update([&](core::SettingsStore& s) {
    s.DSN = "VelloraTest";
    s.DSNuser = "vellora";
    s.DSNpw = password;
    s.NumberOfSpoolers = 1;
    core::Spooler& sp = s.Spoolers[0];
    sp.SetupName = "News";
    sp.NameConv = "%P-%D-%N.%X";
    sp.Separators = "-.";
    sp.DateFormat = "DDMMYY";
    sp.DefaultEdition = "MAIN";
    sp.DefaultSection = "A";
  });
  db::DatabaseMgr mainDb(shared.logs);
  db::NameLists names;
  std::string error;
  if (!mainDb.Connect("VelloraTest", "vellora", password, 1, error) ||
      !mainDb.LoadNameCaches(names, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const int processId = mainDb.RegisterProcess(10, "BenchRip", "BenchRip", 1, error);
  // Two pages of the bench's own: ABC of 31 January 2005, page 9041 in colour and
  // 9042 black only (added once; the database outlives runs).
  std::vector<std::vector<std::string>> rows;
  mainDb.RunStatement("SELECT count(*) FROM PageTable WHERE PageName='9041'", rows, error);
  if (rows.empty() || rows[0].empty() || rows[0][0] == "0") {
    mainDb.RunStatement(
        "INSERT INTO PageTable VALUES (9041, 1, 1, '2005-01-31', 50, 1, 1, 1, 0, NULL, 1, 1, "
        "'9041', 5, 0), (9041, 4, 1, '2005-01-31', 50, 1, 1, 1, 0, NULL, 1, 1, '9041', 5, 0), "
        "(9042, 5, 1, '2005-01-31', 50, 1, 1, 1, 0, NULL, 1, 1, '9042', 5, 0)",
        rows, error);
  }
  engine::NoOperatorMail mail;
  engine::ProductionRipServices services(shared, mainDb, mail,
                                         engine::ProductionRipLookup(shared, names, nullptr));
  auto connection = services.OpenRipConnection(core::RipIndex(0));
  connection->Connect("VelloraTest", "vellora", password);
  core::NullDisplay display;
  riptrack::RipJobLists lists(display);

  struct Case {
    const char* what;
    int log, lookup, status;
  };
  const Case cases[] = {{"row only", 0, 0, 0},
                        {"row + spAddLogEntry", 1, 0, 0},
                        {"+ lookup + spAddPrepollLogEntry", 1, 1, 0},
                        {"+ page status after the RIP", 1, 1, 1}};
  const int jobs = 400;
  for (const Case& c : cases) {
    shared.settings.Update([&](core::SettingsStore& s) {
      s.RipLogSuccess = c.log;
      s.Spoolers[0].UseDatabase = c.lookup;
      s.UpdateStatus = c.status;
      s.RipUpdateStatus = c.status;
    });
    auto settings = shared.settings.Get();
    riptrack::FinishedJob job;
    job.job.Setup = "NEWS";
    job.job.JobTime = "MON JAN 31 10:15:02 2005";
    job.ripNumber = core::RipNumber(1);
    job.processId = processId;
    job.live = true;
    const Clock::time_point start = Clock::now();
    for (int k = 0; k < jobs; ++k) {
      job.job.JobName = k % 2 == 0 ? "ABC-310105-9041.PS" : "ABC-310105-9042.PS";
      riptrack::ReportRipJob(job, *settings, lists, services, *connection);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%-34s %8.0f jobs/s  (%.3f ms a job)\n", c.what, jobs / seconds,
                seconds * 1000 / jobs);
  }
  return 0;
}
