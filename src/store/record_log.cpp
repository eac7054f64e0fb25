#include "store/record_log.h"

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

bool open_for_append(QFile &file, QString *reason)
{
    // Unbuffered: the record goes to the system in one write, not in pieces.
    if (file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
        return true;
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
    if (size == 0 || !file.seek(size - 1))
        return false;
    char last = 0;
    return file.getChar(&last) && last != '\n';
}

} // namespace

bool can_append_records(const QString &path, QString *reason)
{
    QFile file(path);
    return open_for_append(file, reason);
}

bool append_record(const QString &path, const QByteArray &record, QString *reason)
{
    const bool isNew = !QFileInfo::exists(path);
    QFile file(path);
    if (!open_for_append(file, reason))
        return false;
    QByteArray line = ends_unfinished(file) ? QByteArray("\n") : QByteArray();
    line += record + '\n';
    // Append mode puts every write at the end, wherever the seek above left us.
    if (file.write(line) != line.size()) {
        *reason = file.errorString();
        return false;
    }
    if (!sync_to_disk(file)) {
        *reason = QStringLiteral("the system could not put it on the disk");
        return false;
    }
    file.close();
    if (isNew)
        sync_folder_of(path);
    return true;
}

} // namespace zrx
