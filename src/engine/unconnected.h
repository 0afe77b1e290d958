// The ports with nothing behind them: no production database, no PDF rewriting, no
// process table, no server switch or remote control, and no mail. Each is a class of its own,
// written out method by method, so that a port that grows a method makes this file (and every real
// adapter) fail to compile until someone decides what "nothing connected" means for it.
#pragma once

#include <memory>
#include <string>

#include "engine/database_control.h"
#include "engine/operator_mail.h"
#include "intake/scanner_services.h"
#include "riptrack/rip_services.h"

namespace vellora::engine {

// A database that is never connected: the scanner delivers without identification.
class NoDatabase final : public intake::ScannerDatabase {
 public:
  void Disconnect() override {}
  bool Connect(const std::string&, const std::string&, const std::string&,
               std::string& error) override {
    error = "No production database in this program";
    return false;
  }
  bool Connected() const override { return false; }
  void ReloadNameCaches() override {}
  void ConnectSecond(const std::string&, const std::string&, const std::string&) override {}
  int RegisterRip(const std::string&) override { return 0; }
  identify::LookupResult LookupJob(const std::string& fileName, int spooler, int updateStatus,
                                   int priority) override;
  std::string PageFormat(int separationSet, double& width, double& height, double& bleed,
                         std::string& error) override;
};

// No PDF library: a spooler set to rewrite PDFs fails with the reason.
class NoPdfRewriter final : public intake::PdfRewriter {
 public:
  bool Scale(const std::string& path, double width, double height, std::string& error) override;
  bool Trim(const std::string& path, double width, double height, std::string& error) override;
};

// A RIP monitor's connection that never connects.
class NoRipConnection final : public riptrack::RipConnection {
 public:
  bool Connect(const std::string&, const std::string&, const std::string&) override {
    return false;
  }
  void Disconnect() override {}
  bool UpdateProcess(int, int, int, const std::string&, const std::string&) override {
    return false;
  }
  void AddJobLogEntries(const riptrack::FinishedJob&, const riptrack::JobReport&) override {}
  void UpdatePageStatus(const riptrack::FinishedJob&) override {}
};

// No process table and no mail.
class NoRipServices final : public riptrack::RipServices {
 public:
  std::unique_ptr<riptrack::RipConnection> OpenRipConnection(core::RipIndex) override {
    return std::make_unique<NoRipConnection>();
  }
  bool UpdateProcessOnMain(int, int, int, const std::string&, const std::string&) override {
    return false;
  }
  void MailFinishedJob(const riptrack::FinishedJob&, const riptrack::JobReport&) override {}
};

// No mail: alerts and job mails go nowhere; a test mail fails with the reason.
class NoOperatorMail final : public OperatorMail {
 public:
  void NetworkFailed(const std::string&, const std::string&) override {}
  void NetworkRestored(const std::string&) override {}
  void DatabaseFailed(const std::string&, const std::string&) override {}
  void DatabaseRestored(const std::string&) override {}
  void NotifyError(notify::NotificationKind, const std::string&) override {}
  void SendTestMail(const TestMail&, TestMailDone done) override;
  void WaitUntilIdle() override {}
};

// No server to switch to and no process table to poll.
class NoDatabaseControl final : public DatabaseControl {
 public:
  ServerSwitchResult SwitchServer(bool backup, core::Runtime& rt) override;
  void RunRemoteControlPoller(core::Runtime&, const std::function<void(core::RipIndex)>&,
                              std::mutex&) override {}
};

// All of them together, for a program or a test that connects nothing.
struct Unconnected {
  NoDatabase database;
  NoPdfRewriter pdf;
  NoRipServices rip;
  NoOperatorMail mail;
  NoDatabaseControl control;
};

}  // namespace vellora::engine
