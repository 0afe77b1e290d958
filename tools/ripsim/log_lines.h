// The texts of the lines ripsim appends to its Logfile. The readers of the log (the
// RIP monitors of the balancer and the log-watcher daemon) look for their keywords
// anywhere in a line, the daemon case-sensitively: "Setup loaded: ", "Starting Job On ",
// "Ripping file ", "Warning:", "Error:", "Job Completed: ", "Job Not Completed: ", and,
// for the input state, "PUBLISHING", "STOPPING" and "Serial number". Every other text
// here is kept free of those words (in any case), so that no line says more than it
// means.
#pragma once

#include <string>
#include <string_view>

#include "platform/clock.h"

namespace vellora::ripsim::lines {

std::string Banner(std::string_view host, int pid);
std::string SerialNumber();
std::string InputOpen();    // holds "PUBLISHING"
std::string InputClosed();  // holds "STOPPING"
std::string NewLogStarted();
std::string ShuttingDown();

std::string SetupLoaded(std::string_view setup);
// The time text of a job start, like "Mon Jan 31 10:15:02 2005".
std::string JobTimeText(const platform::LocalTime& t);
std::string StartingJob(std::string_view timeText);
// path: what names the file; withOptions appends the job's rendering options, as a
// RIP does when it names the file by its network path.
std::string RippingFile(std::string_view path, bool withOptions);
std::string Warning();
std::string PageDone();
std::string Error();
std::string ErrorInterrupted();
std::string JobCompleted(std::string_view jobName);
std::string JobNotCompleted(std::string_view jobName);

}  // namespace vellora::ripsim::lines
