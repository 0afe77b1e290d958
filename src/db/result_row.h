// One row of a result as the statements read it: every column fetched as text, a
// NULL column as the empty text, and atoi/atof on top. Reading a column the result
// does not have gives the empty text too, so a table with fewer columns than the
// statement expects reads as zeros instead of failing.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "db/sql_text.h"

namespace vellora::db {

class ResultRow {
 public:
  explicit ResultRow(std::vector<std::optional<std::string>> columns)
      : columns_(std::move(columns)) {}

  size_t Columns() const { return columns_.size(); }
  bool IsNull(size_t i) const { return i >= columns_.size() || !columns_[i].has_value(); }
  const std::string& Text(size_t i) const {
    static const std::string kEmpty;
    return IsNull(i) ? kEmpty : *columns_[i];
  }
  int Int(size_t i) const { return TextToInt(Text(i)); }
  double Double(size_t i) const { return TextToDouble(Text(i)); }

 private:
  std::vector<std::optional<std::string>> columns_;
};

}  // namespace vellora::db
