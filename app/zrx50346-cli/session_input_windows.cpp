#include "session_input.h"

#include <cstdio>

namespace zrx {

// Ctrl+C's handler runs in a thread of its own here, so a blocking read
// holds no signal off; the stop is looked at when the line is in.
std::optional<QByteArray> StandardInput::next_line(const StopSignals &stop)
{
    if (m_ended || stop.stop_requested())
        return std::nullopt;
    QByteArray line;
    int c = 0;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n')
        line.append(char(c));
    if (c == EOF) {
        m_ended = true;
        if (line.isEmpty())
            return std::nullopt;
    }
    if (line.endsWith('\r'))
        line.chop(1);
    return stop.stop_requested() ? std::nullopt : std::optional<QByteArray>(line);
}

} // namespace zrx
