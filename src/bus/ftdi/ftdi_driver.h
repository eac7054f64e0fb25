#pragma once

#include "bus/ftdi/ftdi_chip_family.h"
#include "bus/ftdi/usb_adapter_locator.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstddef>
#include <memory>

namespace zrx {

// One FTDI adapter as the system's driver library offers it: libftdi on
// Linux, FTDI's D2XX library on Windows. Everything above (claiming the
// adapter, the state clock, the transfer queue) speaks to the chip through
// this and nothing else, so a driver is a thin translation of these calls.
//
// Every call that can fail returns false (or a negative count) and leaves
// "<what> failed (<the library's reason>)" or a sentence of its own in
// error_text(). A failed transfer means the adapter is gone.
//
// Transfers are submitted and then waited for, so that a driver may let
// them overlap (libftdi's ftdi_write_data_submit / ftdi_read_data_submit, or
// D2XX's FT_Write beside FT_GetQueueStatus and FT_Read); a driver that works
// one call at a time is as correct. In synchronous bit-bang mode each state
// written brings one sample back, which the chip sends to the read in hand
// as it comes and otherwise keeps in its read buffer
// (FtdiChipFamily::readBuffer): the caller keeps the states written past the
// read in hand within that buffer.
class FtdiDriver {
public:
    // The most states one write may carry: longer writes hang some FT232Rs
    // in synchronous bit-bang mode.
    static constexpr std::size_t MaxWriteStates = 64;

    virtual ~FtdiDriver() = default;

    // Opens the adapter with this identity and takes it from the system's
    // serial driver; refuses when the identity fits more than one adapter
    // ("the first FTDI device" may be anybody's). Sets the transfers'
    // time-out. After a failure, adapter_taken() still tells whether the
    // adapter must be given back by close().
    virtual bool open(const UsbAdapter &adapter) = 0;
    virtual bool is_open() const = 0;
    // Whether open() got the adapter away from the serial driver.
    virtual bool adapter_taken() const = 0;
    // The open adapter's chip family, by the chip type and port.
    virtual FtdiChipFamily chip_family() const = 0;
    // How long the chip holds back samples before it sends what it has.
    virtual bool set_latency_timer(std::chrono::milliseconds latency) = 0;

    // The bit-bang state clock from the program's rate, FtdiBitBangRate,
    // set while the chip is still a UART: the driver hands the chip the
    // divisor it gets for that rate in bit-bang mode.
    virtual bool set_bit_bang_rate(int rate) = 0;
    // Drops what either direction's buffers hold.
    virtual bool purge() = 0;
    // Synchronous bit-bang mode, with these pins driven and the rest inputs.
    virtual bool set_sync_bit_bang(quint8 outputs) = 0;
    // Back to the UART, DTR and RTS first set as given so that the pins keep
    // their levels.
    virtual bool leave_bit_bang(bool dtrAsserted, bool rtsAsserted) = 0;

    // The UART at this bit rate, 8N1.
    virtual bool set_uart_rate(int bitRate) = 0;
    // Queues bytes for the UART.
    virtual bool write_uart(const QByteArray &bytes) = 0;
    // Whether the UART's last stop bit has left.
    virtual bool transmitter_empty(bool &empty) = 0;

    // Hands the chip 1..MaxWriteStates states; returns once the driver has
    // them (they need not have reached the chip). `states` may be reused at
    // once.
    virtual bool submit_write(const quint8 *states, std::size_t count) = 0;
    // Asks for the next `count` samples into `samples`, which stays valid
    // until wait_read() reports them all. One read at a time.
    virtual bool submit_read(quint8 *samples, std::size_t count) = 0;
    // How many samples of the read in hand have arrived in all: returns as
    // soon as that number grows (or the read is complete), or after
    // `patience` without any, with the number unchanged. -1 on failure.
    virtual int wait_read(std::chrono::milliseconds patience) = 0;
    // Samples the chip has sent that no read has taken yet, -1 on failure.
    virtual int bytes_available() = 0;

    // Closes the adapter; one that was taken goes back to the serial driver.
    virtual void close() = 0;
    virtual QString error_text() const = 0;
};

// The driver of this system's build.
std::unique_ptr<FtdiDriver> make_ftdi_driver();

} // namespace zrx
