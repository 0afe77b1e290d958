// The ports with nothing behind them.
#include "engine/unconnected.h"

namespace vellora::engine {

int NoDatabase::LookupJob(const std::string&, int, int, int& separationSet,
                          std::string& publicationText, int&) {
  // Never asked while not connected; should it be, the job counts as found without
  // identification rather than as unknown, so that nothing is held or deleted.
  separationSet = 0;
  publicationText.clear();
  return 1;
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
