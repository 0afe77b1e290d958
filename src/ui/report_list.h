// A report list: columns of the given widths, grid lines, whole-row selection, no row
// numbers, rows of one fixed height (so 30,000 rows cost nothing to lay out), and an
// optional context menu that opens at the mouse, or, from the keyboard's menu key,
// at the point the window names.
#pragma once

#include <functional>
#include <vector>

#include <QTableView>

class QMenu;

namespace vellora::ui {

class ReportList : public QTableView {
 public:
  ReportList(const std::vector<int>& columnWidths, bool severalRows, QWidget* parent = nullptr);

  // The menu opened over this list (none: no menu opens); keyboardPoint gives the
  // global point where the menu key opens it.
  void SetContextMenu(QMenu* menu, std::function<QPoint()> keyboardPoint);
  // The selected rows, top to bottom.
  std::vector<int> SelectedRows() const;
  // Applies the model's widths again (after setModel()).
  void ApplyColumnWidths();
  // The column shows only its picture, centred and as large as the cell allows (the
  // result column is 15 pixels wide, too narrow for the usual margins).
  void CentrePicturesIn(int column);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  std::vector<int> widths_;
  QMenu* menu_ = nullptr;
  std::function<QPoint()> keyboardPoint_;
};

}  // namespace vellora::ui
