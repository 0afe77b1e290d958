// The operator's switch between the main and the backup server.
#include <gtest/gtest.h>

#include "core/runtime.h"
#include "db/db_fixture.h"
#include "db/server_switch.h"
#include "platform/pacing.h"
#include "support/recording_display.h"

namespace vellora::test {
namespace {

class ServerSwitchTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    rt_ = std::make_unique<core::Runtime>(display_, pacer_, dir_.path());
    rip1_ = UniqueName("Rip1-");
    rip3_ = UniqueName("Rip3-");
    WriteFile(dir_ / "Vellora.ini",
              "; site settings\r\n[Setup]\r\nDSN=VelloraTest\r\n\r\n[System]\r\nOther=x\r\n");
    rt_->settings.Update([&](core::SettingsStore& s) {
      s.DSN = kMainDsn;
      s.DSNuser = kDbUser;
      s.DSNpw = TestDbPassword();
      s.DSN2 = kBackupDsn;
      s.DSNuser2 = kDbUser;
      s.DSNpw2 = TestDbPassword();
      s.Rips[0].UseRIP = 1;
      s.Rips[0].RIPName = rip1_;
      s.Rips[2].UseRIP = 1;
      s.Rips[2].RIPName = rip3_;
    });
  }

  RecordingDisplay display_;
  platform::Pacer pacer_{0};
  std::unique_ptr<core::Runtime> rt_;
  std::string rip1_, rip3_;
};

TEST_F(ServerSwitchTest, ToTheBackupAndBack) {
  db::DatabaseMgr mainDb(logs_);
  std::string error;
  ASSERT_TRUE(mainDb.Connect(kMainDsn, kDbUser, TestDbPassword(), 1, error)) << error;

  db::SwitchOutcome out = db::SwitchServer(true, mainDb, *rt_);
  ASSERT_TRUE(out.connected) << out.error;
  EXPECT_EQ(out.error, "");
  EXPECT_EQ(out.serverText, "Backup server");
  EXPECT_EQ(out.message, "Connected to backup server");
  EXPECT_EQ(rt_->settings.Get()->UseBackup, 1);
  EXPECT_EQ(Value(mainDb, "SELECT current_database()"), "vellora_backup");
  // The RIPs in use are registered on the backup server (ids from 1001 there).
  EXPECT_GE(rt_->rips[0].ProcessId.load(), 1001);
  EXPECT_GE(rt_->rips[2].ProcessId.load(), 1001);
  EXPECT_EQ(rt_->rips[1].ProcessId.load(), 0);
  EXPECT_EQ(rt_->rips[3].ProcessId.load(), 0);
  EXPECT_EQ(ReadFile(dir_ / "Vellora.ini"),
            "; site settings\r\n[Setup]\r\nDSN=VelloraTest\r\n\r\n[System]\r\nOther=x\r\n"
            "Usebackup=1\r\n");

  out = db::SwitchServer(false, mainDb, *rt_);
  ASSERT_TRUE(out.connected) << out.error;
  EXPECT_EQ(out.serverText, "Main server");
  EXPECT_EQ(out.message, "Connected to main server");
  EXPECT_EQ(rt_->settings.Get()->UseBackup, 0);
  EXPECT_EQ(Value(mainDb, "SELECT current_database()"), "vellora");
  EXPECT_GT(rt_->rips[0].ProcessId.load(), 0);
  EXPECT_LT(rt_->rips[0].ProcessId.load(), 1001);
  EXPECT_NE(ReadFile(dir_ / "Vellora.ini").find("[System]\r\nOther=x\r\nUsebackup=0\r\n"),
            std::string::npos);
}

TEST_F(ServerSwitchTest, ABackupThatIsDownKeepsTheChoice) {
  rt_->settings.Update([&](core::SettingsStore& s) {
    s.DSN2 = kDownDsn;
    s.KeepConnection = 0;
  });
  rt_->rips[0].ProcessId.store(5);
  db::DatabaseMgr mainDb(logs_);
  std::string error;
  ASSERT_TRUE(mainDb.Connect(kMainDsn, kDbUser, TestDbPassword(), 1, error)) << error;
  const std::string before = ReadFile(dir_ / "Vellora.ini");

  db::SwitchOutcome out = db::SwitchServer(true, mainDb, *rt_);
  EXPECT_FALSE(out.connected);
  EXPECT_EQ(out.error.rfind("Error connecting to database - ", 0), 0u) << out.error;
  EXPECT_NE(out.error.find("(DSN=VelloraDown;UID=vellora;PWD=***)"), std::string::npos);
  EXPECT_EQ(out.error.find(TestDbPassword()), std::string::npos);
  EXPECT_EQ(out.serverText, "");
  EXPECT_EQ(rt_->settings.Get()->UseBackup, 1) << "the threads follow the new choice";
  EXPECT_FALSE(mainDb.Connected());
  EXPECT_EQ(mainDb.DataSource(), kDownDsn);
  EXPECT_EQ(mainDb.KeepConnection(), 0) << "the switch passes the setting KeepConnection";
  EXPECT_EQ(rt_->rips[0].ProcessId.load(), 5) << "no registration without a connection";
  EXPECT_EQ(ReadFile(dir_ / "Vellora.ini"), before);

  // Whoever connects next takes the server UseBackup selects.
  db::ServerTarget next = db::CurrentServer(*rt_->settings.Get());
  EXPECT_EQ(next.dataSource, kDownDsn);
  EXPECT_EQ(db::ServerFor(*rt_->settings.Get(), false).dataSource, kMainDsn);
}

}  // namespace
}  // namespace vellora::test
