#include "bus/ftdi/libftdi_driver.h"

#include <ftdi.h>

#include <QCoreApplication>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace zrx {
namespace {

// libusb gives up on a stalled transfer after this long (its default is 5 s).
constexpr int UsbTimeoutMs = 1000;
// "Transmitter empty" in the word of ftdi_poll_modem_status (line status
// byte, bit 6).
constexpr unsigned short TransmitterEmpty = 0x4000;

QString tr(const char *text)
{
    return QCoreApplication::translate("FtdiBitBangControl", text);
}

} // namespace

std::unique_ptr<FtdiDriver> make_ftdi_driver()
{
    return std::make_unique<LibFtdiDriver>();
}

LibFtdiDriver::~LibFtdiDriver()
{
    close();
}

bool LibFtdiDriver::open(const UsbAdapter &adapter)
{
    close();
    m_errorText.clear();
    m_ftdi = ftdi_new();
    if (!m_ftdi) {
        m_errorText = tr("libftdi could not start");
        return false;
    }
    // Closing gives the adapter back to the system's serial driver.
    m_ftdi->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
    m_interfaceNumber = qBound(0, adapter.interfaceNumber, 3);
    if (failed(ftdi_set_interface(m_ftdi, ftdi_interface(INTERFACE_A + m_interfaceNumber)),
               "choosing the adapter's port"))
        return false;
    if (open_usb(adapter) < 0) {
        // Most often the USB device node is root's alone: the udev rule
        // gives it to the dialout group.
        if (m_errorText.isEmpty())
            m_errorText = tr("the adapter could not be opened over USB (%1; see the user guide for the udev rule)")
                              .arg(QString::fromLocal8Bit(ftdi_get_error_string(m_ftdi)));
        return false;
    }
    m_adapterTaken = true;
    m_ftdi->usb_read_timeout = m_ftdi->usb_write_timeout = UsbTimeoutMs;
    return true;
}

// By its place on the USB, or by its serial number when that is all there
// is, and then only when no other adapter answers to it.
int LibFtdiDriver::open_usb(const UsbAdapter &adapter)
{
    if (adapter.busNumber > 0)
        return ftdi_usb_open_bus_addr(m_ftdi, uint8_t(adapter.busNumber), uint8_t(adapter.deviceAddress));
    if (const int candidates = count_candidates(adapter); candidates > 1) {
        m_errorText = adapter.serialNumber.isEmpty()
            ? tr("%1 FTDI adapters are plugged in and nothing tells which one this port is").arg(candidates)
            : tr("%1 FTDI adapters have the serial number %2").arg(candidates).arg(adapter.serialNumber);
        return -1;
    }
    const QByteArray serial = adapter.serialNumber.toLatin1();
    return ftdi_usb_open_desc(m_ftdi, adapter.vendorId, adapter.productId, nullptr,
                              serial.isEmpty() ? nullptr : serial.constData());
}

int LibFtdiDriver::count_candidates(const UsbAdapter &adapter)
{
    ftdi_device_list *devices = nullptr;
    const int found = ftdi_usb_find_all(m_ftdi, &devices, adapter.vendorId, adapter.productId);
    int candidates = adapter.serialNumber.isEmpty() ? found : 0;
    for (ftdi_device_list *d = devices; d && !adapter.serialNumber.isEmpty(); d = d->next) {
        char serial[128] = {};
        if (ftdi_usb_get_strings(m_ftdi, d->dev, nullptr, 0, nullptr, 0, serial, sizeof serial) >= 0
            && adapter.serialNumber == QLatin1String(serial))
            ++candidates;
    }
    ftdi_list_free(&devices);
    return candidates;
}

FtdiChipFamily LibFtdiDriver::chip_family() const
{
    static_assert(int(FtdiChipType::AM) == TYPE_AM && int(FtdiChipType::BM) == TYPE_BM
                  && int(FtdiChipType::FT2232C) == TYPE_2232C && int(FtdiChipType::R) == TYPE_R
                  && int(FtdiChipType::FT2232H) == TYPE_2232H && int(FtdiChipType::FT4232H) == TYPE_4232H
                  && int(FtdiChipType::FT232H) == TYPE_232H && int(FtdiChipType::FTX) == TYPE_230X);
    return ftdi_chip_family(m_ftdi ? FtdiChipType(m_ftdi->type) : FtdiChipType::BM, m_interfaceNumber);
}

bool LibFtdiDriver::set_latency_timer(std::chrono::milliseconds latency)
{
    return !failed(ftdi_set_latency_timer(m_ftdi, (unsigned char)latency.count()), "setting the latency timer");
}

// libftdi scales the rate by four only once the mode is on: done here
// beforehand, the chip gets the same divisor.
bool LibFtdiDriver::set_bit_bang_rate(int rate)
{
    return !failed(ftdi_set_baudrate(m_ftdi, rate * 4), "setting the bit-bang rate");
}

bool LibFtdiDriver::purge()
{
    return !failed(ftdi_tcioflush(m_ftdi), "clearing the adapter's buffers");
}

