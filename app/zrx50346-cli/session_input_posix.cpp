#include "session_input.h"

#include <cerrno>
#include <utility>

#include <poll.h>
#include <unistd.h>

namespace zrx {
namespace {

// How soon a wait for input notices a stop request.
constexpr int PollSliceMs = 50;

} // namespace

std::optional<QByteArray> StandardInput::next_line(const StopSignals &stop)
{
    while (true) {
        if (stop.stop_requested())
            return std::nullopt;
        const qsizetype end = m_pending.indexOf('\n');
        if (end >= 0) {
            QByteArray line = m_pending.left(end);
            m_pending.remove(0, end + 1);
            return line;
        }
        if (m_ended) {
            // A last line without its end still counts.
            if (m_pending.isEmpty())
                return std::nullopt;
            return std::exchange(m_pending, QByteArray());
        }
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&input, 1, PollSliceMs);
        if (ready < 0 && errno != EINTR) {
            m_ended = true;
        } else if (ready > 0) {
            char buffer[4096];
            const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (got > 0)
                m_pending.append(buffer, got);
            else if (got == 0 || errno != EINTR)
                m_ended = true;
        }
    }
}

} // namespace zrx
