// The window under load: 30,000 waiting rows (100 input folders of 300 files each;
// the RIPs are full, so nothing is delivered and every pass lists, queues and shows
// the same 30,000 files again) and four RIP lists of 100 finished jobs (each RIP's log
// holds 100 jobs, which its monitor reports at start), with the scanner rebuilding the
// queue on every pass. A plain program; it prints its figures:
//
// - the GUI thread's longest stall per pass: the longest gap between two ticks of a
//   1 ms timer on the GUI thread (the time it could not paint or take input), per
//   scanner pass, for the pass that brings the 30,000 rows and the passes after it;
// - the longest batch of engine calls the GUI thread carried out at once;
// - the memory of the window process (this one, built as vellora is) and of the
//   vellora and vellora-headless programs run on the same site.
//
//   bench_window [PASSES] [TIME_SCALE]      (defaults 8 and 0.02)
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "engine/engine.h"
#include "engine/unconnected.h"
#include "ui/dialog_opener.h"
#include "ui/main_window.h"
#include "ui/qt_display.h"
#include "ui/rip_panel.h"
#include "ui/row_models.h"
#include "ui/window_display.h"
#include "bench_support.h"

extern char** environ;

namespace {

using vellora::bench::Median;

namespace fs = std::filesystem;
using namespace vellora;
using Clock = std::chrono::steady_clock;

constexpr int kSpoolers = 100;
constexpr int kFilesEach = 300;
constexpr int kFinishedEach = 100;
const char* const kPassEnd = "All RIPs occupied";

// Forwards every call to the window's display and says when a scanner pass has ended
// (its last caption reached the GUI thread).
class PassTap final : public ui::GuiDisplay {
 public:
  explicit PassTap(ui::GuiDisplay& next) : next_(next) {}
  std::function<void()> onPassEnd;

  void BatchDelivered() override { next_.BatchDelivered(); }
  void InitWindow() override { next_.InitWindow(); }
  void Redraw() override { next_.Redraw(); }
  void LayoutWindow() override { next_.LayoutWindow(); }
  void SetScannerCaption(const std::string& c) override {
    next_.SetScannerCaption(c);
    if (c == kPassEnd && onPassEnd) onPassEnd();
  }
  void SetScannerBar(int p) override { next_.SetScannerBar(p); }
  void SetScannerLamp(core::Lamp l) override { next_.SetScannerLamp(l); }
  void FillInputFolders(const std::vector<core::InputFolderItem>& i) override {
    next_.FillInputFolders(i);
  }
  void SetSpoolerIcon(int s, core::SpoolerIcon i) override { next_.SetSpoolerIcon(s, i); }
  void SetErrorLamp(core::Lamp l) override { next_.SetErrorLamp(l); }
  void SetErrorText(const std::string& t, bool e) override { next_.SetErrorText(t, e); }
  void Beep(int f, int ms) override { next_.Beep(f, ms); }
  void SetRipTitle(core::RipIndex r, const std::string& t) override { next_.SetRipTitle(r, t); }
  void SetRipControlsEnabled(core::RipIndex r, bool e) override {
    next_.SetRipControlsEnabled(r, e);
  }
  void SetRipLamp(core::RipIndex r, core::RipLamp w, core::Lamp l) override {
    next_.SetRipLamp(r, w, l);
  }
  void SetRipSwitch(core::RipIndex r, bool on, bool en) override { next_.SetRipSwitch(r, on, en); }
  void SetRipStatusText(core::RipIndex r, const std::string& t) override {
    next_.SetRipStatusText(r, t);
  }
  void SetRipProgress(core::RipIndex r, int lo, int hi, int pos) override {
    next_.SetRipProgress(r, lo, hi, pos);
  }
  void SetRipQueueBar(core::RipIndex r, const std::string& c, int hi, int pos) override {
    next_.SetRipQueueBar(r, c, hi, pos);
  }
  void WaitingRowInserted(int i, const core::WaitingRow& row) override {
    next_.WaitingRowInserted(i, row);
  }
  void WaitingRowRemoved(int i, const core::WaitingRow& row) override {
    next_.WaitingRowRemoved(i, row);
  }
  void WaitingRowSelected(int i) override { next_.WaitingRowSelected(i); }
  void QueuedRowAdded(int i, const core::QueuedRow& row) override { next_.QueuedRowAdded(i, row); }
  void QueuedRowRemoved(int i, const core::QueuedRow& row) override {
    next_.QueuedRowRemoved(i, row);
  }
  void RipJobRowAdded(core::RipIndex r, int i, const core::RipJobRow& row) override {
    next_.RipJobRowAdded(r, i, row);
  }
  void RipJobRowRemoved(core::RipIndex r, int i) override { next_.RipJobRowRemoved(r, i); }
  void SettingsSaved(bool ok, const std::string& e) override { next_.SettingsSaved(ok, e); }
  void DatabaseTested(bool ok, const std::string& t) override { next_.DatabaseTested(ok, t); }
  void ServerSwitched(bool c, const std::string& st, const std::string& m) override {
    next_.ServerSwitched(c, st, m);
  }
  void TestMailSent(bool ok, const std::string& e) override { next_.TestMailSent(ok, e); }
  void EngineStopped() override { next_.EngineStopped(); }

