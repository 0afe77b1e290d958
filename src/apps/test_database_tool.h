// vellora-headless --test-database: what the database setup's "Test.." does, for
// administrators setting up a data source on a server without a window.
#pragma once

#include <cstdio>
#include <string>

namespace vellora::apps {

// Reads Vellora.ini of the program folder and connects a fresh database manager to
// the main data source (DSN, DSNuser, DSNpw) or, with backup, the backup one (DSN2,
// DSNuser2, DSNpw2), keep-connection 1. Prints "Connection OK" to out and returns
// 0, or prints the error text (password shown as ***) to err and returns 1. The
// connection is closed again at once.
int RunTestDatabase(const std::string& programFolder, bool backup, FILE* out, FILE* err);

}  // namespace vellora::apps
