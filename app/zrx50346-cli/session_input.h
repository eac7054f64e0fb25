#pragma once

#include "stop_signals.h"

#include <QByteArray>

#include <optional>

namespace zrx {

// Where a session's requests come from, one line at a time.
class SessionInput {
public:
    virtual ~SessionInput() = default;
    // The next line, without its end; nothing at the end of the input, or
    // as soon as a stop is requested while waiting for one.
    virtual std::optional<QByteArray> next_line(const StopSignals &stop) = 0;
};

// The process's standard input. Waiting for a line never holds a signal off:
// on POSIX systems the wait is a poll() that looks at the stop request
// between short slices (session_input_posix.cpp); on Windows, where a console
// event comes in a thread of its own, a plain read (session_input_windows.cpp).
class StandardInput final : public SessionInput {
public:
    std::optional<QByteArray> next_line(const StopSignals &stop) override;

private:
    QByteArray m_pending; // read but not yet handed out
    bool m_ended = false;
};

} // namespace zrx
