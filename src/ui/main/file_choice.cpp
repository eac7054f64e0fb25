#include "ui/main/file_choice.h"

#include <QFileDialog>

namespace zrx {

QStringList channel_set_name_filters()
{
    // "*.*" matches every name only on Windows; elsewhere it needs a dot.
#ifdef Q_OS_WIN
    return {QStringLiteral("Csv Files (*.csv)"), QStringLiteral("All Files (*.*)")};
#else
    return {QStringLiteral("Csv Files (*.csv)"), QStringLiteral("All Files (*)")};
#endif
}

void configure_file_dialog(QFileDialog &dialog, const FileChoiceRequest &request)
{
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // AnyFile, not ExistingFile: the same dialog chooses where to save.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.initialDirectory.isEmpty())
        dialog.setDirectory(request.initialDirectory);
    dialog.setNameFilters(request.nameFilters);
    if (!request.nameFilters.isEmpty())
        dialog.selectNameFilter(request.nameFilters.first());
    dialog.selectFile(QString());
}

QString choose_file_with_dialog(QWidget *parent, const FileChoiceRequest &request)
{
    QFileDialog dialog(parent);
    configure_file_dialog(dialog, request);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

} // namespace zrx
