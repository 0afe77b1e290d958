// Building and ordering the input queue, against a literal run of the exchange
// procedure.
#include "intake/input_queue.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "intake/exchange_sort.h"

namespace vellora::intake {
namespace {

struct Listed {
  std::string FileName;
  std::string ListedTime;
  uint64_t TimeKey;
};

// The ordering rule exactly as the operators' documentation states it, whole entries
// exchanged.
void LiteralSort(std::vector<QueuedJob>& q) {
  int n = static_cast<int>(q.size());
  for (int i = 0; i + 1 < n; ++i)
    for (int j = i + 1; j < n; ++j)
      if (q[i].TimeKey > q[j].TimeKey) std::swap(q[i], q[j]);
  for (int i = 0; i + 1 < n; ++i)
    for (int j = i + 1; j < n; ++j)
      if (q[i].Priority < q[j].Priority) std::swap(q[i], q[j]);
}

TEST(InputQueue, EqualPrioritiesLoseTheirTimeOrderAsTheExchangeDictates) {
  core::Spooler low, high;
  low.SetupName = "Low";
  low.Priority = 1;
  high.SetupName = "High";
  high.Priority = 2;
  InputQueue q;
  std::vector<Listed> lows = {{"B", "b", 20}, {"A", "a", 10}};
  std::vector<Listed> highs = {{"C", "c", 30}};
  q.Append(lows, 2, low, 0, nullptr);
  q.Append(highs, 1, high, 1, nullptr);
  ASSERT_EQ(q.Count(), 3);
  EXPECT_EQ(q[0].Priority, 50);
  EXPECT_EQ(q[2].Priority, 100);
  EXPECT_EQ(q[2].SpoolerName, "High");
  EXPECT_EQ(q[0].LookupStatus, -1);
  q.Sort(false);
  EXPECT_EQ(q[0].FileName, "C");
  EXPECT_EQ(q[1].FileName, "B") << "B now precedes the older A";
  EXPECT_EQ(q[2].FileName, "A");

  InputQueue unsorted;
  unsorted.Append(lows, 2, low, 0, nullptr);
  unsorted.Append(highs, 1, high, 1, nullptr);
  unsorted.Sort(true);
  EXPECT_EQ(unsorted[0].FileName, "B") << "DisableFileSort keeps the listing order";
  EXPECT_EQ(unsorted[2].FileName, "C");
}

TEST(InputQueue, HugeSpoolerPrioritiesAreClampedNotWrapped) {
  // 50,000,000 x 50 does not fit 32 bits: wrapped, it would turn negative and the
  // most urgent spooler would be served last.
  core::Spooler urgent, normal, negative;
  urgent.SetupName = "Urgent";
  urgent.Priority = 50000000;
  normal.SetupName = "Normal";
  normal.Priority = 2;
  negative.SetupName = "Never";
  negative.Priority = -50000000;
  std::vector<Listed> n = {{"N", "n", 10}}, u = {{"U", "u", 30}}, v = {{"V", "v", 5}};
  InputQueue q;
  q.Append(n, 1, normal, 0, nullptr);
  q.Append(u, 1, urgent, 1, nullptr);
  q.Append(v, 1, negative, 2, nullptr);
  EXPECT_EQ(q[1].Priority, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(q[2].Priority, std::numeric_limits<int32_t>::min());
  q.Sort(false);
  EXPECT_EQ(q[0].FileName, "U");
  EXPECT_EQ(q[1].FileName, "N");
  EXPECT_EQ(q[2].FileName, "V");
}

TEST(InputQueue, SortMatchesTheLiteralProcedureOnRandomQueues) {
  std::mt19937_64 rng(20261209);
  for (int round = 0; round < 300; ++round) {
    int n = static_cast<int>(rng() % 400);
    int distinctTimes = 1 + static_cast<int>(rng() % 50);
    int distinctPrios = 1 + static_cast<int>(rng() % 6);
    int shape = round % 4;  // random, ascending, descending, all equal
    std::vector<QueuedJob> literal;
    InputQueue q;
    core::Spooler sp;
    for (int k = 0; k < n; ++k) {
      uint64_t t = rng() % static_cast<uint64_t>(distinctTimes);
      if (shape == 1) t = static_cast<uint64_t>(k / 3);
      if (shape == 2) t = static_cast<uint64_t>(n - k / 2);
      if (shape == 3) t = 7;
      sp.Priority = static_cast<int>(rng() % static_cast<uint64_t>(distinctPrios)) - 2;
      sp.SetupName = "S" + std::to_string(k % 5);
      std::vector<Listed> one = {{"f" + std::to_string(k), "t", t}};
      q.Append(one, 1, sp, k % 5, nullptr);
      QueuedJob j;
      j.FileName = one[0].FileName;
      j.TimeKey = t;
      j.Priority = sp.Priority * 50;
      literal.push_back(j);
    }
    LiteralSort(literal);
    q.Sort(false);
    ASSERT_EQ(q.Count(), n);
    for (int k = 0; k < n; ++k) {
      ASSERT_EQ(q[k].FileName, literal[k].FileName) << "round " << round << " position " << k;
    }
  }
}

TEST(InputQueue, ExchangeOrderHandlesExtremeKeys) {
  std::vector<uint64_t> keys = {~0ull, 0, ~0ull - 1, 0, 5};
  std::vector<int> order = ExchangeSortOrder(keys);
  std::vector<uint64_t> sorted;
  for (int i : order) sorted.push_back(keys[static_cast<size_t>(i)]);
  EXPECT_EQ(sorted, (std::vector<uint64_t>{0, 0, 5, ~0ull - 1, ~0ull}));
  EXPECT_TRUE(ExchangeSortOrder({}).empty());
  EXPECT_EQ(ExchangeSortOrder({9}), std::vector<int>{0});
}

TEST(InputQueue, EarlyLookupOnlyForSpoolersThatLookJobsUp) {
  core::Spooler sp;
  sp.SetupName = "News";
  sp.Priority = 1;
  int calls = 0;
  EarlyLookup lookup = [&](QueuedJob& job, int s) {
    ++calls;
    EXPECT_EQ(s, 3);
    job.Priority = 77;
    job.SeparationSetId = 12;
    return 2;
  };
  std::vector<Listed> one = {{"p.ps", "t", 1}};
  InputQueue q;
  q.Append(one, 1, sp, 3, lookup);
  EXPECT_EQ(calls, 0) << "no lookup without UseDatabase and a naming convention";
  sp.UseDatabase = 1;
  sp.NameConv = "%P%-%N";
  q.Append(one, 1, sp, 3, lookup);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(q[1].Priority, 77);
  EXPECT_EQ(q[1].SeparationSetId, 12);
  EXPECT_EQ(q[1].LookupStatus, 2);

  // The table holds 30000 entries and drops the rest.
  std::vector<Listed> many(400, Listed{"x", "t", 1});
  InputQueue full;
  for (int s = 0; s < 80; ++s) full.Append(many, 400, sp, 0, nullptr);
  EXPECT_EQ(full.Count(), kQueueCapacity);
}

TEST(InputQueue, FindSpoolerComparesSetupNamesExactly) {
  core::SettingsStore s;
  s.NumberOfSpoolers = 2;
  s.Spoolers[1].SetupName = "Ads";
  EXPECT_EQ(FindSpooler(s, "Ads"), 1);
  EXPECT_EQ(FindSpooler(s, "ads"), -1);
  EXPECT_EQ(FindSpooler(s, "Setup3"), -1) << "spoolers beyond the count do not exist";
}

}  // namespace
}  // namespace vellora::intake
