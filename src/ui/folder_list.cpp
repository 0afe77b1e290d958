// The input folders list.
#include "ui/folder_list.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QUrl>

#include "ui/pictures.h"
#include "ui/text.h"

namespace vellora::ui {
namespace {

constexpr int kIconRole = Qt::UserRole + 1;  // the core::SpoolerIcon shown
constexpr int kItemHeight = 48 + 26;

class FolderDelegate final : public QStyledItemDelegate {
 public:
  FolderDelegate(const Pictures& pictures, QObject* parent)
      : QStyledItemDelegate(parent), pictures_(pictures) {}

  void paint(QPainter* p, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const auto icon = static_cast<core::SpoolerIcon>(index.data(kIconRole).toInt());
    const bool enabled = icon != core::SpoolerIcon::Disabled;
    const bool hot = (option.state & QStyle::State_MouseOver) != 0;
    const QRect r = option.rect;
    p->save();
    if (icon == core::SpoolerIcon::Scanning) {
      // The folder the scanner is reading now.
      QColor mark = option.palette.color(QPalette::Highlight);
      mark.setAlpha(60);
      p->fillRect(r.adjusted(2, 1, -2, -1), mark);
    }
    const Picture picture = enabled ? (hot ? Picture::FolderEnabledHot : Picture::FolderEnabled)
                                    : (hot ? Picture::FolderDisabledHot : Picture::FolderDisabled);
    const QRect iconRect(r.left() + (r.width() - 48) / 2, r.top() + 3, 48, 48);
    pictures_.Paint(*p, iconRect, picture);
    const QRect textRect(r.left() + 2, iconRect.bottom() + 2, r.width() - 4,
                         r.bottom() - iconRect.bottom() - 2);
    p->setPen(option.palette.color(QPalette::Text));
    const QString text = option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(),
                                                       Qt::ElideRight, textRect.width());
    p->drawText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text);
    p->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override {
    // The list gives each item its own width (the list's); the height is fixed.
    QSize given = index.data(Qt::SizeHintRole).toSize();
    return given.isValid() ? given : QSize(96, kItemHeight);
  }

 private:
  const Pictures& pictures_;
};

QStringList LocalFiles(const QMimeData* mime) {
  QStringList out;
  if (mime == nullptr || !mime->hasUrls()) return out;
  for (const QUrl& url : mime->urls()) {
    if (url.isLocalFile()) out << url.toLocalFile();
  }
  return out;
}

}  // namespace

CFolderListCtrl::CFolderListCtrl(const Pictures& pictures, QWidget* parent)
    : QListWidget(parent), pictures_(pictures) {
  setItemDelegate(new FolderDelegate(pictures_, this));
  setViewMode(QListView::ListMode);
  setFlow(QListView::TopToBottom);
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::NoSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_Hover, true);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DropOnly);
  connect(this, &QAbstractItemView::clicked, this,
          [this](const QModelIndex& index) { emit spoolerClicked(index.row()); });
}

void CFolderListCtrl::Fill(const std::vector<core::InputFolderItem>& items) {
  clear();
  for (const core::InputFolderItem& item : items) {
    auto* w = new QListWidgetItem(ToQt(item.setupName), this);
    w->setData(kIconRole, static_cast<int>(item.enabled ? core::SpoolerIcon::Idle
                                                        : core::SpoolerIcon::Disabled));
    w->setToolTip(ToQt(item.setupName));
    w->setSizeHint(QSize(viewport()->width(), kItemHeight));
  }
}

void CFolderListCtrl::SetIcon(int spooler, core::SpoolerIcon icon) {
  if (QListWidgetItem* w = item(spooler)) w->setData(kIconRole, static_cast<int>(icon));
}

core::SpoolerIcon CFolderListCtrl::Icon(int spooler) const {
  const QListWidgetItem* w = item(spooler);
  return w == nullptr ? core::SpoolerIcon::Disabled
                      : static_cast<core::SpoolerIcon>(w->data(kIconRole).toInt());
}

bool CFolderListCtrl::SpoolerEnabled(int spooler) const {
  return item(spooler) != nullptr && Icon(spooler) != core::SpoolerIcon::Disabled;
}

int CFolderListCtrl::SpoolerAt(const QPoint& point) const {
  QModelIndex index = indexAt(point);
  return index.isValid() ? index.row() : -1;
}

void CFolderListCtrl::dragEnterEvent(QDragEnterEvent* event) {
  if (LocalFiles(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void CFolderListCtrl::dragMoveEvent(QDragMoveEvent* event) {
  // Only an enabled spooler's icon takes files; elsewhere the cursor says no.
  int spooler = SpoolerAt(event->position().toPoint());
  if (spooler >= 0 && SpoolerEnabled(spooler) && !LocalFiles(event->mimeData()).isEmpty()) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void CFolderListCtrl::dropEvent(QDropEvent* event) {
  int spooler = SpoolerAt(event->position().toPoint());
  QStringList files = LocalFiles(event->mimeData());
  if (spooler < 0 || !SpoolerEnabled(spooler) || files.isEmpty()) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  emit filesDropped(spooler, files);
}

void CFolderListCtrl::resizeEvent(QResizeEvent* event) {
  QListWidget::resizeEvent(event);
  for (int i = 0; i < count(); ++i) item(i)->setSizeHint(QSize(viewport()->width(), kItemHeight));
}

}  // namespace vellora::ui
