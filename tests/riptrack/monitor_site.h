// A RIP monitor on a SW folder of the test's own: the settings of one RIP in use,
// a recording display, a pacer that does not wait (it only adds up what was asked),
// and database and mail services that record what they are asked to do.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/runtime.h"
#include "platform/files.h"
#include "riplog/log_pointer.h"
#include "riptrack/rip_tracking.h"
#include "support/recording_display.h"
#include "support/temp_dir.h"

namespace vellora::test {

// Every call the RIP tracking makes on the database and the mail, as text.
class RecordingRipServices : public riptrack::RipServices {
 public:
  struct Connection : riptrack::RipConnection {
    Connection(RecordingRipServices& owner, int rip) : owner(owner), rip(rip) {}
    bool Connect(const std::string& dsn, const std::string& user, const std::string&) override {
      owner.Add("connect " + std::to_string(rip) + " " + dsn + " " + user);
      return owner.connectWorks;
    }
    void Disconnect() override { owner.Add("disconnect " + std::to_string(rip)); }
    bool UpdateProcess(int pid, int enabled, int state, const std::string& job,
                       const std::string& message) override {
      owner.Add("update " + std::to_string(pid) + " " + std::to_string(enabled) + " " +
                std::to_string(state) + " '" + job + "' '" + message + "'");
      return owner.updateWorks;
    }
    void AddJobLogEntries(const riptrack::FinishedJob& job, const riptrack::JobReport&) override {
      owner.Add("entries " + std::to_string(job.processId) + " " + job.job.JobName);
    }
    void UpdatePageStatus(const riptrack::FinishedJob& job) override {
      owner.Add("status " + job.job.JobName);
    }
    RecordingRipServices& owner;
    int rip;
  };

  std::unique_ptr<riptrack::RipConnection> OpenRipConnection(core::RipIndex rip) override {
    Add("open " + std::to_string(rip.value));
    return std::make_unique<Connection>(*this, rip.value);
  }
  bool UpdateProcessOnMain(int pid, int enabled, int state, const std::string& job,
                           const std::string& message) override {
    Add("main update " + std::to_string(pid) + " " + std::to_string(enabled) + " " +
        std::to_string(state) + " '" + job + "' '" + message + "'");
    return updateWorks;
  }
  void MailFinishedJob(const riptrack::FinishedJob& job, const riptrack::JobReport&) override {
    Add("mail " + job.job.JobName);
  }

  std::vector<std::string> Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  // The calls starting with prefix.
  std::vector<std::string> Calls(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& c : Calls()) {
      if (c.rfind(prefix, 0) == 0) out.push_back(c);
    }
    return out;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    calls_.clear();
  }

  bool connectWorks = true;
  bool updateWorks = true;

 private:
  void Add(std::string s) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(s));
  }
  mutable std::mutex mutex_;
  std::vector<std::string> calls_;
};

// One job's lines as the simulated RIP writes them; outcome 'C', 'W' or 'F'.
inline std::string JobLines(const std::string& name, char outcome = 'C',
                            const std::string& setup = "Newsprint 40") {
  std::string s = "Setup loaded: " + setup + "\r\nStarting Job On Mon Jan 31 10:15:02 2005\r\n" +
                  "Ripping file /hot/" + name + "\r\n";
  if (outcome == 'W') s += "Warning: Font Univers-CondensedBold not found, Courier substituted\r\n";
  s += "Page 1 done: 4 separations at 1270 dpi\r\n";
  if (outcome == 'F') s += "Error: undefined; OffendingCommand: setpagedevicex\r\n";
  return s + (outcome == 'F' ? "Job Not Completed: " : "Job Completed: ") + name + "\r\n";
}

struct MonitorSite {
  TempDir dir;
  std::string sw = dir / "sw";
  std::string log = sw + "/Logfile";
  std::string inUse = sw + "/Config/inUse";
  std::string pointerFile = dir / "LogFilePointer1";
  RecordingDisplay display;
  platform::Pacer pacer;
  core::Runtime rt;
  RecordingRipServices services;
  riptrack::RipTracking tracking;
  std::unique_ptr<riptrack::RipMonitor> monitor;

  explicit MonitorSite(double scale = 0)
      : pacer(scale), rt(display, pacer, dir.path()), tracking(rt, services) {
    MakeDirs(sw + "/Config");
    MakeDirs(sw + "/tmp");
    rt.settings.Update([this](core::SettingsStore& s) {
      s.Rips[0].UseRIP = 1;
      s.Rips[0].RIPName = "RIP one";
      s.Rips[0].RIPswPath = sw;
    });
    rt.rips[0].Tracking = 1;
  }
  void Settings(const std::function<void(core::SettingsStore&)>& change) {
    rt.settings.Update(change);
  }
  // A new monitor thread's start (as after a program restart: only the files stay).
  void Start() {
    monitor = tracking.NewMonitor(core::RipIndex(0));
    monitor->Begin();
  }
  riptrack::RipMonitor::PassEnd Pass() {
    if (!monitor) Start();
    return monitor->RunPass();
  }
  // The unscaled milliseconds one pass asked the pacer to wait.
  uint64_t PassWaits() {
    uint64_t before = pacer.RequestedMilliseconds();
    Pass();
    return pacer.RequestedMilliseconds() - before;
  }
  void Append(const std::string& text) { platform::AppendAndClose(log, text); }
  // The job texts of RIP 1's finished-jobs list, oldest first.
  std::vector<std::string> Jobs() {
    std::vector<std::string> out;
    for (const auto& row : tracking.jobLists().Rows(core::RipIndex(0))) out.push_back(row.job);
    return out;
  }
  int64_t StoredPointer() { return riplog::ReadLogPointer(pointerFile); }
  // The last status text the panel was given, and the last lamp of a kind.
  std::string Status() { return Last("RIP1 Status "); }
  std::string Lamp(const std::string& which) { return Last("RIP1 Lamp " + which + " "); }
  std::string Last(const std::string& prefix) {
    std::string found = "(none)";
    for (const auto& c : display.Calls()) {
      if (c.rfind(prefix, 0) == 0) found = c.substr(prefix.size());
    }
    return found;
  }
};

}  // namespace vellora::test
