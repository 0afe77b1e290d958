// The six name lists of the production database, loaded at each connection of the
// main database manager and read by every thread that looks a page up, and the
// name-to-id lookups over them (or, with NoNameCache, over the name manager).
//
// Readers take an immutable snapshot; a load builds new lists and publishes them at
// once, so a lookup never sees a list half filled.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vellora::db {

class DatabaseMgr;

struct ColorRecord {
  int ColorID = 0;
  std::string ColorName;
  int c = 0, m = 0, y = 0, k = 0;
  int ColorOrder = 0;
};

struct PublicationRecord {
  int PublicationID = 0;
  std::string Name;
  int PageFormatID = 0;
  int TrimToFormat = 0;
  double LatestHour = 0;
  int DefaultProofID = 0;
  int DefaultHardProofID = 0;
  int DefaultApprove = 0;
};

// Sections and issues.
struct IdNameRecord {
  int id = 0;
  std::string name;
};

struct EditionRecord {
  int id = 0;
  std::string name;
  int value3 = 0;  // the table's third and fourth columns
  int value4 = 0;
};

struct PageFormatRecord {
  int PageFormatID = 0;
  std::string PageFormatName;
  double Width = 0;
  double Height = 0;
  double Bleed = 0;
};

struct NameListsData {
  std::vector<ColorRecord> colors;
  std::vector<PublicationRecord> publications;
  std::vector<IdNameRecord> sections;
  std::vector<IdNameRecord> issues;
  std::vector<EditionRecord> editions;
  std::vector<PageFormatRecord> pageFormats;
};

// The program's lists (one object, shared by all managers).
class NameLists {
 public:
  NameLists();
  std::shared_ptr<const NameListsData> Get() const;
  void Publish(NameListsData data);

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<const NameListsData> current_;
};

// The name lookups of one job query, on one snapshot of the lists. With noNameCache
// set, publications, sections and editions are asked of nameDb instead (its error
// text discarded; without a nameDb the lists serve); colours always come from the
// list. Names compare without regard
// to case; a name that is not there gives id 0 (and an id that is not there an
// empty colour name). A name manager that cannot answer gives id 0 as well, which
// matches no page: NameDbFailed says so afterwards, for a caller that must tell a page
// not in the plan from a question that could not be asked. One lookup serves one
// thread.
class NameLookup {
 public:
  NameLookup(std::shared_ptr<const NameListsData> lists, DatabaseMgr* nameDb, bool noNameCache);

  int PublicationIdByName(const std::string& name) const;
  int SectionIdByName(const std::string& name) const;
  int EditionIdByName(const std::string& name) const;
  int ColorIdByName(const std::string& name) const;
  std::string ColorNameById(int id) const;

  // Whether a question to the name manager has failed since this lookup was made.
  bool NameDbFailed() const { return nameDbFailed_; }

 private:
  int Checked(int id, const std::string& error) const;

  std::shared_ptr<const NameListsData> lists_;
  DatabaseMgr* nameDb_;
  bool noNameCache_;
  mutable bool nameDbFailed_ = false;
};

}  // namespace vellora::db
