#pragma once

#include <QTreeView>

namespace zrx {

// The folder tree of the batch window. Highlighting a folder (a click, an
// arrow key) only moves through the tree; the list's directory changes on a
// deliberate choice, a double click or Enter, so browsing during a run does
// not drop the files selected for it.
class DirectoryList : public QTreeView {
    Q_OBJECT
public:
    explicit DirectoryList(QWidget *parent = nullptr);

signals:
    void directory_chosen(const QModelIndex &index);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace zrx
