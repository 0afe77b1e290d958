// One manager shared by several threads (the scanner, the window thread and the
// poller share the main one): operations never overlap on the connection, also when
// every operation opens a new one (keep-connection 0); the name lists are reloaded
// while other threads look pages up.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "db/db_fixture.h"
#include "platform/clock.h"

namespace vellora::test {
namespace {

class SharedManagerTest : public DbTest, public ::testing::WithParamInterface<int> {};

TEST_P(SharedManagerTest, OneManagerManyThreads) {
  const int keepConnection = GetParam();
  auto shared = std::make_unique<db::DatabaseMgr>(logs_);
  std::string error;
  ASSERT_TRUE(shared->Connect(kMainDsn, kDbUser, TestDbPassword(), keepConnection, error)) << error;
  db::NameLists lists;
  ASSERT_TRUE(shared->LoadNameCaches(lists, error)) << error;
  db::PageKey key;
  key.Publication = "ABC";
  key.Edition = "MAIN";
  key.Section = "A";
  key.PageName = "1";
  key.PubDate = platform::MakeLocalTime(2005, 1, 31, 0, 0, 0).value();

  const int kRounds = keepConnection != 0 ? 40 : 10;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  // The scanner: the job query, and a reload of the lists now and then.
  threads.emplace_back([&] {
    for (int i = 0; i < kRounds; ++i) {
      std::string e;
      db::NameLookup names(lists.Get(), nullptr, false);
      db::PageMatch match;
      if (shared->FindPage(key, names, 2, match, e) != db::kPageColor ||
          match.SeparationSetId != 101)
        ++failures;
      if (i % 10 == 0 && !shared->LoadNameCaches(lists, e)) ++failures;
    }
  });
  // The window thread and the poller: process updates and queries.
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      const std::string name = UniqueName("Shared" + std::to_string(t) + "-");
      std::string e;
      int id = shared->RegisterProcess(10, name, name, 1, e);
      if (id <= 0) ++failures;
      for (int i = 0; i < kRounds; ++i) {
        int enabled = -1;
        if (shared->UpdateProcess(id, i % 2, i, name, "round", e) != 1) ++failures;
        if (shared->GetProcessEnabled(id, enabled, e) != id || enabled != i % 2) ++failures;
      }
    });
  }
  // Readers of the lists on threads of their own (the RIP monitors).
  std::atomic<bool> done{false};
  std::thread reader([&] {
    while (!done) {
      db::NameLookup names(lists.Get(), nullptr, false);
      if (names.PublicationIdByName("XYZ") != 2 || names.ColorIdByName("K") != 4) ++failures;
    }
  });
  for (auto& th : threads) th.join();
  done = true;
  reader.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_TRUE(shared->Connected());
}

INSTANTIATE_TEST_SUITE_P(KeepConnection, SharedManagerTest, ::testing::Values(1, 0));

}  // namespace
}  // namespace vellora::test
