#pragma once

#include "ui/main/main_window_fixture.h"

#include <QDir>
#include <QList>
#include <QString>

#include <functional>

class QLabel;
class QListWidget;

namespace zrx {

class frm_batch;

// Codes that differ per channel and per set, so the traffic and the boxes
// tell which set a channel came from.
QList<int> distinct_codes(int set);

// A channel set file as the program writes it.
QByteArray channel_set_text(const QString &vsup, const QList<int> &codes);
void write_file(const QString &path, const QByteArray &contents);
QByteArray read_file(const QString &path);

// Line operations of one register read-back step (pointer write, word read
// with its 16 DSR reads), and of one channel write frame.
inline constexpr int RegisterReadOperations = 118 + 172 + 16;
inline constexpr int ChannelWriteOperations = 226;

// The main window's "Run Batch": opens the modal batch window on the stored
// directory and hands it to drive(), which runs inside the window's own event
// loop; the window is rejected afterwards if drive() left it open.
void with_batch_window(MainWindowFixture &f, const QString &directory,
                       const std::function<void(frm_batch *)> &drive);

QListWidget *file_list(frm_batch *batch);
QLabel *batch_status(frm_batch *batch);
QLabel *batch_label(frm_batch *batch);
void click(frm_batch *batch, const QString &button);
// Selects the File1 entries with these names.
void select_files(frm_batch *batch, const QStringList &names);

// Whether the chip's 24 channel registers hold these codes.
bool chip_holds(MainWindowFixture &f, const QList<int> &codes);

// Root writes wherever it likes; for as long as this lives the process obeys
// file permissions like any user. Does nothing for other users.
class FilePermissionsObeyed {
public:
    FilePermissionsObeyed();
    ~FilePermissionsObeyed();
    FilePermissionsObeyed(const FilePermissionsObeyed &) = delete;
    FilePermissionsObeyed &operator=(const FilePermissionsObeyed &) = delete;

private:
    bool m_dropped = false;
};

// Files may grow to at most `bytes` while this lives, as on a full disk;
// writing past it fails with an error instead of a signal.
class FileSizeLimit {
public:
    explicit FileSizeLimit(long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    unsigned long long m_saved = 0;
    void (*m_savedHandler)(int) = nullptr;
};

} // namespace zrx
