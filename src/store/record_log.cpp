#include "store/record_log.h"

#include "store/path_kind.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace zrx {
namespace {

// Refuses anything but a regular file (or a new one) before it is opened:
// opening a FIFO would wait for a reader, and /dev/null would take every
// record and keep none.
bool is_place_for_records(const QString &path, QString *reason)
{
    const QString notAFile = not_a_regular_file_reason(path);
    if (notAFile.isEmpty())
        return true;
    *reason = notAFile;
    return false;
}

bool open_for_append(QFile &file, QString *reason)
{
    // Unbuffered: the record goes to the system in one write, not in pieces.
    // Read access only to look at the last byte; a log we may only write to
    // is still a log.
    if (file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered)
        || file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        if (!file.isSequential())
            return true;
        *reason = QStringLiteral("is not a regular file (a device, FIFO or socket)");
        return false;
    }
    *reason = file.errorString();
    return false;
}

// Asks the system to put the file's data on the disk, not only in its cache.
bool sync_to_disk(QFile &file)
{
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

// A new file is only found again after a crash once its folder's entry is on
// the disk too.
void sync_folder_of(const QString &path)
{
#ifndef Q_OS_WIN
    const int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
#else
    Q_UNUSED(path);
#endif
}

// A crash in the middle of an earlier append leaves a line without its end.
bool ends_unfinished(QFile &file)
{
    const qint64 size = file.size();
    if (size == 0 || !file.isReadable() || !file.seek(size - 1))
        return false;
    char last = 0;
    return file.getChar(&last) && last != '\n';
}

const QString NotOnDisk = QStringLiteral("the system could not put it on the disk");

// Opens the log for appending, adds `record` as a line when there is one,
// and puts the file on the disk. A file that opens for writing but cannot be
// synced (one of /proc's, for root) would lose the record it seems to take;
// a log made here must still be there after a crash, folder entry and all.
bool append_synced(const QString &path, const QByteArray *record, QString *reason)
{
    if (!is_place_for_records(path, reason))
        return false;
    const bool isNew = !QFileInfo::exists(path);
    QFile file(path);
    if (!open_for_append(file, reason))
        return false;
    if (record) {
        QByteArray line = ends_unfinished(file) ? QByteArray("\n") : QByteArray();
        line += *record + '\n';
        // Append mode puts every write at the end, wherever the seek above left us.
        if (file.write(line) != line.size()) {
            *reason = file.errorString();
            return false;
        }
    }
    if (!sync_to_disk(file)) {
        *reason = NotOnDisk;
        return false;
    }
    file.close();
    if (isNew)
        sync_folder_of(path);
    return true;
}

} // namespace

bool can_append_records(const QString &path, QString *reason)
{
    return append_synced(path, nullptr, reason);
}

bool append_record(const QString &path, const QByteArray &record, QString *reason)
{
    return append_synced(path, &record, reason);
}

} // namespace zrx
