#pragma once

#include "bus/fast_mode_switch.h"
#include "bus/modem_lines.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace zrx {

// What opening the port is configured with, row by row as it is applied.
struct PortConfiguration {
    int CommPort = 0;     // 1..16, COMn
    QString Settings;     // bit rate followed by ",N,8,1"
    int InputLen = 0;     // a read takes the whole receive buffer
    int InBufferSize = 1024;
    int RThreshold = 0;   // no receive notifications
    int InputMode = 1;    // raw bytes
    int OutBufferSize = 1024;
    int SThreshold = 0;   // no transmit notifications
    int Handshaking = 0;  // none: RTS must stay ours
};

// Read and write time-outs in milliseconds, in the order of the Win32 record.
struct PortTimeouts {
    quint32 ReadIntervalTimeout = 0;
    quint32 ReadTotalTimeoutMultiplier = 0;
    quint32 ReadTotalTimeoutConstant = 0;
    quint32 WriteTotalTimeoutMultiplier = 0;
    quint32 WriteTotalTimeoutConstant = 0;
    friend bool operator==(const PortTimeouts &, const PortTimeouts &) = default;
};

enum class OpenOutcome {
    Opened,
    HeldElsewhere, // the port exists but another program holds it
    Failed,        // no such port, no permission, ...: see error_text()
};

// The program's one serial port (the MSComm1 of the main window): the real
// port, the simulated board and the test recorder all stand behind it.
// Nothing here throws; a lost port closes itself, says so once through
// port_lost(), and later line operations do nothing until it is opened again.
class SerialControl : public QObject, public ModemLines {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual OpenOutcome open_port(const PortConfiguration &configuration) = 0;
    virtual void close_port() = 0;
    virtual bool is_open() const = 0;
    // The port number of the last open attempt, 0 before any.
    virtual int port_number() const = 0;
    // The system's reason for the last failed open or the loss of the port.
    virtual QString error_text() const = 0;
    // Whether the last failed open was refused because this user may not
    // open the port (which a change of group membership cures).
    virtual bool permission_denied() const { return false; }

    // Raw bytes on the transmit data line. True only when every byte went
    // out: a closed port, a lost one or a write that ran out of time sends
    // nothing the caller may count on.
    virtual bool output(const QByteArray &bytes) = 0;

    virtual PortTimeouts timeouts() const = 0;
    virtual void set_timeouts(const PortTimeouts &timeouts) = 0;

    // The port just opened is the one the bus runs on (not a scan's probe):
    // a control with a faster way to the lines takes it over here. It may
    // come back on the plain path, or lose the port.
    virtual void use_for_bus() {}
    // The fast-mode choice of this control; none for a plain port.
    virtual FastModeSwitch *fast_mode() { return nullptr; }

signals:
    void port_lost(const QString &reason);
};

} // namespace zrx
