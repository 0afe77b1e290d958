// The remote-control poller against the test database: the workflow system switches
// a RIP off and on through its Enabled flag; RIPs not in use or not registered are
// never polled; nothing is switched while remote control is not allowed; a server
// that stops and starts again (the poller takes up its polls once it is back, and
// an outage switches nothing off); the server choice followed only when the
// connection it has fails. THREADS.
#include "db/remote_control.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "db/db_fixture.h"
#include "platform/pacing.h"
#include "support/child_process.h"
#include "support/recording_display.h"

namespace vellora::test {
namespace {

constexpr uint64_t kPauseMs = 3000;  // the poller's pause, as the pacer counts it

class RemoteControlTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    rt_ = std::make_unique<core::Runtime>(display_, pacer_, dir_.path());
    Use(kMainDsn);
  }
  void TearDown() override { StopPoller(); }

  void Use(const char* dsn) {
    rt_->settings.Update([&](core::SettingsStore& s) {
      s.DSN = dsn;
      s.DSNuser = kDbUser;
      s.DSNpw = TestDbPassword();
      s.DSN2 = kBackupDsn;
      s.DSNuser2 = kDbUser;
      s.DSNpw2 = TestDbPassword();
      s.AllowRemoteControl = 1;
    });
    main_ = Connected(dsn);
  }

  // A RIP in use, registered as a new process, running.
  int AddRip(int slot) {
    std::string error;
    const std::string name = UniqueName("Remote");
    const int id = main_->RegisterProcess(10, name, name, 1, error);
    EXPECT_GT(id, 0) << error;
    rt_->settings.Update([&](core::SettingsStore& s) {
      s.Rips[slot].UseRIP = 1;
      s.Rips[slot].RIPName = name;
    });
    rt_->rips[slot].ProcessId = id;
    rt_->rips[slot].Tracking = 1;
    return id;
  }

  void SetEnabled(int id, int enabled) {
    // A manager of its own: the one of the test may hold a connection the server
    // has since dropped.
    const std::string source = dsn();
    auto m = Connected(source.c_str());
    std::vector<std::vector<std::string>> rows;
    std::string error;
    ASSERT_TRUE(
        m->RunStatement("UPDATE ProcessConfigurations SET Enabled=" + std::to_string(enabled) +
                            " WHERE ProcessID=" + std::to_string(id),
                        rows, error))
        << error;
  }
  std::string dsn() const { return rt_->settings.Get()->DSN; }

  // The operator's run switch as the engine has it: the run state flipped, the new
  // state written as the process's enabled flag on the main connection.
  void StartPoller() {
    poller_ = std::make_unique<db::RemoteControlPoller>(*rt_, [this](core::RipIndex rip) {
      // Counted, and written, before the switch moves: a test that sees the switch
      // moved finds the toggle counted, and its own next write of the flag cannot be
      // overtaken by this one.
      toggles_.fetch_add(1);
      toggledAt_ = pacer_.RequestedMilliseconds();
      const int now = rt_->rips[rip.Slot()].Tracking == 0 ? 1 : 0;
      std::string error;
      main_->UpdateProcess(rt_->rips[rip.Slot()].ProcessId, now, -1, "", "", error);
      rt_->rips[rip.Slot()].Tracking = now;
    });
    thread_ = std::thread([this] { poller_->Run(); });
  }
  void StopPoller() {
    if (!thread_.joinable()) return;
    pacer_.RequestStop();
    thread_.join();
  }
  // Waits until the poller has begun n more pauses.
  void Passes(int n) {
    const uint64_t until = pacer_.RequestedMilliseconds() + n * kPauseMs;
    ASSERT_TRUE(WaitFor([&] { return pacer_.RequestedMilliseconds() >= until; }));
  }
  int Tracking(int slot) const { return rt_->rips[slot].Tracking.load(); }

  RecordingDisplay display_;
  platform::Pacer pacer_{0.01};  // a 3-second pause takes 30 ms
  std::unique_ptr<core::Runtime> rt_;
  std::unique_ptr<db::DatabaseMgr> main_;
  std::unique_ptr<db::RemoteControlPoller> poller_;
  std::thread thread_;
  std::atomic<int> toggles_{0};
  std::atomic<uint64_t> toggledAt_{0};  // the pacer's count at the last toggle
};

