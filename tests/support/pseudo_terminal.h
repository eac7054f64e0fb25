#pragma once

#include <QByteArray>
#include <QString>

namespace zrx {

// A pseudo-terminal: the slave stands in for the serial device, the master is
// the far end of the transmit line.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal() { hang_up(); }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    QString slave() const { return m_slave; }

    // What arrives at the far end, until `expected` bytes are there or
    // nothing more comes within `waitMs`.
    QByteArray read_master(int expected, int waitMs = 2000);

    // Closing the master is what the slave sees when its device goes away.
    void hang_up();

private:
    int m_master = -1;
    QString m_slave;
};

} // namespace zrx
