// The rows of the three kinds of report list as Qt models: the waiting jobs (the
// input queue), the queued jobs (files in the RIP spool folders) and each RIP's
// finished jobs. Each model mirrors the engine's rows by applying the engine's row
// changes in the order it reported them; the views draw only the rows on screen.
//
// Rows appended one after the other (the scanner's first pass over 30,000 files
// appends as many) are collected and shown in one insertion when the batch of
// changes ends (Flush()), so the views lay out once per batch, not once per row.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>
#include <array>
#include <vector>

#include "core/display.h"

namespace vellora::ui {

class Pictures;

template <class Row>
class RowsModel : public QAbstractTableModel {
 public:
  explicit RowsModel(QStringList headers, QObject* parent = nullptr)
      : QAbstractTableModel(parent), headers_(std::move(headers)) {}

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(headers_.size());
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || section >= headers_.size()) return {};
    return headers_[section];
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    return Cell(rows_[static_cast<size_t>(index.row())], index.column(), role);
  }

  // The row inserted at index of the engine's rows (after every earlier change).
  void Insert(int index, const Row& row) {
    const int end = static_cast<int>(rows_.size() + pending_.size());
    if (!pending_.empty() && index == end) {
      pending_.push_back(row);
      return;
    }
    Flush();
    const int size = static_cast<int>(rows_.size());
    if (index >= size) {
      // An append: collected until the batch ends. (An index beyond the end cannot
      // come from the engine; it is taken as an append.)
      pending_.push_back(row);
      return;
    }
    if (index < 0) index = 0;
    beginInsertRows({}, index, index);
    rows_.insert(rows_.begin() + index, row);
    endInsertRows();
  }

  // The row removed at index. When the row there is not the one the engine removed
  // (which would mean the mirror went wrong), the first such row goes instead.
  void Remove(int index, const Row* expected = nullptr) {
    Flush();
    const int size = static_cast<int>(rows_.size());
    if (expected != nullptr &&
        (index < 0 || index >= size || !Same(rows_[static_cast<size_t>(index)], *expected))) {
      index = -1;
      for (int i = 0; i < size; ++i) {
        if (Same(rows_[static_cast<size_t>(i)], *expected)) {
          index = i;
          break;
        }
      }
    }
    if (index < 0 || index >= size) return;
    beginRemoveRows({}, index, index);
    rows_.erase(rows_.begin() + index);
    endRemoveRows();
  }

  // Shows the appended rows collected so far.
  void Flush() {
    if (pending_.empty()) return;
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(pending_.size()) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(pending_.begin()),
                 std::make_move_iterator(pending_.end()));
    pending_.clear();
    endInsertRows();
  }

  const std::vector<Row>& Rows() const { return rows_; }
  int Pending() const { return static_cast<int>(pending_.size()); }

 protected:
  virtual QVariant Cell(const Row& row, int column, int role) const = 0;
  // Whether two rows are the same row of the engine's list.
  virtual bool Same(const Row& a, const Row& b) const { return a == b; }

 private:
  QStringList headers_;
  std::vector<Row> rows_;
  std::vector<Row> pending_;
};

// "Time", "Job", "Setup", "ID" ("%.3d"), "Prio" ("%d").
class WaitingJobsModel final : public RowsModel<core::WaitingRow> {
 public:
  explicit WaitingJobsModel(QObject* parent = nullptr);

 protected:
  QVariant Cell(const core::WaitingRow& row, int column, int role) const override;
};

// "RIP" ("%d"), "Job", "Time", "Path", "ref".
class QueuedJobsModel final : public RowsModel<core::QueuedRow> {
 public:
  explicit QueuedJobsModel(QObject* parent = nullptr);

 protected:
  QVariant Cell(const core::QueuedRow& row, int column, int role) const override;
  // A row is its file: the engine reports a removed row with its "ref" already 0.
  bool Same(const core::QueuedRow& a, const core::QueuedRow& b) const override {
    return a.path == b.path && a.rip == b.rip;
  }
};

// " " (the result face), "Job", "Time", "Setup", "Id" (the RIP number, "%d").
class RipJobsModel final : public RowsModel<core::RipJobRow> {
 public:
  RipJobsModel(const Pictures& pictures, QObject* parent = nullptr);

 protected:
  QVariant Cell(const core::RipJobRow& row, int column, int role) const override;

 private:
  std::array<QIcon, 3> faces_;
};

}  // namespace vellora::ui
