#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace zrx {

// Whether path names a FIFO or a pipe (bash's <(...) gives /dev/fd/63), from
// which a channel set may be read as from a file. Never on Windows.
bool is_pipe(const QString &path);

struct PipeInput {
    QByteArray bytes;
    bool stopped = false; // stop_requested() said yes before the writer was done
    QString error;        // set when the pipe could not be read whole
    bool tooLong = false; // with error: bytes holds the first maxBytes and more
};

// Reads a pipe to its end without ever blocking past a stop: opened without
// waiting for a writer, then read in a loop that looks at stop_requested()
// every PollIntervalMs. A FIFO nobody writes to waits until a stop. More than
// maxBytes is refused: no channel set is that long, and `yes` never ends.
PipeInput read_pipe(const QString &path, qsizetype maxBytes, const std::function<bool()> &stop_requested);

constexpr int PollIntervalMs = 100;

} // namespace zrx
