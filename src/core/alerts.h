// The operators' alerts about the program's surroundings: a folder (a RIP's SW folder,
// an input folder) that can no longer be reached, a production database that can no
// longer be connected, and their return. Whoever watches such a source says so at
// each look, failing or working; the alerts mail only the change into failure, with
// the error text as the body, under the mail settings and the flood windows.
//
// A call only records or queues: it never waits for a mail server, so the scanner
// and the RIP monitors can call it on their own threads at every pass.
#pragma once

#include <string>

namespace vellora::core {

class Alerts {
 public:
  virtual ~Alerts() = default;
  // source names what failed (a folder's path, a data source name); errorText is the
  // text the error state shows ("Unable to access Input folder ...").
  virtual void NetworkFailed(const std::string& source, const std::string& errorText) = 0;
  virtual void NetworkRestored(const std::string& source) = 0;
  virtual void DatabaseFailed(const std::string& source, const std::string& errorText) = 0;
  virtual void DatabaseRestored(const std::string& source) = 0;
};

// Raises nothing: for programs and tests that mail nobody.
class NullAlerts final : public Alerts {
 public:
  void NetworkFailed(const std::string&, const std::string&) override {}
  void NetworkRestored(const std::string&) override {}
  void DatabaseFailed(const std::string&, const std::string&) override {}
  void DatabaseRestored(const std::string&) override {}
};

}  // namespace vellora::core
