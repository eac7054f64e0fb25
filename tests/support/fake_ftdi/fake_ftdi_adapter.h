#pragma once

#include "sim/simulated_chip.h"
#include "support/line_operation.h"

#include <chrono>

namespace zrx {

// The one adapter the fake libftdi (fake_ftdi.cpp, linked instead of
// libftdi1) has plugged in: an FT232R whose DTR and RTS pins drive a
// simulated chip's clock and data line and whose DSR pin reads the data line.
// As the data sheet has it: in synchronous bit-bang mode each byte written
// moves the output pins one state on and gives back one sample of all pins
// taken before that state; libftdi hands the chip four times the rate it is
// given while the mode is on, and the chip clocks its states at 16 times its
// baud rate; inputs other than DSR read high; in UART mode DTR and RTS follow
// the modem-control register and bytes written go out on TXD.
struct FakeFtdiAdapter {
    // One per state written in bit-bang mode, change of mode or register,
    // block of UART bytes, USB open and close: the pins afterwards.
    struct Event {
        enum class Kind { State, Mode, UartBytes, Usb };
        Kind kind;
        quint8 pins;
        bool dataHigh; // the data line, which the chip drives too
        int chipBaud;
        QByteArray bytes;
    };

    // Unopened, in UART mode with DTR and RTS not asserted, nothing seen.
    static FakeFtdiAdapter &reset();
    static FakeFtdiAdapter &get();
    static std::chrono::nanoseconds state_period(int chipBaud);

    // The events as the strict decoder reads a recorded trace: DTR and RTS
    // operations where a pin changes, a DSR read of every state with the
    // clock high (as an analyser samples), raw bytes where the UART sent them.
    LineTrace line_trace() const;
    quint8 pins() const;
    void record(Event::Kind kind, const QByteArray &bytes = {});

    // Set by the test.
    int chipType = 3; // TYPE_R
    int busNumber = 1;
    int deviceAddress = 7;
    bool refuseOpen = false;   // libusb_open() fails, as without permission
    int writesBeforeLoss = -1; // the adapter is pulled at this bulk write

    SimulatedChip chip;
    QList<Event> events;
    bool usbOpen = false;
    bool gone = false;
    bool driverGivenBack = false;
    int usbTransfers = 0;       // bulk transfers and control requests
    qint64 wireNanoseconds = 0; // states and UART bytes on the pins
    bool bitBang = false;
    quint8 outputs = 0;
    quint8 latch = 0; // what the output latch holds at power-up is anyone's guess
    bool dtrAsserted = false;
    bool rtsAsserted = false;
    int chipBaud = 9600;
    QByteArray samples; // taken, not yet read
};

} // namespace zrx
