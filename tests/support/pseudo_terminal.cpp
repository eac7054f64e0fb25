#include "support/pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

namespace zrx {

PseudoTerminal::PseudoTerminal()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0)
        m_slave = QString::fromLocal8Bit(::ptsname(m_master));
}

QByteArray PseudoTerminal::read_master(int expected, int waitMs)
{
    QByteArray bytes;
    while (bytes.size() < expected) {
        pollfd pfd{m_master, POLLIN, 0};
        if (::poll(&pfd, 1, waitMs) <= 0)
            break;
        char buffer[64];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        bytes.append(buffer, n);
    }
    return bytes;
}

void PseudoTerminal::hang_up()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

} // namespace zrx
