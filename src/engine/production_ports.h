// The parts the programs run the engine on at a site: the production database of DSN
// (none when DSN is empty), the RIP side on it, the operator mail on a thread of its
// own and the database control (server switch, remote control). Declared before the
// engine, they outlive it.
#pragma once

#include "core/runtime.h"
#include "engine/mail_worker.h"
#include "engine/production_database.h"
#include "engine/production_database_control.h"
#include "engine/production_rip_services.h"
#include "notify/notifier.h"
#include "platform/pacing.h"

namespace vellora::engine {

struct ProductionPorts {
  ProductionPorts(core::SharedState& shared, platform::Pacer& pacer)
      : database(shared),
        notifier(shared.settings, pacer),
        mail(notifier),
        rip(shared, database.MainDb(), mail,
            ProductionRipLookup(shared, database.Names(), &database.NameDb())),
        control(database.MainDb()) {}
  ProductionPorts(const ProductionPorts&) = delete;
  ProductionPorts& operator=(const ProductionPorts&) = delete;

  ProductionDatabase database;
  notify::Notifier notifier;
  MailWorker mail;
  ProductionRipServices rip;
  ProductionDatabaseControl control;
};

}  // namespace vellora::engine
