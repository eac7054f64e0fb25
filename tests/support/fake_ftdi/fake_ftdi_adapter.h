#pragma once

#include "sim/simulated_chip.h"
#include "support/line_operation.h"

#include <algorithm>
#include <chrono>
#include <functional>

namespace zrx {

// The one adapter the fake libftdi (fake_ftdi.cpp, linked instead of
// libftdi1) has plugged in: an FT232R whose DTR and RTS pins drive a
// simulated chip's clock and data line and whose DSR pin reads the data line.
// As the data sheet has it: in synchronous bit-bang mode each byte written
// moves the output pins one state on and gives back one sample of all pins
// taken before that state; libftdi hands the chip four times the rate it is
// given while the mode is on, and the chip clocks its states at 16 times its
// baud rate (4 times on the H chips, whose divisor libftdi takes from a
// 12 MHz reference); inputs other than DSR read high; in UART mode DTR and
// RTS follow the modem-control register and bytes written go out on TXD.
// Where real adapters are less kind than libftdi's API suggests, so is this
// one: an FT2232C/D's baud request reaches its first port whichever port was
// chosen; the chip stops clocking states while its chip-to-host FIFO is full,
// and the write stalls until libusb gives up; reads may come back in pieces,
// with empty returns between them. Writes and reads may also be submitted
// and waited for later (ftdi_write_data_submit and the rest), as the fast
// bus does. A submitted read takes the samples as the chip clocks them (the
// host keeps asking), so only samples no read is waiting for fill the FIFO;
// FTDI's own driver (fake_d2xx) keeps reading whatever the program does.
//
// Time: clock() is the host's, what the program has waited for. A USB
// request or a waited-for transfer costs transferNanoseconds, half of it on
// the way out and half on the way back, and transfers in flight together
// overlap: a write's states reach the chip half a round trip after it is
// submitted and are clocked one state period apart, and a read completes
// half a round trip after its last sample, but not before a round trip
// from its submission.
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
    // How long a state lasts on this chip at the given baud rate.
    std::chrono::nanoseconds state_period(int chipBaud) const;
    // The samples the chip holds before it stops clocking states.
    int fifo_size() const;
    // The host's clock: it runs only while the program waits for the adapter.
    static std::chrono::nanoseconds clock() { return std::chrono::nanoseconds(get().clockNanoseconds); }

    // The events as the strict decoder reads a recorded trace: DTR and RTS
    // operations where a pin changes, a DSR read of every state with the
    // clock high (as an analyser samples), raw bytes where the UART sent them.
    LineTrace line_trace() const;
    quint8 pins() const;
    void record(Event::Kind kind, const QByteArray &bytes = {});

    // What both fake libraries do with the adapter. A request over the USB
    // (counted), which an unplugged adapter never answers; the host waits
    // for its round trip.
    bool answers(bool opened);
    // A transfer submitted (counted), which costs the host nothing yet.
    bool takes_transfer(bool opened);
    // The host waits until `nanoseconds` on its clock.
    void wait_until(qint64 nanoseconds) { clockNanoseconds = std::max(clockNanoseconds, nanoseconds); }
    // Every bulk write counts towards writesBeforeLoss and writesBeforeMute.
    void count_bulk_write();
    void send_uart(const quint8 *bytes, int size);
    // Bit-bang states that reach the chip at `arrival` on the host's clock,
    // until the FIFO is full; how many were clocked.
    int clock_states(const quint8 *states, int size, qint64 arrival);
    // Samples for a read, in pieces and with empty returns as set.
    int take_samples(quint8 *into, int size);

    // Set by the test.
    int chipType = 3; // FtdiChipType::R (libftdi's numbers)
    int statesPerBaud = 0; // 0: as the chip type has it
    int busNumber = 1; // 0: the locator knows no bus location
    int deviceAddress = 7;
    int interfaceNumber = 0; // the port of the chip behind the tty
    QString serialNumber = QStringLiteral("FT0FAKE1");
    QStringList otherSerials; // more FTDI adapters on the USB
    int sampleFifo = 0;       // samples the chip holds for the host; 0: its family's read buffer
    qint64 transferNanoseconds = 0; // what each USB transfer or request adds to clock()
    int readPiece = 0;        // at most this many samples a read; 0: all
    int emptyReadsBetween = 0; // reads that return nothing before each piece
    bool refuseOpen = false;   // libusb_open() fails, as without permission
    int writesBeforeLoss = -1; // the adapter is pulled at this bulk write
    int writesBeforeMute = -1; // from this bulk write on, reads bring no sample
    // Through FTDI's D2XX library (fake_d2xx): the adapter's COM port, and
    // whether another program has it open.
    int comPort = 5;
    bool openElsewhere = false;

    SimulatedChip chip;
    QList<Event> events;
    bool usbOpen = false;
    bool gone = false;
    bool mute = false;
    bool driverGivenBack = false;
    // Whether the system's serial driver has the port (and its tty is
    // there); a killed run leaves it false. Told to driverChanged.
    bool driverAttached = true;
    std::function<void()> driverChanged;
    int usbTransfers = 0;       // bulk transfers and control requests
    int readTransfers = 0;      // reads submitted through libftdi
    int mostInFlight = 0;       // the most samples the FIFO held at once
    int readRoom = 0;           // samples the submitted reads still wait for
    bool hostDrains = false;    // FTDI's driver empties the FIFO as it fills
    qint64 wireNanoseconds = 0; // states and UART bytes on the pins
    bool bitBang = false;
    quint8 outputs = 0;
    quint8 latch = 0; // what the output latch holds at power-up is anyone's guess
    bool dtrAsserted = false;
    bool rtsAsserted = false;
    int chipBaud = 9600;
    int otherPortBaud = 9600; // the chip's other port, where it has one
    int emptyReadsLeft = 0;
    qint64 clockNanoseconds = 0;
    qint64 chipNanoseconds = 0;   // when the chip is done with the states it has
    qint64 lastSampleNanoseconds = 0; // when the last sample read was taken
    QByteArray samples; // taken, not yet read
    QList<qint64> sampleTimes; // when each of them was taken
};

} // namespace zrx
