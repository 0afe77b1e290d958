// CFolderListCtrl: the input folders list. One 48 x 48 icon per configured spooler, in
// spooler order, labelled with the setup name: the watched folder while the spooler is
// enabled, the folder with a no-entry sign while it is disabled, each drawn in its
// highlighted variant under the mouse; the item the scanner is reading is marked.
// A left click on an icon and files dropped on an enabled icon are handed on as
// signals; dropping on a disabled icon or beside the icons is refused.
#pragma once

#include <vector>

#include <QListWidget>
#include <QStringList>

#include "core/display.h"

namespace vellora::ui {

class Pictures;

class CFolderListCtrl : public QListWidget {
  Q_OBJECT

 public:
  CFolderListCtrl(const Pictures& pictures, QWidget* parent = nullptr);

  // Rebuilds the list.
  void Fill(const std::vector<core::InputFolderItem>& items);
  void SetIcon(int spooler, core::SpoolerIcon icon);
  core::SpoolerIcon Icon(int spooler) const;
  // Whether the item shows an enabled spooler (false for an index with no item).
  bool SpoolerEnabled(int spooler) const;
  // The spooler whose icon lies at the point (viewport coordinates), -1 for none.
  int SpoolerAt(const QPoint& point) const;

 signals:
  void spoolerClicked(int spooler);
  void filesDropped(int spooler, const QStringList& localPaths);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  const Pictures& pictures_;
};

}  // namespace vellora::ui