 private:
  ui::GuiDisplay& next_;
};

std::string RipDir(const fs::path& site, int r) {
  return (site / ("rip" + std::to_string(r))).string();
}

// The site: Vellora.ini, 100 input folders of 300 files, four RIPs with a file
// waiting in each spool folder and 100 finished jobs in each log.
void MakeSite(const fs::path& site) {
  std::ostringstream ini;
  ini << "[Setup]\r\nLogging=1\r\nDSN=\r\nStableTime=0\r\nMaxOutstandingJobs=1\r\n"
      << "MaxRipDoneList=100\r\nNumberOfSpoolers=" << kSpoolers << "\r\n";
  for (int r = 1; r <= 4; ++r) {
    ini << "UseRIP" << r << "=1\r\nRIP" << r << "Name=Plate " << r << "\r\nRipComputer" << r
        << "=Plate " << r << "\r\nRIP" << r << "swPath=" << RipDir(site, r) << "/SW\r\n";
    fs::create_directories(RipDir(site, r) + "/SW");
    fs::create_directories(RipDir(site, r) + "/spool");
    std::ofstream(RipDir(site, r) + "/spool/BUSY.PS") << "%!PS\n";
    std::ofstream log(RipDir(site, r) + "/SW/Logfile", std::ios::binary);
    for (int j = 1; j <= kFinishedEach; ++j) {
      const std::string name = "PAGE-" + std::to_string(r) + "-" + std::to_string(j) + ".PS";
      log << "Setup loaded: Newsprint 4" << r << "\r\nStarting Job On Wed Dec 09 10:15:02 2026\r\n"
          << "Ripping file " << RipDir(site, r) << "/spool/" << name << "\r\n";
      if (j % 7 == 0)
        log << "Warning: Font Univers-CondensedBold not found, Courier substituted\r\n";
      log << "Page 1 done: 4 separations at 1270 dpi\r\n";
      if (j % 11 == 0) {
        log << "Error: undefined; OffendingCommand: setpagedevicex\r\nJob Not Completed: " << name
            << "\r\n";
      } else {
        log << "Job Completed: " << name << "\r\n";
      }
    }
  }
  for (int m = 1; m <= kSpoolers; ++m) {
    const fs::path in = site / ("in" + std::to_string(m));
    fs::create_directories(in);
    for (int k = 0; k < kFilesEach; ++k) {
      std::ofstream((in / ("S" + std::to_string(m) + "-" + std::to_string(k) + ".PS")).string())
          << "%!PS\n";
    }
    ini << "Enable" << m << "=1\r\nSetupName" << m << "=Setup " << m << "\r\nInputSpool" << m << "="
        << in.string() << "\r\n";
    for (int r = 1; r <= 4; ++r)
      ini << "RIP" << r << "Spool" << m << "=" << RipDir(site, r) << "/spool\r\n";
  }
  std::ofstream((site / "Vellora.ini").string(), std::ios::binary) << ini.str();
}

// Starting a new run on the site: the monitors report the 100 jobs of each log again.
void ForgetLogPositions(const fs::path& site) {
  for (int r = 1; r <= 4; ++r) fs::remove(site / ("LogFilePointer" + std::to_string(r)));
}

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (char** e = environ; *e != nullptr; ++e) envp.push_back(*e);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    std::fprintf(stderr, "cannot start %s\n", argv[0]);
    std::exit(1);
  }
  return pid;
}

// VmRSS and VmHWM of a process, in MB.
std::pair<double, double> Memory(pid_t pid) {
  std::ifstream status("/proc/" + (pid == 0 ? std::string("self") : std::to_string(pid)) +
                       "/status");
  double rss = 0, hwm = 0;
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) rss = std::atof(line.c_str() + 6) / 1024.0;
    if (line.rfind("VmHWM:", 0) == 0) hwm = std::atof(line.c_str() + 6) / 1024.0;
  }
  return {rss, hwm};
}

// Runs a program on the site for the time given and takes its memory at the end.
std::pair<double, double> RunProgram(const std::string& program, const fs::path& site,
                                     double seconds, const std::string& scale) {
  ForgetLogPositions(site);
  pid_t pid = Spawn({program, "--dir", site.string()},
                    {"QT_QPA_PLATFORM=offscreen", "VELLORA_TIME_SCALE=" + scale});
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  auto mem = Memory(pid);
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  return mem;
}

}  // namespace

