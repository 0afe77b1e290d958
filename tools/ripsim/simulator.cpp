// The simulated RIP's main loop, its jobs and its run-time controls.
#include "simulator.h"

#include <algorithm>
#include <cstdarg>
#include <filesystem>

#include "log_lines.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/system.h"

namespace vellora::ripsim {
namespace {

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  return path;
}

// A name in the processed folder that no earlier job took: the file name itself, else
// "stem~2.ext", "stem~3.ext", ... so that a page delivered twice shows up twice.
std::string UniqueTarget(const std::string& folder, const std::string& name) {
  std::string first = folder + "/" + name;
  if (!platform::PathExists(first)) return first;
  size_t dot = name.rfind('.');
  if (dot == 0 || dot == std::string::npos) dot = name.size();
  std::string stem = name.substr(0, dot);
  std::string ext = name.substr(dot);
  for (long n = 2;; ++n) {
    std::string candidate = folder + "/" + stem + "~" + std::to_string(n) + ext;
    if (!platform::PathExists(candidate)) return candidate;
  }
}

std::string Absolute(const std::string& path) {
  std::filesystem::path p(path);
  if (p.is_relative()) p = std::filesystem::path(platform::CurrentDirectory()) / p;
  std::string text = p.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

bool IsWithin(const std::string& inner, const std::string& outer) {
  return inner == outer ||
         (inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
          (outer == "/" || inner[outer.size()] == '/'));
}

}  // namespace

// A spool folder holding the SW folder would have the RIP take its own log and job
// files; one inside processed would take every ripped file again, for ever. Judged on
// the path texts, made absolute: enough for the mistakes a command line invites.
std::string SpoolFolderConflict(const std::string& spool, const std::string& swFolder) {
  std::string s = Absolute(platform::ToOsPath(spool));
  std::string sw = Absolute(platform::ToOsPath(swFolder));
  if (IsWithin(sw, s)) return "holds the SW folder";
  for (const char* inner : {"/Config", "/tmp", "/processed"}) {
    if (IsWithin(s, sw + inner)) return std::string("lies in the SW folder's ") + (inner + 1);
  }
  return {};
}

namespace {

const char* OutcomeText(int outcome) {
  static const char* const kTexts[] = {"completed", "completed with warning", "failed",
                                       "not completed (RIP shut down)"};
  return kTexts[outcome];
}

}  // namespace

Simulator::Simulator(Options options, ControlWait wait, std::FILE* console, std::FILE* errors)
    : options_(std::move(options)),
      wait_(std::move(wait)),
      console_(options_.quiet ? nullptr : console),
      errors_(errors),
      log_(WithoutTrailingSlashes(options_.swFolder) + "/Logfile", options_.crlf) {
  options_.swFolder = WithoutTrailingSlashes(options_.swFolder);
  for (auto& s : options_.spoolFolders) s = WithoutTrailingSlashes(s);
  const std::string& sw = options_.swFolder;
  inUsePath_ = sw + "/Config/inUse";
  tmpFolder_ = sw + "/tmp";
  progressPath_ = tmpFolder_ + "/job.prg";
  currentJobPath_ = tmpFolder_ + "/current.job";
  processedFolder_ = sw + "/processed";
  inputOpen_ = !options_.paused;
  spoolListable_.assign(options_.spoolFolders.size(), true);
}

int Simulator::Run() {
  if (!SetUp()) return 1;
  long jobs = 0;
  while (!stopRequested_) {
    KeepInUseHeld();
    if (newLogPending_) StartNewLog();
    if (inputOpen_) {
      if (std::optional<SpoolFile> file = TakeNextFile()) {
        ++jobs;
        Outcome outcome = Rip(*file, jobs);
        Say("job %ld %s: %s", jobs, file->name.c_str(), OutcomeText(static_cast<int>(outcome)));
        if (options_.maxJobs > 0 && jobs >= options_.maxJobs) break;
        // Straight on to the next file; controls were answered while ripping.
        WaitAnswering(0);
        continue;
      }
    }
    WaitAnswering(options_.pollMs);
  }
  ShutDown();
  Say("stopped after %ld job%s", jobs, jobs == 1 ? "" : "s");
  return 0;
}

bool Simulator::SetUp() {
  const std::string& sw = options_.swFolder;
  for (const std::string& spool : options_.spoolFolders) {
    if (std::string why = SpoolFolderConflict(spool, sw); !why.empty()) {
      Complain("the spool folder %s %s", spool.c_str(), why.c_str());
      return false;
    }
  }
  for (const std::string& folder : {sw, sw + "/Config", tmpFolder_}) {
    if (!platform::CreateFolder(folder)) {
      Complain("cannot create the folder %s", folder.c_str());
      return false;
    }
  }
  if (!options_.deleteTaken && !platform::CreateFolder(processedFolder_)) {
    Complain("cannot create the folder %s", processedFolder_.c_str());
    return false;
  }
  if (platform::IsFileInUse(inUsePath_)) {
    Complain("%s is held open by another program: a RIP already runs on this SW folder",
             inUsePath_.c_str());
    return false;
  }
  if (!inUse_.Open(inUsePath_)) {
    Complain("cannot create or open %s", inUsePath_.c_str());
    return false;
  }
  for (const std::string& spool : options_.spoolFolders) {
    if (!platform::IsEnterableDirectory(spool)) platform::CreateFolder(spool);
  }
  // A job file left by a RIP that ended without its shutdown would show a stale job.
  platform::DeleteFile(currentJobPath_);

  std::vector<std::string> first = {lines::Banner(platform::HostName(), platform::ProcessId()),
                                    lines::SerialNumber(),
                                    inputOpen_ ? lines::InputOpen() : lines::InputClosed()};
  bool written = true;
  if (options_.newLog) {
    written = log_.StartNew(first);
  } else {
    for (const auto& line : first) written = written && log_.Append(line);
  }
  if (!written) {
    Complain("cannot write the log %s", log_.path().c_str());
    inUse_.Close();
    return false;
  }
  Say("running as process %d; SW folder %s, %zu spool folder%s, input %s", platform::ProcessId(),
      sw.c_str(), options_.spoolFolders.size(), options_.spoolFolders.size() == 1 ? "" : "s",
      inputOpen_ ? "open" : "stopped");
  Say("SIGUSR1 stops the input, SIGUSR2 resumes it, SIGHUP starts a new log, "
      "SIGINT/SIGTERM end");
  return true;
}

void Simulator::ShutDown() {
  WriteLine(lines::ShuttingDown());
  // The inUse file stays, closed, as a RIP that has stopped leaves it: whoever tests
  // it finds it unheld and may delete it.
  inUse_.Close();
}

std::optional<SpoolFile> Simulator::TakeNextFile() {
  SpoolListing listing = ListSpoolFolders(options_.spoolFolders);
  for (size_t i = 0; i < listing.listable.size(); ++i) {
    if (listing.listable[i] != spoolListable_[i]) {
      if (listing.listable[i]) {
        Say("spool folder %s is back", options_.spoolFolders[i].c_str());
      } else {
        Complain("spool folder %s cannot be listed; watching for it",
                 options_.spoolFolders[i].c_str());
      }
      spoolListable_[i] = listing.listable[i];
    }
  }
  for (const SpoolFile& file : listing.files) {
    if (!platform::IsRegularFile(file.path)) continue;
    // Still being written (or read) by someone: it is taken once they let go of it.
    if (platform::IsFileInUse(file.path)) continue;
    if (MoveOut(file)) return file;
  }
  return std::nullopt;
}

bool Simulator::MoveOut(const SpoolFile& file) {
  bool ok;
  if (options_.deleteTaken) {
    ok = platform::DeleteFile(file.path);
  } else {
    platform::CreateFolder(processedFolder_);
    ok = platform::MoveFileReplace(file.path, UniqueTarget(processedFolder_, file.name));
  }
  if (ok) {
    refusedFiles_.erase(file.path);
    return true;
  }
  // Gone meanwhile (someone else took it) is no fault; one that stays is reported once
  // and tried again at every listing.
  if (platform::PathExists(file.path) && refusedFiles_.insert(file.path).second) {
    Complain("cannot take %s out of its spool folder; it stays there", file.path.c_str());
  }
  return false;
}

Simulator::Outcome Simulator::Rip(const SpoolFile& file, long sequence) {
  const bool warn = options_.warnEvery > 0 && sequence % options_.warnEvery == 0;
  const bool fail = options_.failEvery > 0 && sequence % options_.failEvery == 0;
  const std::string& jobName = file.name;

  // The job files first: whoever reads the setup-loaded line finds them already there.
  WriteFileNoting(currentJobPath_, jobName);
  WriteFileNoting(progressPath_, "(0)");
  WriteLine(lines::SetupLoaded(options_.setup));
  WriteLine(lines::StartingJob(lines::JobTimeText(platform::NowLocal())));
  if (options_.networkPath.empty()) {
    WriteLine(lines::RippingFile(file.path, false));
  } else {
    std::string below = file.relative;
    std::replace(below.begin(), below.end(), '/', '\\');
    WriteLine(lines::RippingFile(options_.networkPath + "\\" + below, true));
  }
  Say("job %ld %s: ripping %s", sequence, jobName.c_str(), file.path.c_str());

  const long ms = options_.ripMs;
  for (int step = 1; step <= 4; ++step) {
    if (!WaitAnswering(ms * step / 4 - ms * (step - 1) / 4)) {
      WriteLine(lines::ErrorInterrupted());
      WriteLine(lines::JobNotCompleted(jobName));
      platform::DeleteFile(currentJobPath_);
      return Outcome::Interrupted;
    }
    WriteFileNoting(progressPath_, "(" + std::to_string(step * 25) + ")");
    if (step == 2 && warn) WriteLine(lines::Warning());
  }
  WriteLine(lines::PageDone());
  if (fail) {
    WriteLine(lines::Error());
    WriteLine(lines::JobNotCompleted(jobName));
  } else {
    WriteLine(lines::JobCompleted(jobName));
  }
  // job.prg stays: the monitor deletes it once it sees no job open.
  platform::DeleteFile(currentJobPath_);
  return fail ? Outcome::Failed : warn ? Outcome::Warned : Outcome::Completed;
}

bool Simulator::WaitAnswering(long ms) {
  const uint64_t end = platform::MonotonicNanoseconds() + static_cast<uint64_t>(ms) * 1000000u;
  for (;;) {
    uint64_t now = platform::MonotonicNanoseconds();
    long left = now >= end ? 0 : static_cast<long>((end - now + 999999u) / 1000000u);
    Answer(wait_(left));
    if (stopRequested_) return false;
    if (platform::MonotonicNanoseconds() >= end) return true;
  }
}

void Simulator::Answer(Control c) {
  switch (c) {
    case Control::Stop:
      stopRequested_ = true;
      break;
    case Control::PauseInput:
      SetInputOpen(false);
      break;
    case Control::ResumeInput:
      SetInputOpen(true);
      break;
    case Control::NewLog:
      // Applied between jobs, so that no job has its first lines in one log and its
      // last in the other.
      newLogPending_ = true;
      break;
    case Control::None:
      break;
  }
}

void Simulator::SetInputOpen(bool open) {
  if (open == inputOpen_) return;
  inputOpen_ = open;
  WriteLine(open ? lines::InputOpen() : lines::InputClosed());
  Say("input %s", open ? "resumed" : "stopped");
}

void Simulator::StartNewLog() {
  newLogPending_ = false;
  std::vector<std::string> first = {lines::NewLogStarted(), lines::SerialNumber(),
                                    inputOpen_ ? lines::InputOpen() : lines::InputClosed()};
  if (log_.StartNew(first)) {
    Say("new log started; the previous one is %s", log_.oldPath().c_str());
  } else {
    Complain("cannot start a new log %s", log_.path().c_str());
  }
}

void Simulator::KeepInUseHeld() {
  if (inUse_.IsInPlace()) return;
  // Someone removed or replaced the file we hold: hold the one under the name again,
  // or the in-use test would find this RIP not running.
  bool held = inUse_.Open(inUsePath_);
  if (held) {
    Complain("%s had been removed; it is held again", inUsePath_.c_str());
  } else if (!inUseFailing_) {
    Complain("cannot hold %s; trying again", inUsePath_.c_str());
  }
  inUseFailing_ = !held;
}

void Simulator::WriteLine(const std::string& line) {
  bool ok = log_.Append(line);
  if (!ok && !logFailing_) {
    Complain("cannot write the log %s; lines are lost until it can", log_.path().c_str());
  }
  logFailing_ = !ok;
}

void Simulator::WriteFileNoting(const std::string& path, const std::string& text) {
  if (platform::CreateOrReplace(path, text)) return;
  // The tmp folder may have been removed under us; one more try after making it.
  platform::CreateFolder(tmpFolder_);
  if (!platform::CreateOrReplace(path, text)) Complain("cannot write %s", path.c_str());
}

void Simulator::Say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Print(console_, format, args);
  va_end(args);
}

void Simulator::Complain(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Print(errors_, format, args);
  va_end(args);
}

void Simulator::Print(std::FILE* to, const char* format, va_list args) {
  if (to == nullptr) return;
  platform::LocalTime t = platform::NowLocal();
  std::fprintf(to, "[%.2d:%.2d:%.2d.%.3d] %s: ", t.hour, t.minute, t.second, t.millisecond,
               options_.name.c_str());
  std::vfprintf(to, format, args);
  std::fputc('\n', to);
  std::fflush(to);
}

}  // namespace vellora::ripsim
