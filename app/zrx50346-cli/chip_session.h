#pragma once

#include "cli_failure.h"
#include "port_choice.h"
#include "stop_signals.h"

#include "bus/logging_serial_control.h"
#include "bus/modem_line_bus.h"
#include "core/channel_table.h"
#include "core/headless_channel_view.h"
#include "device/chip.h"

namespace zrx {

// The chip on the open port for one command. The boxes are plain texts that
// nobody watches, so no change handling writes a channel a second time: every
// channel the tool writes goes out once.
class ChipSession {
public:
    ChipSession(LoggingSerialControl &port, const PortChoice &choice, const QString &A0Setting,
                const StopSignals &stop);

    LoggingSerialControl &port() { return m_port; }
    ModemLineBus &bus() { return m_bus; }
    ChannelTable &table() { return m_table; }
    HeadlessChannelView &view() { return m_view; }
    Chip &chip() { return m_chip; }

    // What messages call the port: "COM5 (/dev/ttyUSB0)" or the path given.
    const QString &port_name() const { return m_choice.name; }
    // Where the port stands, in the words of the window's status line.
    QString port_text() const;
    // A port failure once the port has closed under the command (an adapter
    // pulled out); nothing while it is open. Checked before a silent bus is
    // taken for a silent chip: a lost port reads FFFF too.
    CommandOutcome port_fault() const;
    // The port's fault first, then what the bus's answers since the last
    // forget_answers() of the bus tell (exit 4): a data line held low while
    // the bus was idle, a written byte nobody acknowledged.
    CommandOutcome bus_fault() const;

    // Whether a signal has asked the run to end; looked at between frames.
    bool stop_requested() const { return m_stop.stop_requested(); }
    QString signal_name() const { return m_stop.signal_name(); }
    const StopSignals &stop_signals() const { return m_stop; }

private:
    LoggingSerialControl &m_port;
    PortChoice m_choice;
    const StopSignals &m_stop;
    ModemLineBus m_bus;
    ChannelTable m_table;
    HeadlessChannelView m_view;
    Chip m_chip;
};

} // namespace zrx
