// Job queries per second on the test database (tests/fixtures/test-db, on this
// machine's loopback): names turned into ids from the name cache, and with
// NoNameCache 1, where every name costs a query on the name manager. Also the name
// lookups from the cache alone, without the query.
//
//   scripts/test-db start /tmp/vdb && build/bench/bench_db_find_page /tmp/vdb
//
// (or with VELLORA_TEST_DB_DIR set). The program log is off, as by default.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "core/logs.h"
#include "db/database_mgr.h"
#include "platform/clock.h"

namespace {

using namespace vellora;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

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
                 "usage: bench_db_find_page DIR  (a test database started with scripts/test-db "
                 "start DIR)\n");
    return 2;
  }
  setenv("ODBCINI", (dir + "/odbc.ini").c_str(), 1);
  setenv("ODBCSYSINI", dir.c_str(), 1);
  const std::string password = ReadAll(dir + "/password");

  core::LogWriters logs;
  logs.Configure("/tmp", false, false);
  db::DatabaseMgr mainDb(logs);
  db::DatabaseMgr nameDb(logs);
  // The same without a statement time-out: what the bound costs (psqlODBC sets the
  // server's statement_timeout for it).
  db::DatabaseMgr unbounded(logs, db::DatabaseMgr::Timeouts{10, 0});
  std::string error;
  if (!mainDb.Connect("VelloraTest", "vellora", password, 1, error) ||
      !nameDb.Connect("VelloraTest", "vellora", password, 1, error) ||
      !unbounded.Connect("VelloraTest", "vellora", password, 1, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  db::NameLists lists;
  if (!mainDb.LoadNameCaches(lists, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }

  db::PageKey key;
  key.Publication = "ABC";
  key.Edition = "MAIN";
  key.Section = "A";
  key.PageName = "1";
  key.PubDate = platform::MakeLocalTime(2005, 1, 31, 0, 0, 0).value();

  auto run = [&](bool noNameCache, int count, db::DatabaseMgr& db) {
    int found = 0;
    auto t0 = Clock::now();
    for (int i = 0; i < count; ++i) {
      db::NameLookup names(lists.Get(), &nameDb, noNameCache);
      db::PageMatch match;
      if (db.FindPage(key, names, 2, match, error) == db::kPageColor &&
          match.SeparationSetId == 101)
        ++found;
    }
    double s = Seconds(t0, Clock::now());
    if (found != count)
      std::fprintf(stderr, "only %d of %d found: %s\n", found, count, error.c_str());
    return count / s;
  };
  run(false, 200, mainDb);  // warm the server's caches
  const int kCount = 3000;
  double cached = run(false, kCount, mainDb);
  double uncached = run(true, kCount, mainDb);
  double noTimeout = run(false, kCount, unbounded);

  auto t0 = Clock::now();
  int sum = 0;
  const int kLookups = 1000000;
  for (int i = 0; i < kLookups; ++i) {
    db::NameLookup names(lists.Get(), nullptr, false);
    sum += names.PublicationIdByName("XYZ") + names.EditionIdByName("LATE") +
           names.SectionIdByName("Sport & Leisure");
  }
  double lookups = kLookups / Seconds(t0, Clock::now());

  std::printf("FindPage, names from the cache:   %8.0f per second (%.3f ms each)\n", cached,
              1000 / cached);
  std::printf("FindPage, NoNameCache 1:          %8.0f per second (%.3f ms each)\n", uncached,
              1000 / uncached);
  std::printf("FindPage, cache, no time-out:      %8.0f per second (%.3f ms each)\n", noTimeout,
              1000 / noTimeout);
  std::printf("three name lookups from the cache: %8.0f per second (checksum %d)\n", lookups, sum);
  return 0;
}
