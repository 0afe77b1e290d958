// What the window shows, as the engine keeps it: every lamp, caption, bar, status
// text, the error state and every list row, as typed values. Engine::Snapshot()
// returns one, so that a window that opens or redraws late shows the truth.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/display.h"
#include "core/rip_id.h"
#include "core/settings.h"

namespace vellora::engine {

struct RipPanelView {
  std::string title;  // the RIP's name, or "Not used"
  bool controlsEnabled = false;
  // Indexed by core::RipLamp: status, running, input, job.
  std::array<core::Lamp, 4> lamps{core::Lamp::Grey, core::Lamp::Grey, core::Lamp::Grey,
                                  core::Lamp::Grey};
  bool switchOn = false;
  bool switchEnabled = false;
  std::string statusText;
  int progressLower = 0;
  int progressUpper = 100;
  int progressPosition = 0;
  std::string queueCaption = "Queued: 0";
  int queueUpper = 1;
  int queuePosition = 0;

  core::Lamp Lamp(core::RipLamp which) const { return lamps[static_cast<size_t>(which)]; }
};

// The part of the view the engine records from its Display calls (everything but the
// list rows, which the subsystems that own them hand out).
struct PanelsView {
  bool windowInitialised = false;
  bool laidOut = false;
  std::string scannerCaption = "Idle..";
  int scannerBar = 0;
  core::Lamp scannerLamp = core::Lamp::Dark;
  std::vector<core::InputFolderItem> inputFolders;
  // One per input folder: the icon the scanner last showed for it.
  std::vector<core::SpoolerIcon> spoolerIcons;
  core::Lamp errorLamp = core::Lamp::Green;
  std::string errorText = "No errors..";
  bool errorShown = false;  // the text is drawn as an error (white on red)
  std::array<RipPanelView, core::kRipCount> rips;
  int selectedWaitingRow = -1;
  // The last settings save an operator command asked for.
  bool lastSaveOk = true;
  std::string lastSaveError;
  bool stopped = false;
};

// The run-time side of a RIP, as numbers.
struct RipRunView {
  bool tracking = false;
  bool inputOpen = false;
  int waitingCount = 0;
  int processId = 0;
};

struct View : PanelsView {
  std::vector<core::WaitingRow> waiting;
  std::vector<core::QueuedRow> queued;
  std::array<std::vector<core::RipJobRow>, core::kRipCount> finished;
  std::array<RipRunView, core::kRipCount> run;
  int errorFlag = 0;
};

}  // namespace vellora::engine
