#pragma once

#include "bus/line_settings.h"
#include "bus/port_state.h"
#include "bus/serial_control.h"

namespace zrx {

// Milliseconds of one 10-bit character, 10000 / rate, halves to even.
int char_time_ms(qint32 bitRate);

// Closes the port if open, configures and opens the given port. A port held
// by another program loses its availability flag. Opening PortNumb while
// BusClearOwed clears the bus first. True when open afterwards.
bool fncInitializeComPort(SerialControl &port, PortState &ports, qint32 bitRate, int portNumber);

// Probes COM1..COM16 by opening each, fills PortNames/PortCount, marks them
// available, and reopens a port that was open before.
void scan_com_ports(SerialControl &port, PortState &ports);
void mark_available_ports(PortState &ports);

// Opens PortNumb at BitRate when it is marked available, then sets the time-outs.
void open_selected_port(SerialControl &port, PortState &ports);
void set_port_timeouts(SerialControl &port, qint32 bitRate);

} // namespace zrx
