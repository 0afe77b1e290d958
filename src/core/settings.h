// The settings store: every setting of Vellora.ini, loaded once at start and written
// back when a setup is accepted. Field names are the key names without their index.
//
// Threads never share a mutable store: readers take an immutable snapshot from the
// SettingsHandle for one operation or one pass, a writer copies, changes and
// publishes under one mutex.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vellora::core {

constexpr int kRipCount = 4;
constexpr int kMaxSpoolers = 100;

// Configuration side of one RIP (keys "RIP%dswPath" and so on).
struct RipSlot {
  std::string RIPswPath;
  std::string RIPName;
  int UseRIP = 0;
  int RIPUseCurrentUser = 1;
  std::string RIPUserName = "Administrator";
  std::string RIPPassword;
  std::string FlowDriveJobPath;
};

// One input setup (keys "InputSpool%d" and so on, plus the per-RIP entries).
struct Spooler {
  std::string InputSpool;
  int InputSpoolUseCurrentUser = 1;
  std::string InputSpoolUserName = "Administrator";
  std::string InputSpoolPassword;
  int Enable = 0;
  int Priority = 1;
  std::string SetupName;
  std::string NameConv;
  std::string DefaultPublication;
  std::string DefaultEdition;
  std::string DefaultSection;
  int DatabaseTemplate = 0;
  std::string DefaultGroup;
  std::string DefaultIssue;
  std::string DateFormat;
  std::string Separators = "_-,";
  int UseDatabase = 0;
  int UseRegex = 0;
  std::array<std::string, 4> MatchExpression;  // pairs 1 to 4
  std::array<std::string, 4> FormatExpression;
  std::string DefaultPageFormat;
  int DeleteUnknownJobs = 0;
  int HoldUnknownJobs = 0;
  int RunCommand = 0;
  std::string CommandFile = "0";
  std::string PdfArchive = "0";
  int ArchivePdf = 0;
  int ArchivePdfPerPublication = 0;
  int PdfMaxAge = 0;
  int TrimPdf = 0;
  int ScalePdf = 0;
  // Indexed by RIP (0 to 3).
  std::array<std::string, kRipCount> RipSpool;
  std::array<int, kRipCount> MonoFolder{};
  std::array<std::string, kRipCount> RipSpoolMono;
};

// Spooler m's defaults (m counted from 1, as in the keys).
Spooler DefaultSpooler(int m);
// RIP n's defaults (n counted from 1).
RipSlot DefaultRipSlot(int n);

struct SettingsStore {
  // Table A, section Setup.
  int AllowScaling = 0;
  int AllowCropping = 0;
  int NoNameCache = 0;
  int NumberOfSpoolers = 0;
  int Logging = 0;
  int DBerrorLogging = 1;
  int FlowDrive = 0;
  std::string FlowDriveMask = "*.Q";
  int PollTime = 5;
  int AllowRemoteControl = 0;
  int MaxLogFileReadSize = 1000000;
  int DayOfWeek = 0;
  int OrderByDatabasePriority = 0;
  int MaxOutstandingJobs = 1;
  int MaxRipDoneList = 100;
  int IgnoreLockCheck = 0;
  int BeepOnError = 1;
  int StopOnError = 0;
  int StableTime = 1;
  int ForceOpenInputs = 1;
  std::string DSNuser = "sa";
  std::string DSNpw;
  std::string DSN = "HV";
  std::string DSNuser2 = "sa";
  std::string DSNpw2;
  std::string DSN2 = "HVBU";
  std::string NotificationServer;
  int NotificationPort = 6032;
  int UseBackup = 0;
  int KeepConnection = 1;
  int Version2 = 0;
  int DatabaseType = 0;
  int AssumeRunning = 1;
  int UpdateStatus = 0;
  int StatusValue = 10;
  int StatusValue2 = 0;
  int StatusValue3 = 0;
  int StatusValue4 = 0;
  int UnixPathSeparator = 0;
  int DisableFileSort = 0;
  std::string InputRoot = "f:\\";
  std::string ReconnectCommandFile;
  int StayOnTop = 0;
  int RipUpdateStatus = 0;
  int RipStatusValue = 3;
  int RipStatusValueError = 4;
  int RipLogError = 0;
  int RipLogWarning = 0;
  int RipLogSuccess = 0;
  int RipEventSuccess = 120;
  int RipEventError = 126;
  int RipEventWarning = 127;
  std::string RipQueueIgnoreMask = "*.txt";
  std::string InputQueueIgnoreMask = "*.tmp";
  int DateFormat = 2;
  int PartialMatch = 1;

  // Table E, mail.
  std::string MailServer;
  std::string MailFrom;
  std::string MailTo;
  std::string MailCC;
  std::string MailSubject = "Ostrel error notification mail";
  int MailOnDbError = 0;
  int MailOnRipError = 0;
  int MailOnRipWarning = 0;
  int MailOnNetworkError = 0;
  int MailPreventFlooding = 1;
  int MailFloodingTime = 10;

  // Table F, section Window.
  int Top = -1;
  int Bottom = -1;
  int Left = -1;
  int Right = -1;

  std::array<RipSlot, kRipCount> Rips;
  // Always kMaxSpoolers records; the first NumberOfSpoolers are in use.
  std::vector<Spooler> Spoolers;

  SettingsStore();
};

// The site's fixed choices for defaults that name hosts and addresses.
extern const char kDefaultRipHostPrefix[];  // "RIP%dswPath" is \\<prefix><n>\sw
extern const char kDefaultMailFrom[];

// The snapshot-and-publish holder of the process's settings.
class SettingsHandle {
 public:
  SettingsHandle();
  std::shared_ptr<const SettingsStore> Get() const;
  void Publish(SettingsStore store);
  // Copies the current store, lets the caller change the copy and publishes it, all
  // under one mutex, so concurrent writers never lose each other's changes.
  void Update(const std::function<void(SettingsStore&)>& change);

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<const SettingsStore> current_;
};

}  // namespace vellora::core
