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

}  // namespace vellora::engine
