// The production database behind the scanner's port: the main manager (MainDb), the
// name manager (NameDb) and the program's name lists, with the production lookup of a
// job on them. The RIP-side adapters and the setup dialogs reach the same managers
// through MainDb(), NameDb() and Names().
//
// A lookup is answered only on name lists that were loaded in full at the last
// connection: lists left empty or half filled by a failed load would find no page for
// a page that is in the plan, and the scanner would take it for unknown.
#pragma once

#include <atomic>
#include <string>

#include "core/runtime.h"
#include "db/database_mgr.h"
#include "db/name_lists.h"
#include "identify/identify_context.h"
#include "intake/scanner_services.h"

namespace vellora::engine {

class ProductionDatabase final : public intake::ScannerDatabase {
 public:
  // clock: the "today" of the lookups' dates (the lookup tool fixes it).
  explicit ProductionDatabase(core::SharedState& shared,
                              identify::Clock clock = identify::SystemClock());

  // Both managers: the name manager follows the main one to whichever server the
  // next connection takes.
  void Disconnect() override;
  // MainDb with keep-connection 1; a connected manager keeps its connection.
  bool Connect(const std::string& dsn, const std::string& user, const std::string& password,
               std::string& error) override;
  bool Connected() const override { return mainDb_.Connected(); }
  // The result is kept for the lookups (NamesLoaded).
  void ReloadNameCaches() override;
  // The same, with the reason of a failure.
  bool LoadNames(std::string& error);
  // NameDb, keep-connection 1.
  void ConnectSecond(const std::string& dsn, const std::string& user,
                     const std::string& password) override;
  // The RIP as a process of kind 10 on MainDb: its process id, -1 or 0 on failure.
  int RegisterRip(const std::string& ripName) override;
  identify::LookupResult LookupJob(const std::string& fileName, int spooler, int updateStatus,
                                   int priority) override;
  std::string PageFormat(int separationSet, double& width, double& height, double& bleed,
                         std::string& error) override;

  db::DatabaseMgr& MainDb() { return mainDb_; }
  db::DatabaseMgr& NameDb() { return nameDb_; }
  db::NameLists& Names() { return names_; }
  // Whether the last load of the name lists went through.
  bool NamesLoaded() const { return namesLoaded_.load(); }

 private:
  core::SharedState& shared_;
  identify::Clock clock_;
  db::NameLists names_;
  db::DatabaseMgr mainDb_;
  db::DatabaseMgr nameDb_;
  std::atomic<bool> namesLoaded_{false};
};

}  // namespace vellora::engine
