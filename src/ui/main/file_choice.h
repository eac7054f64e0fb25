#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QFileDialog;
class QWidget;

namespace zrx {

// What the file dialog is asked for when a channel set is saved or loaded.
// Both use the dialog in its open form, and any name may be typed, even one
// that does not exist yet, so saving a new file works from the same dialog.
struct FileChoiceRequest {
    QString initialDirectory; // empty: the dialog's own choice
    QStringList nameFilters;  // offered in this order, the first selected
};

// Csv files first, then everything.
QStringList channel_set_name_filters();

// Returns the chosen path, or empty text when the user cancelled.
using ChooseFile = std::function<QString(QWidget *parent, const FileChoiceRequest &request)>;

// Sets up a dialog for the request: open form, no file name, any name accepted.
void configure_file_dialog(QFileDialog &dialog, const FileChoiceRequest &request);

// The real dialog; tests put their own ChooseFile in its place.
QString choose_file_with_dialog(QWidget *parent, const FileChoiceRequest &request);

} // namespace zrx
