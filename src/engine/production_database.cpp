// The production database behind the scanner's port.
#include "engine/production_database.h"

#include "db/server_switch.h"
#include "identify/production_lookup.h"

namespace vellora::engine {

ProductionDatabase::ProductionDatabase(core::SharedState& shared, identify::Clock clock)
    : shared_(shared), clock_(std::move(clock)), mainDb_(shared.logs), nameDb_(shared.logs) {}

void ProductionDatabase::Disconnect() {
  mainDb_.Disconnect();
  nameDb_.Disconnect();
}

bool ProductionDatabase::Connect(const std::string& dsn, const std::string& user,
                                 const std::string& password, std::string& error) {
  return mainDb_.Connect(dsn, user, password, 1, error);
}

void ProductionDatabase::ReloadNameCaches() {
  std::string error;
  LoadNames(error);
}

bool ProductionDatabase::LoadNames(std::string& error) {
  const bool loaded = mainDb_.LoadNameCaches(names_, error);
  namesLoaded_ = loaded;
  return loaded;
}

void ProductionDatabase::ConnectSecond(const std::string& dsn, const std::string& user,
                                       const std::string& password) {
  std::string error;
  nameDb_.Connect(dsn, user, password, 1, error);
}

int ProductionDatabase::RegisterRip(const std::string& ripName) {
  std::string error;
  return mainDb_.RegisterProcess(db::kRipProcessKind, ripName, ripName, 1, error);
}

identify::LookupResult ProductionDatabase::LookupJob(const std::string& fileName, int spooler,
                                                     int updateStatus, int priority) {
  auto settings = shared_.settings.Get();
  if (!namesLoaded_) {
    // The ids of the names would be missing from the query, which then finds nothing.
    shared_.logs.LogMessage(
        "Looking up job (%s): ERROR - the name lists are not loaded, job not identified\r\n",
        fileName.c_str());
    identify::LookupResult unjudged;
    unjudged.priority = priority;
    unjudged.databaseReached = false;
    return unjudged;
  }
  const identify::IdentifyContext context{*settings, shared_.logs, clock_};
  return identify::LookupJob({mainDb_, names_, &nameDb_}, fileName, spooler, updateStatus, priority,
                             context);
}

std::string ProductionDatabase::PageFormat(int separationSet, double& width, double& height,
                                           double& bleed, std::string& error) {
  return mainDb_.PageFormatOfPage(separationSet, width, height, bleed, error);
}

}  // namespace vellora::engine
