// What the scanner needs from the production database and from the PDF rewriting.
// The scanner only calls these interfaces; the database and the PDF work fill them
// in, and the engine's unconnected ports stand in where nothing is configured.
#pragma once

#include <string>

namespace vellora::intake {

class ScannerDatabase {
 public:
  virtual ~ScannerDatabase() = default;
  virtual void Disconnect() = 0;
  // Connects the main database manager; true when connected, else false with the
  // connection's error text.
  virtual bool Connect(const std::string& dsn, const std::string& user, const std::string& password,
                       std::string& error) = 0;
  virtual bool Connected() const = 0;
  // After a connection: the name caches, the second manager, each RIP's process.
  virtual void ReloadNameCaches() = 0;
  virtual void ConnectSecond(const std::string& dsn, const std::string& user,
                             const std::string& password) = 0;
  // The RIP's process number (0 when not registered).
  virtual int RegisterRip(const std::string& ripName) = 0;
  // The production lookup of a job: 0 unknown, 1 colour page, 2 monochrome page.
  virtual int LookupJob(const std::string& fileName, int spooler, int updateStatus,
                        int& separationSet, std::string& publicationText, int& priority) = 0;
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
