#include "app/window/encoding_list_view.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QUrl>

#include <algorithm>

namespace lumek {

namespace {

bool HasLocalFiles(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls()) {
        return false;
    }
    const QList<QUrl> urls = mime->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

}  // namespace

EncodingListView::EncodingListView(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("M1"));
    setAccessibleName(QStringLiteral("인코딩 목록"));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDefaultDropAction(Qt::CopyAction);
    setTextElideMode(Qt::ElideLeft);  // the file name at the end of a long path stays visible
    setUniformItemSizes(true);
}

void EncodingListView::showPaths(const QStringList& paths) {
    const QSignalBlocker blocker(this);
    for (int row = 0; row < paths.size(); ++row) {
        if (row < count()) {
            if (item(row)->text() != paths[row]) {
                item(row)->setText(paths[row]);
                item(row)->setToolTip(paths[row]);
                setBold(row, false);
            }
        } else {
            auto* entry = new QListWidgetItem(paths[row], this);
            entry->setToolTip(paths[row]);
        }
    }
    while (count() > paths.size()) {
        delete takeItem(count() - 1);
    }
}

void EncodingListView::setBold(int row, bool bold) {
    if (QListWidgetItem* entry = item(row)) {
        QFont font = entry->font();
        font.setBold(bold);
        entry->setFont(font);
    }
}

void EncodingListView::clearBold() {
    for (int row = 0; row < count(); ++row) {
        setBold(row, false);
    }
}

bool EncodingListView::isBold(int row) const {
    const QListWidgetItem* entry = item(row);
    return entry != nullptr && entry->font().bold();
}

void EncodingListView::showSelection(const QList<int>& rows) {
    // The window shows the list at every pump of long work; an unchanged selection stays as it
    // is, unrepainted and unscrolled.
    QList<int> shown = selectedRows();
    std::sort(shown.begin(), shown.end());
    if (shown == rows && (rows.isEmpty() || currentRow() == rows.first())) {
        return;
    }
    const QSignalBlocker blocker(this);
    clearSelection();
    for (int row : rows) {
        if (QListWidgetItem* entry = item(row)) {
            entry->setSelected(true);
        }
    }
    if (!rows.isEmpty()) {
        setCurrentRow(rows.first(), QItemSelectionModel::NoUpdate);
        scrollToItem(item(rows.first()));
    }
}

QList<int> EncodingListView::selectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void EncodingListView::dragEnterEvent(QDragEnterEvent* event) {
    if (HasLocalFiles(event->mimeData())) {
        event->acceptProposedAction();
    }
}

void EncodingListView::dragMoveEvent(QDragMoveEvent* event) {
    if (HasLocalFiles(event->mimeData())) {
        event->acceptProposedAction();
    }
}

void EncodingListView::dropEvent(QDropEvent* event) {
    if (!HasLocalFiles(event->mimeData())) {
        return;
    }
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths.append(url.toLocalFile());
        }
    }
    event->acceptProposedAction();
    Q_EMIT filesDropped(paths);
}

void EncodingListView::mousePressEvent(QMouseEvent* event) {
    // The right button moves the selection up and leaves it as it is otherwise.
    if (event->button() == Qt::RightButton) {
        event->accept();
        Q_EMIT moveUpRequested();
        return;
    }
    QListWidget::mousePressEvent(event);
}

}  // namespace lumek
