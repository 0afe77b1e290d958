// The ports with nothing behind them.
#include "engine/unconnected.h"

namespace vellora::engine {

identify::LookupResult NoDatabase::LookupJob(const std::string&, int, int, int priority) {
  // Never asked while not connected; should it be, nothing was asked, so nothing is
  // held or deleted.
  identify::LookupResult none;
  none.priority = priority;
  none.databaseReached = false;
  return none;
}

std::string NoDatabase::PageFormat(int, double& width, double& height, double& bleed,
                                   std::string& error) {
  width = height = bleed = 0;
  error.clear();
  return {};
}

bool NoPdfRewriter::Scale(const std::string&, double, double, std::string& error) {
  error = "PDF scaling is not available in this build";
  return false;
}

bool NoPdfRewriter::Trim(const std::string&, double, double, std::string& error) {
  error = "PDF trimming is not available in this build";
  return false;
}

void NoOperatorMail::SendTestMail(const TestMail&, TestMailDone done) {
  if (done) done(false, "No mail is connected in this program");
}

ServerSwitchResult NoDatabaseControl::SwitchServer(bool backup, core::Runtime& rt) {
  // The choice is the operator's all the same, as with a server that cannot be
  // reached: the threads would follow it.
  rt.settings.Update([backup](core::SettingsStore& s) { s.UseBackup = backup ? 1 : 0; });
  return {false, "", "No production database is connected in this program"};
}

}  // namespace vellora::engine
