// Report lists.
#include "ui/report_list.h"

#include <algorithm>

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>

namespace vellora::ui {
namespace {

class CentredPictureDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QIcon icon = opt.icon;
    // The cell's ground and selection as usual, then the picture on top.
    opt.icon = QIcon();
    opt.features &= ~QStyleOptionViewItem::HasDecoration;
    const QWidget* w = opt.widget;
    QStyle* style = w != nullptr ? w->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, w);
    if (icon.isNull()) return;
    const int side = std::min({16, opt.rect.width() - 1, opt.rect.height() - 2});
    if (side <= 0) return;
    QRect r(0, 0, side, side);
    r.moveCenter(opt.rect.center());
    icon.paint(painter, r, Qt::AlignCenter,
               (opt.state & QStyle::State_Enabled) != 0 ? QIcon::Normal : QIcon::Disabled);
  }
};

}  // namespace

ReportList::ReportList(const std::vector<int>& columnWidths, bool severalRows, QWidget* parent)
    : QTableView(parent), widths_(columnWidths) {
  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(severalRows ? QAbstractItemView::ExtendedSelection
                               : QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setWordWrap(false);
  setTextElideMode(Qt::ElideRight);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  horizontalHeader()->setStretchLastSection(false);
  // The result column is 15 pixels wide, narrower than a style's usual minimum.
  horizontalHeader()->setMinimumSectionSize(8);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  setIconSize(QSize(16, 16));
}

void ReportList::ApplyColumnWidths() {
  for (size_t c = 0; c < widths_.size(); ++c) setColumnWidth(static_cast<int>(c), widths_[c]);
}

void ReportList::CentrePicturesIn(int column) {
  setItemDelegateForColumn(column, new CentredPictureDelegate(this));
}

void ReportList::SetContextMenu(QMenu* menu, std::function<QPoint()> keyboardPoint) {
  menu_ = menu;
  keyboardPoint_ = std::move(keyboardPoint);
}

std::vector<int> ReportList::SelectedRows() const {
  std::vector<int> rows;
  if (selectionModel() == nullptr) return rows;
  for (const QModelIndex& i : selectionModel()->selectedRows()) rows.push_back(i.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void ReportList::contextMenuEvent(QContextMenuEvent* event) {
  if (menu_ == nullptr) {
    event->ignore();
    return;
  }
  QPoint at = event->reason() == QContextMenuEvent::Keyboard && keyboardPoint_ ? keyboardPoint_()
                                                                               : event->globalPos();
  menu_->popup(at);
  event->accept();
}

}  // namespace vellora::ui
