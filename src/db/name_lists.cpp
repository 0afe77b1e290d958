// The name lists and the lookups over them.
#include "db/name_lists.h"

#include <cctype>

#include "db/database_mgr.h"

namespace vellora::db {

namespace {

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

template <typename Record, typename Name, typename Id>
int FindId(const std::vector<Record>& list, const std::string& name, Name nameOf, Id idOf) {
  for (const Record& r : list) {
    if (SameName(nameOf(r), name)) return idOf(r);
  }
  return 0;
}

}  // namespace

NameLists::NameLists() : current_(std::make_shared<const NameListsData>()) {}

std::shared_ptr<const NameListsData> NameLists::Get() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return current_;
}

void NameLists::Publish(NameListsData data) {
  auto next = std::make_shared<const NameListsData>(std::move(data));
  std::lock_guard<std::mutex> lock(mutex_);
  current_ = std::move(next);
}

NameLookup::NameLookup(std::shared_ptr<const NameListsData> lists, DatabaseMgr* nameDb,
                       bool noNameCache)
    : lists_(lists ? std::move(lists) : std::make_shared<const NameListsData>()),
      nameDb_(nameDb),
      noNameCache_(noNameCache && nameDb != nullptr) {}

int NameLookup::Checked(int id, const std::string& error) const {
  if (!error.empty()) nameDbFailed_ = true;
  return id;
}

int NameLookup::PublicationIdByName(const std::string& name) const {
  if (noNameCache_) {
    std::string error;
    return Checked(nameDb_->PublicationIdByNameDb(name, error), error);
  }
  return FindId(
      lists_->publications, name,
      [](const PublicationRecord& r) -> const std::string& { return r.Name; },
      [](const PublicationRecord& r) { return r.PublicationID; });
}

int NameLookup::SectionIdByName(const std::string& name) const {
  if (noNameCache_) {
    std::string error;
    return Checked(nameDb_->SectionIdByNameDb(name, error), error);
  }
  return FindId(
      lists_->sections, name, [](const IdNameRecord& r) -> const std::string& { return r.name; },
      [](const IdNameRecord& r) { return r.id; });
}

int NameLookup::EditionIdByName(const std::string& name) const {
  if (noNameCache_) {
    std::string error;
    return Checked(nameDb_->EditionIdByNameDb(name, error), error);
  }
  return FindId(
      lists_->editions, name, [](const EditionRecord& r) -> const std::string& { return r.name; },
      [](const EditionRecord& r) { return r.id; });
}

int NameLookup::ColorIdByName(const std::string& name) const {
  return FindId(
      lists_->colors, name, [](const ColorRecord& r) -> const std::string& { return r.ColorName; },
      [](const ColorRecord& r) { return r.ColorID; });
}

std::string NameLookup::ColorNameById(int id) const {
  for (const ColorRecord& r : lists_->colors) {
    if (r.ColorID == id) return r.ColorName;
  }
  return {};
}

}  // namespace vellora::db
