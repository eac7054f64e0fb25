#pragma once

#include <QString>

namespace zrx {

// What stands at a path before the program reads or writes a file there. A
// save, a log or a channel-set file is only ever a regular file: writing
// "over" a device node, a FIFO or a socket would replace it (or block on it),
// and reading one may never end.
enum class PathKind {
    Missing,     // nothing there yet (a new file may be made)
    RegularFile, // a regular file, or a link to one
    Directory,
    Special,     // a device node, FIFO, socket or anything else
};

PathKind path_kind(const QString &path);

// Why a path that exists is no place for a file: "is a folder" or "is not a
// regular file (a device, FIFO or socket)". Empty for a regular file and for
// a path with nothing there.
QString not_a_regular_file_reason(const QString &path);

} // namespace zrx
