// A test on the test database: ODBC pointed at it, log writers in a folder of the
// test's own (both logs on), and managers connected to one of its data sources.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/logs.h"
#include "db/database_mgr.h"
#include "db/test_database.h"
#include "support/temp_dir.h"

namespace vellora::test {

class DbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(UseTestDatabase());
    logs_.Configure(dir_.path(), true, true);
  }

  // A manager connected to dsn with keep-connection 1 (the test fails if it cannot).
  std::unique_ptr<db::DatabaseMgr> Connected(const char* dsn = kMainDsn) {
    auto m = std::make_unique<db::DatabaseMgr>(logs_);
    std::string error;
    EXPECT_TRUE(m->Connect(dsn, kDbUser, TestDbPassword(), 1, error)) << error;
    return m;
  }

  // The first column of the first row of a query ("" when none, "ERROR: ..." on failure).
  static std::string Value(db::DatabaseMgr& m, const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    std::string error;
    if (!m.RunStatement(sql, rows, error)) return "ERROR: " + error;
    return rows.empty() || rows[0].empty() ? "" : rows[0][0];
  }

  std::string ProgramLog() const { return Read(dir_ / "Vellora.log"); }
  std::string DbErrorLog() const { return Read(dir_ / "VelloraDBerror.log"); }

  TempDir dir_;
  core::LogWriters logs_;

 private:
  static std::string Read(const std::string& path) { return Exists(path) ? ReadFile(path) : ""; }
};

}  // namespace vellora::test
