#include "ui/batch/directory_list.h"

#include <QKeyEvent>

namespace zrx {

DirectoryList::DirectoryList(QWidget *parent) : QTreeView(parent)
{
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            emit directory_chosen(index);
    });
}

void DirectoryList::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()) {
        emit directory_chosen(currentIndex());
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

} // namespace zrx