bool LibFtdiDriver::set_sync_bit_bang(quint8 outputs)
{
    return !failed(ftdi_set_bitmode(m_ftdi, outputs, BITMODE_SYNCBB),
                   outputs == 0 ? "entering synchronous bit-bang mode" : "driving the lines");
}

bool LibFtdiDriver::leave_bit_bang(bool dtrAsserted, bool rtsAsserted)
{
    return !failed(ftdi_setdtr_rts(m_ftdi, dtrAsserted, rtsAsserted), "setting DTR and RTS")
           && !failed(ftdi_set_bitmode(m_ftdi, 0, BITMODE_RESET), "leaving bit-bang mode");
}

bool LibFtdiDriver::set_uart_rate(int bitRate)
{
    return !failed(ftdi_set_baudrate(m_ftdi, bitRate), "setting the bit rate")
           && !failed(ftdi_set_line_property(m_ftdi, BITS_8, STOP_BIT_1, NONE), "setting 8N1");
}

bool LibFtdiDriver::write_uart(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    if (ftdi_write_data(m_ftdi, data, int(bytes.size())) == int(bytes.size()))
        return true;
    m_errorText = libftdi_error("sending the step marker");
    return false;
}

bool LibFtdiDriver::transmitter_empty(bool &empty)
{
    unsigned short status = 0;
    if (failed(ftdi_poll_modem_status(m_ftdi, &status), "waiting for the step marker"))
        return false;
    empty = (status & TransmitterEmpty) != 0;
    return true;
}

bool LibFtdiDriver::submit_write(const quint8 *states, std::size_t count)
{
    Q_ASSERT(count > 0 && count <= MaxWriteStates);
    auto write = std::make_unique<Write>();
    std::copy_n(states, count, write->states.begin());
    write->count = int(count);
    write->transfer = ftdi_write_data_submit(m_ftdi, write->states.data(), write->count);
    if (!write->transfer) {
        m_errorText = libftdi_error("writing line states");
        return false;
    }
    m_writes.push_back(std::move(write));
    return true;
}

bool LibFtdiDriver::submit_read(quint8 *samples, std::size_t count)
{
    Q_ASSERT(!m_read);
    m_readCount = count;
    m_readGot = 0;
    m_read = ftdi_read_data_submit(m_ftdi, samples, int(count));
    if (!m_read) {
        m_errorText = libftdi_error("reading the samples");
        return false;
    }
    return true;
}

// The writes come first: a write the chip never took (a stall, a pulled
// adapter) fails within libusb's time-out, and its read cannot complete.
bool LibFtdiDriver::finish_writes()
{
    bool whole = true;
    for (const std::unique_ptr<Write> &write : m_writes) {
        const int done = ftdi_transfer_data_done(write->transfer);
        if (whole && done != write->count) {
            m_errorText = libftdi_error("writing line states");
            whole = false;
        }
    }
    m_writes.clear();
    return whole;
}

// libftdi's wait returns when the whole read is in, or libusb's time-out
// ends it: a read that came back short is reported as it stands, and the
// next wait finds nothing more. `patience` is libusb's here.
int LibFtdiDriver::wait_read(std::chrono::milliseconds)
{
    if (!finish_writes()) {
        cancel_transfers();
        return -1;
    }
    if (!m_read)
        return int(m_readGot);
    const int done = ftdi_transfer_data_done(std::exchange(m_read, nullptr));
    if (done < 0) {
        m_errorText = libftdi_error("reading the samples");
        return -1;
    }
    m_readGot = std::size_t(done);
    return done;
}

void LibFtdiDriver::cancel_transfers()
{
    timeval now{0, 0};
    for (const std::unique_ptr<Write> &write : m_writes)
        ftdi_transfer_data_cancel(write->transfer, &now);
    m_writes.clear();
    if (m_read)
        ftdi_transfer_data_cancel(std::exchange(m_read, nullptr), &now);
}

// What libftdi has fetched from the chip and holds; it asks the chip only
// when a read wants more.
int LibFtdiDriver::bytes_available()
{
    return m_ftdi ? int(m_ftdi->readbuffer_remaining) : -1;
}

void LibFtdiDriver::close()
{
    if (!m_ftdi)
        return;
    cancel_transfers();
    // Closing releases the USB interface, which gives the adapter back to
    // the serial driver; freeing alone would not.
    if (m_adapterTaken)
        ftdi_usb_close(m_ftdi);
    ftdi_free(m_ftdi);
    m_ftdi = nullptr;
    m_adapterTaken = false;
    m_readCount = m_readGot = 0;
}

bool LibFtdiDriver::failed(int result, const char *what)
{
    if (result >= 0)
        return false;
    m_errorText = libftdi_error(what);
    return true;
}

QString LibFtdiDriver::libftdi_error(const char *what) const
{
    return tr("%1 failed (%2)").arg(QLatin1String(what), QString::fromLocal8Bit(ftdi_get_error_string(m_ftdi)));
}

} // namespace zrx
