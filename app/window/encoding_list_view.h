#pragma once

#include <QListWidget>

namespace lumek {

// The encoding list M1: full paths, several entries selectable, an entry bold while it is built.
// Takes files dropped from a file manager and reports a right-button click as a move-up.
class EncodingListView : public QListWidget {
    Q_OBJECT
public:
    explicit EncodingListView(QWidget* parent);

    // Shows exactly these paths, keeping the bold marks of entries that stay where they are.
    void showPaths(const QStringList& paths);
    void setBold(int row, bool bold);
    void clearBold();
    bool isBold(int row) const;
    // Selects these rows (no selection signal: the studio already knows).
    void showSelection(const QList<int>& rows);
    QList<int> selectedRows() const;

Q_SIGNALS:
    // Local files dropped, in the order delivered (folders and other files included).
    void filesDropped(const QStringList& paths);
    void moveUpRequested();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace lumek