TEST_F(RemoteControlTest, TheWorkflowSwitchesARipOffAndOnAgain) {
  const int rip1 = AddRip(0);
  // In use but not registered, and registered but not in use: never polled, though
  // their processes are disabled.
  const int unregistered = AddRip(1);
  rt_->rips[1].ProcessId = 0;
  const int unused = AddRip(2);
  rt_->settings.Update([](core::SettingsStore& s) { s.Rips[2].UseRIP = 0; });
  SetEnabled(unregistered, 0);
  SetEnabled(unused, 0);

  StartPoller();
  Passes(2);
  EXPECT_EQ(Tracking(0), 1);
  EXPECT_EQ(toggles_.load(), 0);

  SetEnabled(rip1, 0);
  ASSERT_TRUE(WaitFor([&] { return Tracking(0) == 0; }));
  SetEnabled(rip1, 1);
  ASSERT_TRUE(WaitFor([&] { return Tracking(0) == 1; }));
  // Any value but 0 is "enabled": a 2 is no reason to switch back and forth.
  SetEnabled(rip1, 2);
  Passes(3);
  EXPECT_EQ(Tracking(0), 1);
  EXPECT_EQ(toggles_.load(), 2);
  EXPECT_EQ(Tracking(1), 1);
  EXPECT_EQ(Tracking(2), 1);

  // Not allowed any more: the poller goes on but switches nothing.
  rt_->settings.Update([](core::SettingsStore& s) { s.AllowRemoteControl = 0; });
  SetEnabled(rip1, 0);
  Passes(3);
  EXPECT_EQ(Tracking(0), 1);
  EXPECT_EQ(toggles_.load(), 2);
  // Allowed again: the flag is followed at the next poll.
  rt_->settings.Update([](core::SettingsStore& s) { s.AllowRemoteControl = 1; });
  ASSERT_TRUE(WaitFor([&] { return Tracking(0) == 0; }));

  // A process whose row has gone is switched off: there is nothing that enables it.
  const int rip4 = AddRip(3);
  ASSERT_TRUE(WaitFor([&] { return toggles_.load() == 3; }));
  Passes(1);
  EXPECT_EQ(Tracking(3), 1);
  std::vector<std::vector<std::string>> rows;
  std::string error;
  ASSERT_TRUE(main_->RunStatement(
      "DELETE FROM ProcessConfigurations WHERE ProcessID=" + std::to_string(rip4), rows, error))
      << error;
  ASSERT_TRUE(WaitFor([&] { return Tracking(3) == 0; }));
}

TEST_F(RemoteControlTest, AnOutageSwitchesNothingAndThePollsResumeWhenTheServerIsBack) {
  SpareServerLease lease;
  Use(kSpareDsn);
  const int rip1 = AddRip(0);
  StartPoller();
  Passes(1);

  ASSERT_TRUE(lease.Pause());
  Passes(4);
  // The flag could not be read: that is no verdict, and the running RIP stays on.
  EXPECT_EQ(Tracking(0), 1);
  EXPECT_EQ(toggles_.load(), 0);
  ASSERT_TRUE(lease.Resume());

  // Back within the pass after its return: the poll under way when the flag changed
  // may have missed it, the next one may not.
  SetEnabled(rip1, 0);
  // Taken once the flag is written (a fresh connection to a server just back may
  // take a while), and compared with the count at the toggle itself, not after the
  // wait: a late look would count pauses that came after it.
  const uint64_t mark = pacer_.RequestedMilliseconds();
  ASSERT_TRUE(WaitFor([&] { return Tracking(0) == 0; }));
  EXPECT_LE(static_cast<int64_t>(toggledAt_.load()) - static_cast<int64_t>(mark),
            static_cast<int64_t>(2 * kPauseMs));
  EXPECT_EQ(toggles_.load(), 1);
}

TEST_F(RemoteControlTest, TheServerChoiceIsFollowedWhenTheConnectionFails) {
  const int rip1 = AddRip(0);
  StartPoller();
  Passes(1);
  // The operator switches to the backup server; the poller's connection to the main
  // one still works, so it stays with it.
  rt_->settings.Update([](core::SettingsStore& s) { s.UseBackup = 1; });
  Passes(2);
  SetEnabled(rip1, 0);
  ASSERT_TRUE(WaitFor([&] { return Tracking(0) == 0; }));
  StopPoller();
  EXPECT_EQ(poller_->PollerBackupChoice(), 1);
  EXPECT_FALSE(poller_->ReconnectNeeded());
  EXPECT_FALSE(poller_->FirstPass());
}

TEST_F(RemoteControlTest, AServerThatIsDownIsTriedAgainAfterEveryPause) {
  rt_->settings.Update([](core::SettingsStore& s) { s.DSN = kDownDsn; });
  AddRip(0);
  db::RemoteControlPoller poller(*rt_, [this](core::RipIndex) { toggles_.fetch_add(1); });
  poller.Begin();
  EXPECT_TRUE(poller.ReconnectNeeded());
  EXPECT_TRUE(poller.FirstPass());
  EXPECT_TRUE(poller.Pass());
  EXPECT_TRUE(poller.ReconnectNeeded());
  EXPECT_FALSE(poller.FirstPass());
  const uint64_t before = pacer_.RequestedMilliseconds();
  EXPECT_TRUE(poller.Pass());
  EXPECT_EQ(pacer_.RequestedMilliseconds() - before, kPauseMs) << "one pause per pass";
  EXPECT_TRUE(poller.ReconnectNeeded());
  EXPECT_EQ(toggles_.load(), 0);
  // Now the main server is the right one: the next pass connects and polls.
  rt_->settings.Update([](core::SettingsStore& s) { s.DSN = kMainDsn; });
  EXPECT_TRUE(poller.Pass());
  EXPECT_FALSE(poller.ReconnectNeeded());
  EXPECT_EQ(Tracking(0), 1);
  EXPECT_EQ(toggles_.load(), 0);
  pacer_.RequestStop();
  EXPECT_FALSE(poller.Pass());
}

}  // namespace
}  // namespace vellora::test
