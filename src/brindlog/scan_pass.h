// One scan pass over the RIP: can its folder be reached, does the RIP program run,
// is its input open, and which jobs has its log shown as finished since the last
// pass. Every finished job gets its JMF file; the log's pointer file in the
// RipInstallFolder says where the next pass (or the next start) goes on.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "brindlog/debug_log.h"
#include "brindlog/jmf_writer.h"
#include "brindlog/parameters.h"
#include "brindlog/service_host.h"
#include "riplog/keyword_line.h"
#include "riplog/line_cursor.h"
#include "riplog/pointer_store.h"
#include "riplog/rip_job.h"

namespace vellora::brindlog {

// Where the problems go that an administrator must hear of even with the debug log
// off (the journal, by standard error).
using ProblemReporter = std::function<void(const std::string& line)>;

class ScanPass {
 public:
  ScanPass(const Parameters& p, DebugLog& log, JmfWriter& jmf);

  void SetProblemReporter(ProblemReporter report) { report_ = std::move(report); }
  void TellProblem(const std::string& line) const {
    if (report_) report_(line);
  }

  // One pass; every failure is reported in the debug log and ends the pass.
  void RunScanPass();

  // The pass results, kept from one pass to the next and changed only by passes
  // that could reach the RIP folder.
  bool Running() const { return running_; }
  bool InputOpen() const { return inputOpen_; }

 private:
  enum class ParserState { WaitingForSetup, InJob };

  // Steps 1 to 4: reachability, the inUse test, the log's presence, the tail scan.
  // False when the pass ends there.
  bool CheckRip();
  // The state machine for one line; advances pointer_.
  void FeedLine(const riplog::LogLine& line);
  void FinishJob(const riplog::LogLine& line);

  std::string ripFolder_;
  std::string logPath_;
  std::string inUsePath_;
  DebugLog& log_;
  JmfWriter& jmf_;
  ProblemReporter report_;
  // The pointer file, and the position in memory while it cannot be written: a job
  // is written once per run even then.
  riplog::PointerStore pointerStore_;
  bool ripFolderCleared_ = false;

  bool running_ = false;
  bool inputOpen_ = false;

  // Parser state of the pass in progress.
  ParserState state_ = ParserState::WaitingForSetup;
  riplog::RipJob job_;
  bool warned_ = false;
  int64_t pointer_ = 0;
  riplog::KeywordLine line_{riplog::Deliverable::Brindlog};
};

// What the service runs every five seconds: the pass, then "RipStatus.xml" with 0
// when the input is open and 1 otherwise. The first time the XMLfolder (and, in the
// pass, the RIP folder) can be used, the hidden temporaries that an earlier run of
// the daemon left there when it was ended in the middle of a write are removed (in
// the setup subfolders too). Without a usable XMLfolder neither runs: "Illegal XML
// log folder" is said at every pass (and once to the journal), and the log waits,
// its pointer unmoved, until the folder is there, so no finished job is lost
// meanwhile. It also sends the echo's one problem line (no ICMP socket permitted) to
// the debug log while it exists.
class ScanPassRunner : public PassRunner {
 public:
  ScanPassRunner(const Parameters& p, DebugLog& log, std::string computerName);
  ~ScanPassRunner() override;
  void RunPassAndWriteStatus() override;
  void SetProblemReporter(ProblemReporter report) { pass_.SetProblemReporter(std::move(report)); }

  const ScanPass& pass() const { return pass_; }
  JmfWriter& jmf() { return jmf_; }

 private:
  DebugLog& log_;
  JmfWriter jmf_;
  ScanPass pass_;
  bool xmlFolderCleared_ = false;
  bool xmlFolderIllegal_ = false;  // told to the journal while it lasts
};

// The pass factory of the service (computer name from the system).
std::unique_ptr<PassRunner> MakeScanPassRunner(const Parameters& p, DebugLog& log);

}  // namespace vellora::brindlog
