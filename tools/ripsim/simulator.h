// The simulated RIP itself: holds Config/inUse, takes files out of the spool folders,
// rips them for a while and writes the log, progress and current-job files a RIP
// writes. One thread; it sleeps only in the control wait it is given, so every
// run-time control is answered while idle and while ripping.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "options.h"
#include "platform/held_file.h"
#include "rip_log.h"
#include "spool_watch.h"

namespace vellora::ripsim {

enum class Control { None, Stop, PauseInput, ResumeInput, NewLog };

// Waits up to the given milliseconds for a control; None when the time passed.
using ControlWait = std::function<Control(long timeoutMs)>;

// Empty when the spool folder may be watched beside this SW folder, else why not.
std::string SpoolFolderConflict(const std::string& spool, const std::string& swFolder);

class Simulator {
 public:
  // console: progress lines (nullptr or --quiet: none); errors go to errors.
  Simulator(Options options, ControlWait wait, std::FILE* console, std::FILE* errors);

  // Runs until a stop control or --max-jobs; returns the exit status.
  int Run();

 private:
  enum class Outcome { Completed, Warned, Failed, Interrupted };

  bool SetUp();
  void ShutDown();
  // Takes the first file of a fresh listing that is complete and can be taken.
  std::optional<SpoolFile> TakeNextFile();
  bool MoveOut(const SpoolFile& file);
  Outcome Rip(const SpoolFile& file, long sequence);
  // Waits ms while answering controls; false once a stop was asked for.
  bool WaitAnswering(long ms);
  void Answer(Control c);
  void SetInputOpen(bool open);
  void StartNewLog();
  void KeepInUseHeld();
  void WriteLine(const std::string& line);
  void WriteFileNoting(const std::string& path, const std::string& text);
  void Say(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void Complain(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // One console line: local time, the RIP's name, the text.
  void Print(std::FILE* to, const char* format, va_list args);

  Options options_;
  ControlWait wait_;
  std::FILE* console_;
  std::FILE* errors_;

  std::string inUsePath_, tmpFolder_, progressPath_, currentJobPath_, processedFolder_;
  RipLog log_;
  platform::HeldFile inUse_;

  bool stopRequested_ = false;
  bool inputOpen_ = true;
  bool newLogPending_ = false;
  bool logFailing_ = false;
  std::vector<bool> spoolListable_;
  bool inUseFailing_ = false;
  std::set<std::string> refusedFiles_;  // files whose move failed, reported once
};

}  // namespace vellora::ripsim
