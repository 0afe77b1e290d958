// The load and save procedures of Vellora.ini, key by key in their fixed orders.
#include "core/settings_io.h"

#include <climits>
#include <cstdio>

#include "platform/paths.h"
#include "platform/profile_file.h"

namespace vellora::core {
namespace {

constexpr char kSetup[] = "Setup";
constexpr char kWindow[] = "Window";
constexpr size_t kTextLimit = 255;
constexpr size_t kMailTextLimit = 260;

std::string Key(const char* fmt, int a, int b = 0) {
  char buf[96];
  std::snprintf(buf, sizeof buf, fmt, a, b);
  return buf;
}

class Reader {
 public:
  explicit Reader(const platform::ProfileFile& file) : file_(file) {}

  void Int(const std::string& key, int& field, const char* section = kSetup) {
    if (auto v = file_.Find(section, key)) field = AtoiValue(*v);
  }
  void Text(const std::string& key, std::string& field, size_t limit = kTextLimit,
            const char* section = kSetup) {
    if (auto v = file_.Find(section, key)) field = v->substr(0, limit);
  }

 private:
  const platform::ProfileFile& file_;
};

std::string Flag(int v) {
  return v != 0 ? "1" : "0";
}
std::string Num(int v) {
  return std::to_string(v);
}

}  // namespace

int AtoiValue(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

std::string IniPathFor(std::string_view programFolder) {
  return std::string(programFolder) + "\\Vellora.ini";
}

SettingsStore LoadSettings(std::string_view iniPath, std::vector<std::string>* warnings) {
  platform::ProfileFile file;
  file.Load(iniPath);
  // A missing file is the quiet start of a new site; a file that is there but cannot
  // be used would otherwise leave the site on defaults without a word.
  if (!file.problem().empty() && warnings != nullptr) {
    warnings->push_back("WARNING: cannot use the settings file " + platform::ToOsPath(iniPath) +
                        ": " + file.problem() + "; starting on the default settings\r\n");
  }
  return LoadSettings(file, warnings);
}

SettingsStore LoadSettings(const platform::ProfileFile& file, std::vector<std::string>* warnings) {
  Reader r(file);
  SettingsStore s;

  r.Int("AllowScaling", s.AllowScaling);
  r.Int("AllowCropping", s.AllowCropping);
  r.Int("NoNameCache", s.NoNameCache);
  r.Int("NumberOfSpoolers", s.NumberOfSpoolers);
  if (s.NumberOfSpoolers < 0 || s.NumberOfSpoolers > kMaxSpoolers) {
    int clamped = s.NumberOfSpoolers < 0 ? 0 : kMaxSpoolers;
    if (warnings != nullptr) {
      warnings->push_back("WARNING: NumberOfSpoolers " + std::to_string(s.NumberOfSpoolers) +
                          " is outside 0 to " + std::to_string(kMaxSpoolers) + "; using " +
                          std::to_string(clamped) + "\r\n");
    }
    s.NumberOfSpoolers = clamped;
  }
  r.Int("Logging", s.Logging);
  r.Int("DBerrorLogging", s.DBerrorLogging);
  r.Int("FlowDrive", s.FlowDrive);
  r.Text("FlowDriveMask", s.FlowDriveMask);
  r.Int("PollTime", s.PollTime);
  r.Int("AllowRemoteControl", s.AllowRemoteControl);
  r.Int("MaxLogFileReadSize", s.MaxLogFileReadSize);
  r.Int("DayOfWeek", s.DayOfWeek);
  r.Int("OrderByDatabasePriority", s.OrderByDatabasePriority);

  for (int n = 1; n <= kRipCount; ++n) {
    RipSlot& rip = s.Rips[n - 1];
    r.Text(Key("RIP%dswPath", n), rip.RIPswPath);
    r.Text(Key("RIP%dName", n), rip.RIPName);
    r.Int(Key("UseRIP%d", n), rip.UseRIP);
    r.Int(Key("RIP%dUseCurrentUser", n), rip.RIPUseCurrentUser);
    r.Text(Key("RIP%dUserName", n), rip.RIPUserName);
    r.Text(Key("RIP%dPassword", n), rip.RIPPassword);
    r.Text(Key("FlowDrive%dJobPath", n), rip.FlowDriveJobPath);
  }

  for (int m = 1; m <= s.NumberOfSpoolers; ++m) {
    Spooler& sp = s.Spoolers[m - 1];
    r.Text(Key("InputSpool%d", m), sp.InputSpool);
    r.Int(Key("InputSpoolUseCurrentUser%d", m), sp.InputSpoolUseCurrentUser);
    r.Text(Key("InputSpoolUserName%d", m), sp.InputSpoolUserName);
    r.Text(Key("InputSpoolPassword%d", m), sp.InputSpoolPassword);
    for (int n = 1; n <= kRipCount; ++n) {
      r.Text(Key("RIP%dSpool%d", n, m), sp.RipSpool[n - 1]);
      r.Int(Key("MonoFolder%d_%d", n, m), sp.MonoFolder[n - 1]);
      r.Text(Key("RIP%dSpoolMono%d", n, m), sp.RipSpoolMono[n - 1]);
    }
    r.Int(Key("Enable%d", m), sp.Enable);
    r.Int(Key("Priority%d", m), sp.Priority);
    r.Text(Key("SetupName%d", m), sp.SetupName);
    r.Text(Key("NameConv%d", m), sp.NameConv);
    r.Text(Key("DefaultPublication%d", m), sp.DefaultPublication);
    r.Text(Key("DefaultEdition%d", m), sp.DefaultEdition);
    r.Text(Key("DefaultSection%d", m), sp.DefaultSection);
    r.Int(Key("DatabaseTemplate%d", m), sp.DatabaseTemplate);
    r.Text(Key("DefaultGroup%d", m), sp.DefaultGroup);
    r.Text(Key("DefaultIssue%d", m), sp.DefaultIssue);
    r.Text(Key("DateFormat%d", m), sp.DateFormat);
    r.Text(Key("Separators%d", m), sp.Separators);
    r.Int(Key("UseDatabase%d", m), sp.UseDatabase);
    r.Int(Key("UseRegex%d", m), sp.UseRegex);
    r.Text(Key("MatchExpression%d", m), sp.MatchExpression[0]);
    r.Text(Key("FormatExpression%d", m), sp.FormatExpression[0]);
    for (int k = 2; k <= 4; ++k) {
      r.Text(Key("MatchExpression%d_%d", k, m), sp.MatchExpression[k - 1]);
      r.Text(Key("FormatExpression%d_%d", k, m), sp.FormatExpression[k - 1]);
    }
    r.Text(Key("DefaultPageFormat%d", m), sp.DefaultPageFormat);
    r.Int(Key("DeleteUnknownJobs%d", m), sp.DeleteUnknownJobs);
    r.Int(Key("HoldUnknownJobs%d", m), sp.HoldUnknownJobs);
    r.Int(Key("RunCommand%d", m), sp.RunCommand);
    r.Text(Key("CommandFile%d", m), sp.CommandFile);
    r.Text(Key("PdfArchive%d", m), sp.PdfArchive);
    r.Int(Key("ArchivePdf%d", m), sp.ArchivePdf);
    r.Int(Key("ArchivePdfPerPublication%d", m), sp.ArchivePdfPerPublication);
    r.Int(Key("PdfMaxAge%d", m), sp.PdfMaxAge);
    r.Int(Key("TrimPdf%d", m), sp.TrimPdf);
    r.Int(Key("ScalePdf%d", m), sp.ScalePdf);
  }

  r.Int("MaxOutstandingJobs", s.MaxOutstandingJobs);
  r.Int("MaxRipDoneList", s.MaxRipDoneList);
  r.Int("IgnoreLockCheck", s.IgnoreLockCheck);
  r.Int("BeepOnError", s.BeepOnError);
  r.Int("StopOnError", s.StopOnError);
  r.Int("StableTime", s.StableTime);
  r.Int("ForceOpenInputs", s.ForceOpenInputs);
  r.Text("DSNuser", s.DSNuser);
  r.Text("DSNpw", s.DSNpw);
  r.Text("DSN", s.DSN);
  r.Text("DSNuser2", s.DSNuser2);
  r.Text("DSNpw2", s.DSNpw2);
  r.Text("DSN2", s.DSN2);
  r.Text("NotificationServer", s.NotificationServer);
  r.Int("NotificationPort", s.NotificationPort);
  r.Int("UseBackup", s.UseBackup);
  r.Int("KeepConnection", s.KeepConnection);
  r.Int("Version2", s.Version2);
  r.Int("DatabaseType", s.DatabaseType);
  r.Int("AssumeRunning", s.AssumeRunning);
  r.Int("UpdateStatus", s.UpdateStatus);
  r.Int("StatusValue", s.StatusValue);
  r.Int("StatusValue2", s.StatusValue2);
  r.Int("StatusValue3", s.StatusValue3);
  r.Int("StatusValue4", s.StatusValue4);
  r.Int("UnixPathSeparator", s.UnixPathSeparator);
  r.Int("DisableFileSort", s.DisableFileSort);
  r.Text("InputRoot", s.InputRoot);
  r.Text("ReconnectCommandFile", s.ReconnectCommandFile);
  r.Int("StayOnTop", s.StayOnTop);
  // The alias keys are read after "RIP%dName" and share its field, so a missing
  // RipComputer key brings its default back over the name.
  for (int n = 1; n <= 3; ++n) {
    s.Rips[n - 1].RIPName = "RIP" + std::to_string(n);
    r.Text(Key("RipComputer%d", n), s.Rips[n - 1].RIPName);
  }
  r.Int("RipUpdateStatus", s.RipUpdateStatus);
  r.Int("RipStatusValue", s.RipStatusValue);
  r.Int("RipStatusValueError", s.RipStatusValueError);
  r.Int("RipLogError", s.RipLogError);
  r.Int("RipLogWarning", s.RipLogWarning);
  r.Int("RipLogSuccess", s.RipLogSuccess);
  r.Int("RipEventSuccess", s.RipEventSuccess);
  r.Int("RipEventError", s.RipEventError);
  r.Int("RipEventWarning", s.RipEventWarning);

  r.Int("Top", s.Top, kWindow);
  r.Int("Bottom", s.Bottom, kWindow);
  r.Int("Left", s.Left, kWindow);
  r.Int("Right", s.Right, kWindow);

  r.Text("MailServer", s.MailServer, kMailTextLimit);
  r.Text("MailFrom", s.MailFrom, kMailTextLimit);
  r.Text("MailTo", s.MailTo, kMailTextLimit);
  r.Text("MailCC", s.MailCC, kMailTextLimit);
  r.Text("MailSubject", s.MailSubject, kMailTextLimit);
  r.Int("MailOnDbError", s.MailOnDbError);
  r.Int("MailOnRipError", s.MailOnRipError);
  r.Int("MailOnRipWarning", s.MailOnRipWarning);
  r.Int("MailOnNetworkError", s.MailOnNetworkError);
  r.Int("MailPreventFlooding", s.MailPreventFlooding);
  r.Int("MailFloodingTime", s.MailFloodingTime);

  r.Text("RipQueueIgnoreMask", s.RipQueueIgnoreMask);
  r.Text("InputQueueIgnoreMask", s.InputQueueIgnoreMask);
  r.Int("DateFormat", s.DateFormat);
  r.Int("PartialMatch", s.PartialMatch);
  return s;
}

void VisitSavedKeys(const SettingsStore& s, const KeySink& sink) {
  auto text = [&](const std::string& key, const std::string& v) { sink(kSetup, key, v); };
  text("NumberOfSpoolers", Num(s.NumberOfSpoolers));
  text("PollTime", Num(s.PollTime));
  for (int n = 1; n <= kRipCount; ++n) {
    const RipSlot& rip = s.Rips[n - 1];
    text(Key("RIP%dswPath", n), rip.RIPswPath);
    text(Key("RIP%dName", n), rip.RIPName);
    text(Key("UseRIP%d", n), Flag(rip.UseRIP));
    text(Key("RIP%dUseCurrentUser", n), Flag(rip.RIPUseCurrentUser));
    text(Key("RIP%dUserName", n), rip.RIPUserName);
    text(Key("RIP%dPassword", n), rip.RIPPassword);
  }
  for (int m = 1; m <= s.NumberOfSpoolers && m <= kMaxSpoolers; ++m) {
    const Spooler& sp = s.Spoolers[m - 1];
    text(Key("InputSpool%d", m), sp.InputSpool);
    text(Key("InputSpoolUseCurrentUser%d", m), Flag(sp.InputSpoolUseCurrentUser));
    text(Key("InputSpoolUserName%d", m), sp.InputSpoolUserName);
    text(Key("InputSpoolPassword%d", m), sp.InputSpoolPassword);
    for (int n = 1; n <= kRipCount; ++n) {
      text(Key("RIP%dSpool%d", n, m), sp.RipSpool[n - 1]);
      text(Key("RIP%dSpoolMono%d", n, m), sp.RipSpoolMono[n - 1]);
      text(Key("MonoFolder%d_%d", n, m), Flag(sp.MonoFolder[n - 1]));
    }
    text(Key("Enable%d", m), Flag(sp.Enable));
    text(Key("Priority%d", m), Num(sp.Priority));
    text(Key("SetupName%d", m), sp.SetupName);
    text(Key("NameConv%d", m), sp.NameConv);
    text(Key("DefaultPublication%d", m), sp.DefaultPublication);
    text(Key("DefaultEdition%d", m), sp.DefaultEdition);
    text(Key("DefaultSection%d", m), sp.DefaultSection);
    text(Key("DefaultGroup%d", m), sp.DefaultGroup);
    text(Key("DefaultIssue%d", m), sp.DefaultIssue);
    text(Key("DatabaseTemplate%d", m), Flag(sp.DatabaseTemplate));
    text(Key("DateFormat%d", m), sp.DateFormat);
    text(Key("Separators%d", m), sp.Separators);
    text(Key("UseDatabase%d", m), Flag(sp.UseDatabase));
    text(Key("UseRegex%d", m), Flag(sp.UseRegex));
    text(Key("MatchExpression%d", m), sp.MatchExpression[0]);
    text(Key("FormatExpression%d", m), sp.FormatExpression[0]);
    for (int k = 2; k <= 4; ++k) {
      text(Key("MatchExpression%d_%d", k, m), sp.MatchExpression[k - 1]);
      text(Key("FormatExpression%d_%d", k, m), sp.FormatExpression[k - 1]);
    }
    text(Key("DefaultPageFormat%d", m), sp.DefaultPageFormat);
    text(Key("DeleteUnknownJobs%d", m), Flag(sp.DeleteUnknownJobs));
    text(Key("HoldUnknownJobs%d", m), Flag(sp.HoldUnknownJobs));
    text(Key("RunCommand%d", m), Flag(sp.RunCommand));
    text(Key("CommandFile%d", m), sp.CommandFile);
    text(Key("ArchivePdf%d", m), Flag(sp.ArchivePdf));
    text(Key("PdfArchive%d", m), sp.PdfArchive);
    text(Key("ArchivePdfPerPublication%d", m), Flag(sp.ArchivePdfPerPublication));
    text(Key("PdfMaxAge%d", m), Num(sp.PdfMaxAge));
    text(Key("TrimPdf%d", m), Flag(sp.TrimPdf));
    text(Key("ScalePdf%d", m), Flag(sp.ScalePdf));
  }
  text("OrderByDatabasePriority", Flag(s.OrderByDatabasePriority));
  text("MaxOutstandingJobs", Num(s.MaxOutstandingJobs));
  text("MaxRipDoneList", Num(s.MaxRipDoneList));
  text("StableTime", Num(s.StableTime));
  text("IgnoreLockCheck", Flag(s.IgnoreLockCheck));
  text("DSN", s.DSN);
  text("DSNuser", s.DSNuser);
  text("DSNpw", s.DSNpw);
  text("DSN2", s.DSN2);
  text("DSNuser2", s.DSNuser2);
  text("DSNpw2", s.DSNpw2);
  text("NotificationServer", s.NotificationServer);
  text("NotificationPort", Num(s.NotificationPort));
  text("KeepConnection", Flag(s.KeepConnection));
  text("DatabaseType", Num(s.DatabaseType));
  text("Version2", Flag(s.Version2));
  text("BeepOnError", Flag(s.BeepOnError));
  text("StopOnError", Flag(s.StopOnError));
  text("AssumeRunning", Flag(s.AssumeRunning));
  text("UpdateStatus", Flag(s.UpdateStatus));
  text("StatusValue", Num(s.StatusValue));
  text("StatusValue2", Num(s.StatusValue2));
  text("StatusValue3", Num(s.StatusValue3));
  text("StatusValue4", Num(s.StatusValue4));
  for (int n = 1; n <= 3; ++n) text(Key("RipComputer%d", n), s.Rips[n - 1].RIPName);
  text("RipUpdateStatus", Flag(s.RipUpdateStatus));
  text("RipStatusValue", Num(s.RipStatusValue));
  text("RipStatusValueError", Num(s.RipStatusValueError));
  text("RipLogError", Flag(s.RipLogError));
  text("RipLogWarning", Flag(s.RipLogWarning));
  text("RipLogSuccess", Flag(s.RipLogSuccess));
  text("RipEventSuccess", Num(s.RipEventSuccess));
  text("RipEventError", Num(s.RipEventError));
  text("RipEventWarning", Num(s.RipEventWarning));
  text("MailServer", s.MailServer);
  text("MailFrom", s.MailFrom);
  text("MailTo", s.MailTo);
  text("MailCC", s.MailCC);
  text("MailSubject", s.MailSubject);
  text("MailOnDbError", Flag(s.MailOnDbError));
  text("MailOnRipError", Flag(s.MailOnRipError));
  text("MailOnRipWarning", Flag(s.MailOnRipWarning));
  text("MailOnNetworkError", Flag(s.MailOnNetworkError));
  text("MailPreventFlooding", Flag(s.MailPreventFlooding));
  text("MailFloodingTime", Num(s.MailFloodingTime));
  text("RipQueueIgnoreMask", s.RipQueueIgnoreMask);
  text("InputQueueIgnoreMask", s.InputQueueIgnoreMask);
  text("AllowRemoteControl", Flag(s.AllowRemoteControl));
  text("ForceOpenInputs", Flag(s.ForceOpenInputs));
  text("MaxLogFileReadSize", Num(s.MaxLogFileReadSize));
}

void VisitUnsavedKeys(const SettingsStore& s, const KeySink& sink) {
  auto text = [&](const std::string& key, const std::string& v) { sink(kSetup, key, v); };
  text("AllowScaling", Flag(s.AllowScaling));
  text("AllowCropping", Flag(s.AllowCropping));
  text("NoNameCache", Flag(s.NoNameCache));
  text("Logging", Flag(s.Logging));
  text("DBerrorLogging", Flag(s.DBerrorLogging));
  text("FlowDrive", Flag(s.FlowDrive));
  text("FlowDriveMask", s.FlowDriveMask);
  text("DayOfWeek", Num(s.DayOfWeek));
  for (int n = 1; n <= kRipCount; ++n) {
    text(Key("FlowDrive%dJobPath", n), s.Rips[n - 1].FlowDriveJobPath);
  }
  text("UseBackup", Flag(s.UseBackup));
  text("UnixPathSeparator", Flag(s.UnixPathSeparator));
  text("DisableFileSort", Flag(s.DisableFileSort));
  text("InputRoot", s.InputRoot);
  text("ReconnectCommandFile", s.ReconnectCommandFile);
  text("StayOnTop", Flag(s.StayOnTop));
  text("DateFormat", Num(s.DateFormat));
  text("PartialMatch", Flag(s.PartialMatch));
}

void VisitWindowKeys(const SettingsStore& s, const KeySink& sink) {
  sink(kWindow, "Left", Num(s.Left));
  sink(kWindow, "Right", Num(s.Right));
  sink(kWindow, "Top", Num(s.Top));
  sink(kWindow, "Bottom", Num(s.Bottom));
}

namespace {
bool WriteKeys(std::string_view iniPath, const std::function<void(const KeySink&)>& visit,
               std::string* error) {
  platform::ProfileFile file;
  file.Load(iniPath);
  visit([&](const char* section, const std::string& key, const std::string& value) {
    file.SetString(section, key, value);
  });
  // Refused when the file was there but could not be read: see ProfileFile::Save.
  return file.Save(iniPath, error);
}
}  // namespace

bool SaveSettings(std::string_view iniPath, const SettingsStore& store, std::string* error) {
  return WriteKeys(
      iniPath, [&](const KeySink& sink) { VisitSavedKeys(store, sink); }, error);
}

bool SaveWindowPosition(std::string_view iniPath, const SettingsStore& store, std::string* error) {
  return WriteKeys(
      iniPath, [&](const KeySink& sink) { VisitWindowKeys(store, sink); }, error);
}

std::string FormatEffectiveSettings(const SettingsStore& store) {
  std::string out = "[Setup]\n";
  auto line = [&out](const char*, const std::string& key, const std::string& value) {
    out += key + "=" + value + "\n";
  };
  VisitSavedKeys(store, line);
  out += "; read at start, never written by the program:\n";
  VisitUnsavedKeys(store, line);
  out += "[Window]\n";
  VisitWindowKeys(store, line);
  return out;
}

}  // namespace vellora::core
