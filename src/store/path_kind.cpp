#include "store/path_kind.h"

#include <QFileInfo>

namespace zrx {

PathKind path_kind(const QString &path)
{
    // QFileInfo follows links and reports a FIFO, socket or device node as
    // existing but neither a file nor a folder.
    const QFileInfo info(path);
    if (!info.exists())
        return PathKind::Missing;
    if (info.isDir())
        return PathKind::Directory;
    if (info.isFile())
        return PathKind::RegularFile;
    return PathKind::Special;
}

QString not_a_regular_file_reason(const QString &path)
{
    switch (path_kind(path)) {
    case PathKind::Directory:
        return QStringLiteral("is a folder");
    case PathKind::Special:
        return QStringLiteral("is not a regular file (a device, FIFO or socket)");
    case PathKind::Missing:
    case PathKind::RegularFile:
        break;
    }
    return {};
}

} // namespace zrx
