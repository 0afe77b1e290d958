// The scan pass and its state machine.
#include "brindlog/scan_pass.h"

#include <cstdio>

#include "net/echo.h"
#include "net/reachability.h"
#include "platform/files.h"
#include "platform/system.h"
#include "riplog/input_state.h"
#include "riplog/log_pointer.h"
#include "riplog/log_text.h"

namespace vellora::brindlog {

using riplog::Keyword;

ScanPass::ScanPass(const Parameters& p, DebugLog& log, JmfWriter& jmf)
    : ripFolder_(p.RipInstallFolder),
      logPath_(riplog::BrindlogLogPath(p.RipInstallFolder)),
      inUsePath_(p.RipInstallFolder + "\\SW\\Config\\inUse"),
      log_(log),
      jmf_(jmf),
      report_([](const std::string& line) {
        std::fprintf(stderr, "%s: %s\n", kServiceName, line.c_str());
        std::fflush(stderr);
      }),
      pointerStore_(riplog::BrindlogPointerPath(p.RipInstallFolder)) {}

bool ScanPass::CheckRip() {
  if (!net::IsFolderReachable(ripFolder_)) {
    log_.Write("ERROR: Rip not accessible");
    return false;
  }
  running_ = false;
  inputOpen_ = false;
  // The RIP holds its inUse file open while it runs, so only a stopped RIP's file
  // can be deleted; deleting it is the test.
  if (platform::PathExists(inUsePath_)) running_ = !platform::DeleteUnlessInUse(inUsePath_);
  if (!platform::IsRegularFile(logPath_)) {
    log_.Write("WARNING: No RIP LogFile available (%s)", logPath_.c_str());
    return false;
  }
  if (running_) {
    riplog::TailScan tail = riplog::ScanInputState(logPath_, riplog::Deliverable::Brindlog);
    if (tail.failure == riplog::TailScanFailure::OpenFailed) {
      log_.Write("ERROR: Unable to open file %s", logPath_.c_str());
      return false;
    }
    inputOpen_ = tail.state == riplog::InputState::Open;
  }
  return true;
}

void ScanPass::RunScanPass() {
  if (!CheckRip()) return;
  if (!ripFolderCleared_) {
    platform::RemoveStaleTemporaries(ripFolder_);  // the pointer file's
    ripFolderCleared_ = true;
  }

  int64_t stored = pointerStore_.Load();
  riplog::LogText text = riplog::ReadNewLogText(logPath_, stored, riplog::ReadRule::Brindlog());
  if (text.failure == riplog::ReadFailure::OpenFailed) {
    log_.Write("ERROR: Unable to open file %s", logPath_.c_str());
    inputOpen_ = false;
    return;
  }
  log_.Write("INFO: Loaded file pointer set to %lld", static_cast<long long>(stored));
  log_.Write("INFO: File pointer set to %lld", static_cast<long long>(text.start));
  if (text.failure == riplog::ReadFailure::AllocationFailed) {
    log_.Write("ERROR: Memory allocation error");
    return;
  }
  if (text.failure == riplog::ReadFailure::ReadFailed) {
    log_.Write("ERROR: Unable to read %lld bytes from file %s",
               static_cast<long long>(text.requested), logPath_.c_str());
    return;
  }
  log_.Write("INFO: LogFile read (%lld bytes)", static_cast<long long>(text.size()));

  // Unlike the operator program's monitor, every pass starts outside any job: a job
  // still open is read again from the pointer, which waits before its setup line.
  state_ = ParserState::WaitingForSetup;
  job_.Clear();
  warned_ = false;
  pointer_ = text.pointer;
  riplog::LineCursor cursor(text);
  riplog::LogLine line;
  while (cursor.NextLine(line)) {
    // A last line without its line break is still being written: it is left, with
    // the pointer before it, for the next pass to read whole.
    if (!line.terminated) break;
    FeedLine(line);
  }
  std::string reason;
  if (pointerStore_.Save(pointer_, &reason) == riplog::PointerStore::Saved::FirstFailure) {
    // Said once: the position stays in memory, so no job file is written twice in
    // this run, but a restart would go back to the file's older position.
    std::string line =
        "ERROR: Unable to write log pointer file " + pointerStore_.path() + " (" + reason + ")";
    log_.Write("%s", line.c_str());
    TellProblem(line);
  }
}

void ScanPass::FeedLine(const riplog::LogLine& line) {
  line_.Set(line.text);
  if (state_ == ParserState::WaitingForSetup) {
    if (line_.Has(riplog::Keyword::SetupLoaded)) {
      job_.Clear();
      warned_ = false;
      job_.Setup = line_.Setup();
      state_ = ParserState::InJob;
    } else {
      pointer_ = line.endOffset;
    }
    return;
  }
  if (line_.Has(riplog::Keyword::RippingFile)) job_.FileName = line_.FileName();
  if (line_.Has(riplog::Keyword::StartingJob)) job_.JobTime = line_.JobTime();
  if (line_.Has(riplog::Keyword::Warning)) {
    job_.WarningText = line_.WarningText();
    warned_ = true;
  }
  if (line_.Has(riplog::Keyword::Error)) job_.ErrorText = line_.ErrorText();
  if (line_.ClosesJob()) FinishJob(line);
}

void ScanPass::FinishJob(const riplog::LogLine& line) {
  state_ = ParserState::WaitingForSetup;
  job_.JobName = line_.JobName();
  const std::string& name = job_.FileName.empty() ? job_.JobName : job_.FileName;
  if (line_.ClosesAsFailed()) {
    jmf_.WriteJobJmf(name, riplog::JobStatus::Error, job_.ErrorText, job_.Setup, job_.JobTime);
  } else if (warned_) {
    jmf_.WriteJobJmf(name, riplog::JobStatus::Warning, job_.WarningText, job_.Setup, job_.JobTime);
  } else {
    jmf_.WriteJobJmf(name, riplog::JobStatus::Success, "", job_.Setup, job_.JobTime);
  }
  // A file that could not be written is lost: the pointer moves past the job anyway.
  job_.Clear();
  warned_ = false;
  pointer_ = line.endOffset;
}

ScanPassRunner::ScanPassRunner(const Parameters& p, DebugLog& log, std::string computerName)
    : log_(log),
      jmf_(p.XMLfolder, p.UsePageSetupNameAsSubDirectory != 0, log, std::move(computerName)),
      pass_(p, log, jmf_) {
  net::SetEchoProblemReporter([&log](const std::string& line) { log.Write("%s", line.c_str()); });
}

ScanPassRunner::~ScanPassRunner() {
  net::SetEchoProblemReporter(nullptr);
}

void ScanPassRunner::RunPassAndWriteStatus() {
  if (!JmfWriter::IsUsableFolder(jmf_.folder())) {
    log_.Write("Illegal XML log folder %s\r\n", jmf_.folder().c_str());
    if (!xmlFolderIllegal_) pass_.TellProblem("Illegal XML log folder " + jmf_.folder());
    xmlFolderIllegal_ = true;
    return;
  }
  xmlFolderIllegal_ = false;
  if (!xmlFolderCleared_) {
    platform::RemoveStaleTemporariesWithSubfolders(jmf_.folder());
    xmlFolderCleared_ = true;
  }
  pass_.RunScanPass();
  jmf_.WriteStatusJmf(pass_.InputOpen() ? 0 : 1);
}

std::unique_ptr<PassRunner> MakeScanPassRunner(const Parameters& p, DebugLog& log) {
  return std::make_unique<ScanPassRunner>(p, log, platform::HostName());
}

}  // namespace vellora::brindlog
