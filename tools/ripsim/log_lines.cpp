// The line texts of ripsim's log; the keyword of each line comes first so that its
// spelling can be checked at a glance.
#include "log_lines.h"

#include <cstdio>

namespace vellora::ripsim::lines {

std::string Banner(std::string_view host, int pid) {
  return "RIP simulator ripsim started on " + std::string(host) + ", process " +
         std::to_string(pid);
}

std::string SerialNumber() {
  return "Serial number: SIM-4711-0001, 1 device licensed";
}
std::string InputOpen() {
  return "PUBLISHING: input queue open, jobs are accepted";
}
std::string InputClosed() {
  return "STOPPING: input queue paused, jobs are held";
}
std::string NewLogStarted() {
  return "New log started; the previous log is Logfile.old";
}
std::string ShuttingDown() {
  return "RIP shutting down";
}

std::string SetupLoaded(std::string_view setup) {
  return "Setup loaded: " + std::string(setup);
}

std::string JobTimeText(const platform::LocalTime& t) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s %s %.2d %.2d:%.2d:%.2d %d", kDays[(t.weekday % 7 + 7) % 7],
                kMonths[((t.month - 1) % 12 + 12) % 12], t.day, t.hour, t.minute, t.second, t.year);
  return buf;
}

std::string StartingJob(std::string_view timeText) {
  return "Starting Job On " + std::string(timeText);
}

std::string RippingFile(std::string_view path, bool withOptions) {
  std::string line = "Ripping file " + std::string(path);
  // No slash or backslash in the options: a reader takes the file name after the
  // last one of them.
  if (withOptions) line += " (Copies 1, Resolution 1270 dpi, Screening AM 150 lpi)";
  return line;
}

std::string Warning() {
  return "Warning: Font Univers-CondensedBold not found, Courier substituted";
}
std::string PageDone() {
  return "Page 1 done: 4 separations at 1270 dpi";
}
std::string Error() {
  return "Error: undefined; OffendingCommand: setpagedevicex";
}
std::string ErrorInterrupted() {
  return "Error: Job aborted, the RIP was shut down";
}

std::string JobCompleted(std::string_view jobName) {
  return "Job Completed: " + std::string(jobName);
}
std::string JobNotCompleted(std::string_view jobName) {
  return "Job Not Completed: " + std::string(jobName);
}

}  // namespace vellora::ripsim::lines
