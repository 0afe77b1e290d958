// Parsing of ripsim's command line.
#include "options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace vellora::ripsim {

const char kUsage[] =
    "usage: ripsim --sw FOLDER --spool FOLDER [--spool FOLDER ...] [options]\n"
    "\n"
    "A simulated RIP. While it runs it holds FOLDER/Config/inUse open, takes every\n"
    "complete file out of its spool folders (subfolders included; hidden files and\n"
    "files another program still holds open are left alone), \"rips\" each for a\n"
    "while and appends the lines a RIP writes to FOLDER/Logfile. While a job is\n"
    "ripped, FOLDER/tmp/job.prg holds its progress as \"(NN)\" and\n"
    "FOLDER/tmp/current.job its name. Ripped files are kept in FOLDER/processed\n"
    "(a second file of the same name as NAME~2.EXT, and so on). When it ends it\n"
    "leaves Config/inUse in place, closed, as a stopped RIP does.\n"
    "\n"
    "  --sw FOLDER          the RIP's SW folder (created when missing, with Config,\n"
    "                       tmp and processed in it)\n"
    "  --spool FOLDER       a spool folder to watch; repeat for more (created when\n"
    "                       missing at start)\n"
    "  --setup NAME         the setup named in \"Setup loaded: \" lines\n"
    "                       (default: Newsprint 40)\n"
    "  --rip-ms N           time to rip one job, in milliseconds (default: 2000)\n"
    "  --poll-ms N          how often idle spool folders are listed (default: 500)\n"
    "  --warn-every N       jobs N, 2N, 3N, ... get a \"Warning:\" line (default 0: none)\n"
    "  --fail-every N       jobs N, 2N, 3N, ... fail with an \"Error:\" line and\n"
    "                       \"Job Not Completed: \" (default 0: none)\n"
    "  --paused             start with the input stopped\n"
    "  --lf                 end log lines with LF\n"
    "  --crlf               end log lines with CR LF (the default)\n"
    "  --new-log            start a new log; the previous one is kept as Logfile.old\n"
    "  --delete             delete ripped files instead of keeping them in\n"
    "                       FOLDER/processed\n"
    "  --max-jobs N         end after N jobs (default 0: no limit)\n"
    "  --network-path TEXT  name each file in its \"Ripping file \" line as TEXT, a\n"
    "                       backslash and its path below the spool folder, followed\n"
    "                       by the job's options (for example \\\\HQRIP1\\hot)\n"
    "  --name TEXT          the RIP's name on its console lines (default: ripsim)\n"
    "  --quiet              no progress lines on standard output\n"
    "  --help               this text\n"
    "\n"
    "Jobs are numbered from 1 in the order they are taken; the files found in one\n"
    "listing are taken in the byte order of their names (then of their paths).\n"
    "\n"
    "Run-time controls (kill -SIGNAL PID; the PID is printed at start):\n"
    "  SIGUSR1          stop the input: a STOPPING line, no file is taken\n"
    "  SIGUSR2          resume the input: a PUBLISHING line\n"
    "  SIGHUP           start a new, shorter log (once the job being ripped ends);\n"
    "                   the previous log is kept as Logfile.old\n"
    "  SIGINT, SIGTERM  end; a job being ripped ends as not completed\n"
    "\n"
    "A spool folder may not hold the SW folder, nor lie in its Config, tmp or\n"
    "processed folder.\n"
    "\n"
    "Exit status: 0 after a clean end, 1 when the SW folder cannot be set up,\n"
    "another RIP holds its Config/inUse or a spool folder is not allowed, 2 for a\n"
    "bad command line.\n";

namespace {

bool ParseCount(const std::string& text, long maxValue, long& out) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < 0 || v > maxValue) return false;
  out = v;
  return true;
}

}  // namespace

bool ParseOptions(int argc, const char* const* argv, Options& o, std::string& error) {
  constexpr long kDayMs = 24L * 3600 * 1000;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    bool inlineValue = false;
    if (size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      inlineValue = true;
    }
    auto take = [&]() {
      if (inlineValue) return true;
      if (i + 1 >= argc) {
        error = "option " + arg + " needs a value";
        return false;
      }
      value = argv[++i];
      return true;
    };
    auto count = [&](long maxValue, long minValue, long& out) {
      if (!take()) return false;
      if (!ParseCount(value, maxValue, out) || out < minValue) {
        error = "option " + arg + ": '" + value + "' is not a number from " +
                std::to_string(minValue) + " to " + std::to_string(maxValue);
        return false;
      }
      return true;
    };
    auto flag = [&](bool& out) {
      if (inlineValue) {
        error = "option " + arg + " takes no value";
        return false;
      }
      out = true;
      return true;
    };
    bool ok = true;
    bool lf = false;
    if (arg == "--help" || arg == "-h") {
      ok = flag(o.help);
    } else if (arg == "--sw") {
      ok = take();
      o.swFolder = value;
    } else if (arg == "--spool") {
      ok = take();
      if (ok) o.spoolFolders.push_back(value);
    } else if (arg == "--setup") {
      ok = take();
      o.setup = value;
    } else if (arg == "--rip-ms") {
      ok = count(kDayMs, 0, o.ripMs);
    } else if (arg == "--poll-ms") {
      ok = count(kDayMs, 1, o.pollMs);
    } else if (arg == "--warn-every") {
      ok = count(LONG_MAX, 0, o.warnEvery);
    } else if (arg == "--fail-every") {
      ok = count(LONG_MAX, 0, o.failEvery);
    } else if (arg == "--max-jobs") {
      ok = count(LONG_MAX, 0, o.maxJobs);
    } else if (arg == "--paused") {
      ok = flag(o.paused);
    } else if (arg == "--lf") {
      ok = flag(lf);
      o.crlf = false;
    } else if (arg == "--crlf") {
      ok = flag(o.crlf);
    } else if (arg == "--new-log") {
      ok = flag(o.newLog);
    } else if (arg == "--delete") {
      ok = flag(o.deleteTaken);
    } else if (arg == "--network-path") {
      ok = take();
      o.networkPath = value;
    } else if (arg == "--name") {
      ok = take();
      o.name = value;
    } else if (arg == "--quiet") {
      ok = flag(o.quiet);
    } else {
      error = "unknown option " + arg;
      ok = false;
    }
    if (!ok) return false;
  }
  if (o.help) return true;
  if (o.swFolder.empty()) {
    error = "no SW folder given (--sw FOLDER)";
    return false;
  }
  if (o.spoolFolders.empty()) {
    error = "no spool folder given (--spool FOLDER)";
    return false;
  }
  for (const auto& s : o.spoolFolders) {
    if (s.empty()) {
      error = "an empty spool folder name was given";
      return false;
    }
  }
  // A line break in the setup name would split the setup-loaded line in two.
  if (o.setup.find_first_of("\r\n") != std::string::npos ||
      o.networkPath.find_first_of("\r\n") != std::string::npos) {
    error = "--setup and --network-path cannot hold line breaks";
    return false;
  }
  return true;
}

}  // namespace vellora::ripsim
