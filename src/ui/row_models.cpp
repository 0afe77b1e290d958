// Cells of the report lists.
#include "ui/row_models.h"

#include "ui/pictures.h"
#include "ui/text.h"

namespace vellora::ui {

WaitingJobsModel::WaitingJobsModel(QObject* parent)
    : RowsModel({"Time", "Job", "Setup", "ID", "Prio"}, parent) {}

QVariant WaitingJobsModel::Cell(const core::WaitingRow& row, int column, int role) const {
  if (role != Qt::DisplayRole) return {};
  switch (column) {
    case 0:
      return ToQt(row.time);
    case 1:
      return ToQt(row.job);
    case 2:
      return ToQt(row.setup);
    case 3:
      return QString::asprintf("%.3d", row.id);
    case 4:
      return QString::asprintf("%d", row.prio);
  }
  return {};
}

QueuedJobsModel::QueuedJobsModel(QObject* parent)
    : RowsModel({"RIP", "Job", "Time", "Path", "ref"}, parent) {}

QVariant QueuedJobsModel::Cell(const core::QueuedRow& row, int column, int role) const {
  if (role != Qt::DisplayRole) return {};
  switch (column) {
    case 0:
      return QString::asprintf("%d", row.rip.value);
    case 1:
      return ToQt(row.job);
    case 2:
      return ToQt(row.time);
    case 3:
      return ToQt(row.path);
    case 4:
      return QString::asprintf("%d", row.ref);
  }
  return {};
}

RipJobsModel::RipJobsModel(const Pictures& pictures, QObject* parent)
    : RowsModel({" ", "Job", "Time", "Setup", "Id"}, parent),
      faces_{pictures.Icon(Picture::FaceCompleted), pictures.Icon(Picture::FaceFailed),
             pictures.Icon(Picture::FaceWarning)} {}

QVariant RipJobsModel::Cell(const core::RipJobRow& row, int column, int role) const {
  if (column == 0) {
    if (role != Qt::DecorationRole) return {};
    int face = static_cast<int>(row.result) - 1;
    if (face < 0 || face > 2) return {};
    return faces_[static_cast<size_t>(face)];
  }
  if (role != Qt::DisplayRole) return {};
  switch (column) {
    case 1:
      return ToQt(row.job);
    case 2:
      return ToQt(row.time);
    case 3:
      return ToQt(row.setup);
    case 4:
      return QString::asprintf("%d", row.rip.value);
  }
  return {};
}

}  // namespace vellora::ui