int main(int argc, char** argv) {
  const int passesWanted = argc > 1 ? std::atoi(argv[1]) : 8;
  const std::string scale = argc > 2 ? argv[2] : "0.02";
  if (passesWanted < 1 || std::atof(scale.c_str()) <= 0) {
    std::fprintf(stderr, "usage: bench_window [PASSES] [TIME_SCALE]\n");
    return 2;
  }
  const fs::path site = fs::temp_directory_path() / ("window-bench-" + std::to_string(getpid()));
  MakeSite(site);
  // The build folder: this program lies in its bench/ folder.
  const std::string build = fs::canonical("/proc/self/exe").parent_path().parent_path().string();
  const std::string ripsim = build + "/tools/ripsim/ripsim";
  std::vector<pid_t> rips;
  for (int r = 1; r <= 4; ++r) {
    rips.push_back(Spawn({ripsim, "--sw", RipDir(site, r) + "/SW", "--spool",
                          RipDir(site, r) + "/spool", "--paused", "--quiet"},
                         {}));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(500));

  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::vector<double> stallPerPass;  // ms, the pass that fills the list first
  double fillSeconds = 0;
  int finishedRows = 0;
  {
    platform::Pacer pacer(std::atof(scale.c_str()));
    ui::NoDialogs dialogs;
    ui::MainWindow window(dialogs);
    auto* windowDisplay = new ui::WindowDisplay(window);
    PassTap tap(*windowDisplay);
    ui::QtDisplay display(tap);
    engine::Unconnected nothing;
    core::SharedState shared;
    ForgetLogPositions(site);
    engine::Engine engine(
        {nothing.database, nothing.pdf, nothing.rip, display, pacer, shared, site.string()});
    window.SetEngine(&engine);
    window.show();

    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0, worst = 0;
    bool filled = false;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      const qint64 now = clock.nsecsElapsed();
      if (lastTick != 0) worst = std::max(worst, now - lastTick);
      lastTick = now;
    });
    tap.onPassEnd = [&] {
      if (!filled && window.WaitingJobs().rowCount() + window.WaitingJobs().Pending() < 30000) {
        worst = 0;  // passes before the first full listing
        return;
      }
      if (!filled) {
        filled = true;
        fillSeconds = clock.nsecsElapsed() / 1e9;
      }
      stallPerPass.push_back(worst / 1e6);
      worst = 0;
      if (static_cast<int>(stallPerPass.size()) >= passesWanted + 1) app.quit();
    };
    ticker.start(1);
    engine.Start();
    QTimer::singleShot(600000, &app, &QApplication::quit);  // a bound, should it hang
    app.exec();
    for (core::RipIndex i : core::AllRips()) finishedRows += window.Panel(i).Jobs().rowCount();
    const auto [rss, hwm] = Memory(0);
    std::printf(
        "window process (in this bench): %d waiting rows, %d finished rows in the four "
        "RIP lists; VmRSS %.1f MB, VmHWM %.1f MB\n",
        window.WaitingJobs().rowCount(), finishedRows, rss, hwm);
    std::printf("longest batch of engine calls on the GUI thread: %.1f ms (%ld batches)\n",
                display.LongestBatchMs(), display.Batches());
    engine.RequestStop();
    engine.WaitUntilStopped();
  }
  if (stallPerPass.empty()) {
    std::printf("no full pass seen\n");
  } else {
    std::printf("30,000 rows shown %.1f s after the start (time scale %s)\n", fillSeconds,
                scale.c_str());
    std::printf("GUI thread's longest stall, pass that brought the 30,000 rows: %.1f ms\n",
                stallPerPass[0]);
    std::vector<double> later(stallPerPass.begin() + 1, stallPerPass.end());
    std::printf(
        "GUI thread's longest stall per pass, %zu passes after it: median %.1f ms, "
        "worst %.1f ms (each:",
        later.size(), Median(later),
        later.empty() ? 0.0 : *std::max_element(later.begin(), later.end()));
    for (double s : later) std::printf(" %.1f", s);
    std::printf(")\n");
  }

  // The programs themselves on the same site, long enough for the rows and a few passes.
  const double seconds = std::max(10.0, fillSeconds * 2 + 5);
  const auto window = RunProgram(build + "/src/apps/vellora", site, seconds, scale);
  const auto headless = RunProgram(build + "/src/apps/vellora-headless", site, seconds, scale);
  std::printf(
      "after %.0f s on the site: vellora (offscreen) VmRSS %.1f MB, VmHWM %.1f MB; "
      "vellora-headless VmRSS %.1f MB, VmHWM %.1f MB\n",
      seconds, window.first, window.second, headless.first, headless.second);

  for (pid_t pid : rips) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  fs::remove_all(site);
  return 0;
}
