#pragma once

#include <QByteArray>
#include <QString>

namespace zrx {

// A log of records, one line each, that only ever grows: a production
// station's account of what it did to each chip. A record is appended with a
// single write and is on the disk (fsync) before append_record returns, so a
// crash or a pulled plug never takes back or garbles an earlier one. A line
// left unfinished by a crash stays on a line of its own: the next record
// starts on a fresh line.

// Whether records can be appended to path (the file is made if missing): a
// regular file that opens for appending and can be synced to the disk. A
// folder, device, FIFO or socket is refused without being opened. On failure
// returns false and puts the reason in *reason.
bool can_append_records(const QString &path, QString *reason);

// Appends `record` (without its line end) as one line: one write, then fsync.
bool append_record(const QString &path, const QByteArray &record, QString *reason);

} // namespace zrx
