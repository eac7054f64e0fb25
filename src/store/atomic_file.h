#pragma once

#include <QByteArray>
#include <QString>

namespace zrx {

// Writes the whole text to path or reports why it could not. The text goes
// to a new file beside the target that replaces it only once complete, so a
// full disk or a file-size limit leaves the old file as it was. A folder in
// which no new file may be made (a writable file in a read-only folder) is
// written in place instead: the file is then only as safe as the disk, but
// the user can still save over it. Every byte is checked either way.
//
// On failure returns false and puts the system's reason in *reason.
bool write_file_atomically(const QString &path, const QByteArray &text, QString *reason);

} // namespace zrx
