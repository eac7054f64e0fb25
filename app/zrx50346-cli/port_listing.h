#pragma once

#include "cli_report.h"
#include "port_choice.h"

#include <QList>
#include <QString>

namespace zrx {

class UsbAdapterLocator;

// One of COM1..COM16 as the `ports` command shows it.
struct PortListing {
    enum class Access { NotTried, Free, InUse, Refused };

    int PortNumb = 0;
    QString device;
    bool present = false;
    // Tried only for a present port.
    Access access = Access::NotTried;
    // Refused: the window's words for it, advice included.
    QString note;
    QString vendorId;  // four hex digits; empty when not a USB device
    QString productId;
    QString serialNumber;
    QString description;
    // An FTDI adapter whose chip has a synchronous bit-bang mode, as far as
    // its USB product tells: what --fast can take.
    bool fastMode = false;
};

// COM1..COM16 on this machine. Present: in the system's list of serial ports,
// which opens nothing. Free: a present port is opened as the window's start-up
// scan opens it, and closed again at once.
QList<PortListing> survey_system_ports();

// The USB ids of free ports the system lists without them (Windows' list of
// serial ports has none), as the adapter locator finds them: FTDI's library
// there, which opens an adapter for a moment to ask for its COM port, so a
// port another program holds is left alone.
void add_usb_ids(QList<PortListing> &ports, const UsbAdapterLocator &locator,
                 const PortDeviceTable &devices = default_port_devices());

// The simulated board's one port, COM1, present and free.
QList<PortListing> simulated_board_ports();

// The serial number of the USB adapter behind the chosen port, as the system
// lists it; empty for the simulated board and for ports without one.
QString adapter_serial_number(const PortChoice &choice);

void report_ports(const QList<PortListing> &ports, CliReport &report);

} // namespace zrx
