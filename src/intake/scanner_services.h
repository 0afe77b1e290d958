// What the scanner needs from the production database and from the PDF rewriting.
// The scanner only calls these interfaces; the database and the PDF work fill them
// in, and the engine's unconnected ports stand in where nothing is configured.
#pragma once

#include <string>

#include "identify/lookup_result.h"

namespace vellora::intake {

class ScannerDatabase {
 public:
  virtual ~ScannerDatabase() = default;
  // Disconnects the main database manager, and the second one with it.
  virtual void Disconnect() = 0;
  // Connects the main database manager; true when connected, else the reason.
  virtual bool Connect(const std::string& dsn, const std::string& user, const std::string& password,
                       std::string& error) = 0;
  virtual bool Connected() const = 0;
  // After a connection: the name caches, the second manager, each RIP's process.
  virtual void ReloadNameCaches() = 0;
  virtual void ConnectSecond(const std::string& dsn, const std::string& user,
                             const std::string& password) = 0;
  // The RIP's process number (0 when not registered).
  virtual int RegisterRip(const std::string& ripName) = 0;
  // The production lookup of a job on the main manager, with updateStatus as the
  // status argument and priority as the priority a page not found keeps. A result
  // whose databaseReached is false judged nothing.
  virtual identify::LookupResult LookupJob(const std::string& fileName, int spooler,
                                           int updateStatus, int priority) = 0;
  // The page-format name of a separation set (folder-safe), with its size in mm.
  virtual std::string PageFormat(int separationSet, double& width, double& height, double& bleed,
                                 std::string& error) = 0;
};

class PdfRewriter {
 public:
  virtual ~PdfRewriter() = default;
  // Each rewrites the file in place to the size in mm; false with the reason.
  virtual bool Scale(const std::string& path, double width, double height, std::string& error) = 0;
  virtual bool Trim(const std::string& path, double width, double height, std::string& error) = 0;
};

}  // namespace vellora::intake
