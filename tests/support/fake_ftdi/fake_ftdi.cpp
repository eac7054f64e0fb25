// libftdi's functions as the fast bus uses them, on FakeFtdiAdapter instead
// of a USB device: the tests and benchmarks never reach a real adapter.
#include "fake_ftdi_adapter.h"

#include <ftdi.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <utility>

namespace zrx {
namespace {

int fail(ftdi_context *ftdi, int code, const char *text)
{
    ftdi->error_str = text;
    return code;
}

// A request over the USB, which an unplugged adapter never answers.
bool reaches(ftdi_context *ftdi)
{
    return FakeFtdiAdapter::get().answers(ftdi->usb_dev != nullptr);
}

} // namespace

} // namespace zrx

using zrx::FakeFtdiAdapter;
using Kind = FakeFtdiAdapter::Event::Kind;

extern "C" {

ftdi_context *ftdi_new(void)
{
    auto *ftdi = static_cast<ftdi_context *>(std::calloc(1, sizeof(ftdi_context)));
    ftdi->type = TYPE_BM;
    return ftdi;
}

void ftdi_free(ftdi_context *ftdi)
{
    std::free(ftdi);
}

const char *ftdi_get_error_string(ftdi_context *ftdi)
{
    return ftdi->error_str ? ftdi->error_str : "";
}

int ftdi_set_interface(ftdi_context *ftdi, enum ftdi_interface interface)
{
    ftdi->interface = interface - INTERFACE_A;
    return ftdi->usb_dev ? zrx::fail(ftdi, -3, "Interface can not be changed on an already open device") : 0;
}

static int open_adapter(ftdi_context *ftdi)
{
    FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    if (a.refuseOpen || a.gone)
        return zrx::fail(ftdi, -4, "libusb_open() failed");
    a.usbOpen = true;
    a.driverGivenBack = false;
    if (ftdi->module_detach_mode == AUTO_DETACH_REATACH_SIO_MODULE && std::exchange(a.driverAttached, false)
        && a.driverChanged)
        a.driverChanged();
    ftdi->usb_dev = reinterpret_cast<libusb_device_handle *>(&a);
    ftdi->type = ftdi_chip_type(a.chipType);
    a.record(Kind::Usb);
    return 0;
}

int ftdi_usb_open_bus_addr(ftdi_context *ftdi, uint8_t bus, uint8_t addr)
{
    const FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    return bus == a.busNumber && addr == a.deviceAddress ? open_adapter(ftdi) : zrx::fail(ftdi, -3, "device not found");
}

int ftdi_usb_open_desc(ftdi_context *ftdi, int, int, const char *, const char *)
{
    return open_adapter(ftdi);
}

int ftdi_usb_close(ftdi_context *ftdi)
{
    FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    a.usbOpen = false;
    a.driverGivenBack = !a.gone && ftdi->module_detach_mode == AUTO_DETACH_REATACH_SIO_MODULE;
    if (a.driverGivenBack && !std::exchange(a.driverAttached, true) && a.driverChanged)
        a.driverChanged();
    ftdi->usb_dev = nullptr;
    a.record(Kind::Usb);
    return 0;
}

int ftdi_set_latency_timer(ftdi_context *ftdi, unsigned char latency)
{
    return latency >= 1 && zrx::reaches(ftdi) ? 0 : zrx::fail(ftdi, -2, "unable to set latency timer");
}

int ftdi_set_bitmode(ftdi_context *ftdi, unsigned char bitmask, unsigned char mode)
{
    FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    if (!zrx::reaches(ftdi) || (mode != BITMODE_RESET && mode != BITMODE_SYNCBB))
        return zrx::fail(ftdi, -1, "unable to configure bitbang mode. Perhaps not a BM/2232C type chip?");
    a.bitBang = (ftdi->bitbang_enabled = mode == BITMODE_SYNCBB);
    a.outputs = bitmask;
    a.record(Kind::Mode);
    return 0;
}

int ftdi_set_baudrate(ftdi_context *ftdi, int baudrate)
{
    FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    baudrate *= ftdi->bitbang_enabled ? 4 : 1;
    if (!zrx::reaches(ftdi) || baudrate <= 0 || baudrate > 3000000)
        return zrx::fail(ftdi, -1, "Silly baudrate <= 0.");
    // libftdi puts the port in the request's index only for the H chips.
    (a.chipType == TYPE_2232C && ftdi->interface != 0 ? a.otherPortBaud : a.chipBaud) = baudrate;
    return 0;
}

int ftdi_set_line_property(ftdi_context *ftdi, enum ftdi_bits_type, enum ftdi_stopbits_type, enum ftdi_parity_type)
{
    return zrx::reaches(ftdi) ? 0 : zrx::fail(ftdi, -1, "Setting new line property failed");
}

int ftdi_tcioflush(ftdi_context *ftdi)
{
    FakeFtdiAdapter::get().samples.clear();
    FakeFtdiAdapter::get().sampleTimes.clear();
    return zrx::reaches(ftdi) ? 0 : zrx::fail(ftdi, -1, "FTDI purge of RX buffer failed");
}

int ftdi_setdtr_rts(ftdi_context *ftdi, int dtr, int rts)
{
    FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    if (!zrx::reaches(ftdi))
        return zrx::fail(ftdi, -1, "set of rts/dtr failed");
    a.dtrAsserted = dtr;
    a.rtsAsserted = rts;
    a.record(Kind::Mode);
    return 0;
}

int ftdi_poll_modem_status(ftdi_context *ftdi, unsigned short *status)
{
    *status = 0x6001; // transmitter and holding register empty
    return zrx::reaches(ftdi) ? 0 : zrx::fail(ftdi, -1, "getting modem status failed");
}

int ftdi_write_data(ftdi_context *ftdi, const unsigned char *buf, int size)
{
    FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    a.count_bulk_write();
    if (!zrx::reaches(ftdi))
        return zrx::fail(ftdi, -1, "usb bulk write failed");
    if (!a.bitBang) {
        a.send_uart(buf, size);
        return size;
    }
    // A full FIFO stops the states; libusb gives up on the write.
    return a.clock_states(buf, size, a.clockNanoseconds - a.transferNanoseconds / 2) < size
        ? zrx::fail(ftdi, -1, "usb bulk write failed") : size;
}

int ftdi_read_data(ftdi_context *ftdi, unsigned char *buf, int size)
{
    FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    if (!zrx::reaches(ftdi))
        return zrx::fail(ftdi, -4, "usb bulk read failed"); // LIBUSB_ERROR_NO_DEVICE
    return a.take_samples(buf, size);
}

// Transfers in flight: the fake does a write's work when it is submitted
// (a stalled one fails when it is waited for, after libusb's time-out, as
// libusb reports it then) and a read's when it is waited for; the read's
// room counts from its submission. A read the chip cannot fill ends after
// libusb's time-out with what it got.
struct FakeTransfer {
    ftdi_transfer_control control;
    qint64 submitted; // on the host's clock
};

static ftdi_transfer_control *new_transfer(ftdi_context *ftdi, unsigned char *buf, int size, int offset,
                                           bool done)
{
    auto *transfer = static_cast<FakeTransfer *>(std::calloc(1, sizeof(FakeTransfer)));
    transfer->control = {done, buf, size, offset, ftdi, nullptr};
    transfer->submitted = FakeFtdiAdapter::get().clockNanoseconds;
    return &transfer->control;
}

static qint64 submitted_at(ftdi_transfer_control *tc)
{
    return reinterpret_cast<FakeTransfer *>(tc)->submitted;
}

ftdi_transfer_control *ftdi_write_data_submit(ftdi_context *ftdi, unsigned char *buf, int size)
{
    FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    a.count_bulk_write();
    if (!a.takes_transfer(ftdi->usb_dev != nullptr)) {
        const int failed = zrx::fail(ftdi, -1, "usb bulk write failed");
        return a.gone ? nullptr : new_transfer(ftdi, buf, size, failed, true);
    }
    int written = size;
    if (!a.bitBang)
        a.send_uart(buf, size);
    else if (a.clock_states(buf, size, a.clockNanoseconds + a.transferNanoseconds / 2) < size)
        written = zrx::fail(ftdi, -1, "usb bulk write failed");
    return new_transfer(ftdi, buf, size, written, true);
}

ftdi_transfer_control *ftdi_read_data_submit(ftdi_context *ftdi, unsigned char *buf, int size)
{
    FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    if (!a.takes_transfer(ftdi->usb_dev != nullptr))
        return nullptr;
    a.readRoom += size;
    ++a.readTransfers;
    return new_transfer(ftdi, buf, size, 0, false);
}

int ftdi_transfer_data_done(ftdi_transfer_control *tc)
{
    FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    const qint64 halfTrip = a.transferNanoseconds / 2;
    a.wait_until(submitted_at(tc) + a.transferNanoseconds);
    int result = tc->offset;
    if (tc->completed) {
        if (result < tc->size)
            a.clockNanoseconds += qint64(tc->ftdi->usb_write_timeout) * 1'000'000;
    } else {
        a.readRoom = std::max(0, a.readRoom - tc->size);
        while (tc->offset < tc->size) {
            if (a.gone) {
                result = zrx::fail(tc->ftdi, -4, "usb bulk read failed"); // LIBUSB_ERROR_NO_DEVICE
                break;
            }
            const int read = a.take_samples(tc->buf + tc->offset, tc->size - tc->offset);
            if (read == 0 && (a.samples.isEmpty() || a.mute)) {
                a.clockNanoseconds += qint64(tc->ftdi->usb_read_timeout) * 1'000'000;
                break;
            }
            tc->offset += read;
        }
        result = result < 0 ? result : tc->offset;
        a.wait_until(a.lastSampleNanoseconds + halfTrip);
    }
    std::free(reinterpret_cast<FakeTransfer *>(tc));
    return result;
}

void ftdi_transfer_data_cancel(ftdi_transfer_control *tc, timeval *)
{
    FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    if (!tc->completed)
        a.readRoom = std::max(0, a.readRoom - tc->size);
    std::free(reinterpret_cast<FakeTransfer *>(tc));
}

// The adapter itself and each of otherSerials: entries 0, 1, ... in a list
// that is all one block.
int ftdi_usb_find_all(ftdi_context *, ftdi_device_list **devlist, int, int)
{
    const int count = int(FakeFtdiAdapter::get().otherSerials.size()) + 1;
    auto *list = static_cast<ftdi_device_list *>(std::calloc(std::size_t(count), sizeof(ftdi_device_list)));
    for (int i = 0; i < count; ++i)
        list[i] = {i + 1 < count ? &list[i + 1] : nullptr, reinterpret_cast<libusb_device *>(std::intptr_t(i))};
    *devlist = list;
    return count;
}

int ftdi_usb_get_strings(ftdi_context *, libusb_device *dev, char *, int, char *, int, char *serial, int serialLen)
{
    const FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    const auto i = qsizetype(reinterpret_cast<std::intptr_t>(dev));
    qstrncpy(serial, (i == 0 ? a.serialNumber : a.otherSerials.value(i - 1)).toLatin1().constData(), uint(serialLen));
    return 0;
}

void ftdi_list_free(ftdi_device_list **devlist)
{
    std::free(std::exchange(*devlist, nullptr));
}

} // extern "C"
