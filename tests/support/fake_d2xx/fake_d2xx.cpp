#include "fake_d2xx.h"

#include "bus/ftdi/d2xx_adapter_locator.h"
#include "bus/ftdi/d2xx_ftdi_driver.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace zrx {
namespace {

using namespace d2xx;
using Kind = FakeFtdiAdapter::Event::Kind;

// Device i of the list is handle i + 1.
Handle handle_of(int index)
{
    return reinterpret_cast<Handle>(std::intptr_t(index + 1));
}

int index_of(Handle handle)
{
    return int(reinterpret_cast<std::intptr_t>(handle)) - 1;
}

// Reaches the adapter (device 0) while it is open, and it is there.
bool reaches(Handle handle)
{
    return FakeFtdiAdapter::get().answers(index_of(handle) == 0 && FakeFtdiAdapter::get().usbOpen);
}

Status answer(Handle handle)
{
    return reaches(handle) ? Ok : IoError;
}

// FTDI's driver keeps reading the adapter: the queue and reads are the
// driver's buffer, no request over the USB. The adapter must still be there.
bool buffered(Handle handle)
{
    const FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    return index_of(handle) == 0 && a.usbOpen && !a.gone;
}

int device_count()
{
    return int(FakeFtdiAdapter::get().otherSerials.size()) + 1;
}

// libftdi's chip type numbers (the fake's) as FT_DEVICE.
Dword device_type(int chipType)
{
    static const Dword Types[] = {DeviceAm, DeviceBm, Device2232C, Device232R,
                                  Device2232H, Device4232H, Device232H, DeviceXSeries};
    return chipType >= 0 && chipType < int(std::size(Types)) ? Types[chipType] : DeviceUnknown;
}

Status ZRX_D2XX_CALL create_device_info_list(Dword *count)
{
    *count = Dword(device_count());
    return Ok;
}

Status ZRX_D2XX_CALL get_device_info_list(DeviceNode *nodes, Dword *count)
{
    const FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    *count = std::min<Dword>(*count, Dword(device_count()));
    for (int i = 0; i < int(*count); ++i) {
        DeviceNode &node = nodes[i];
        node = {};
        const bool held = i == 0 && (a.usbOpen || a.openElsewhere);
        node.Flags = held ? FlagOpened : 0;
        if (held && a.openElsewhere)
            continue; // another process's device shows its flags only
        node.Type = device_type(a.chipType);
        node.ID = 0x04036001;
        node.LocId = Dword(0x1000 + i);
        const QByteArray serial = (i == 0 ? a.serialNumber : a.otherSerials.value(i - 1)).toLatin1();
        std::memcpy(node.SerialNumber, serial.constData(), std::min<std::size_t>(serial.size(), 15));
        std::strcpy(node.Description, "FT232R USB UART");
    }
    return Ok;
}

Status ZRX_D2XX_CALL open(int index, Handle *handle)
{
    FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    if (index < 0 || index >= device_count() || (index == 0 && a.gone))
        return DeviceNotFound;
    if (index == 0) {
        if (a.refuseOpen || a.openElsewhere || a.usbOpen)
            return DeviceNotOpened;
        a.usbOpen = true;
        a.driverGivenBack = false;
        a.hostDrains = true; // FTDI's driver reads the chip whatever the program does
        a.record(Kind::Usb);
    }
    *handle = handle_of(index);
    return Ok;
}

Status ZRX_D2XX_CALL close(Handle handle)
{
    FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    if (index_of(handle) != 0)
        return Ok;
    if (!a.usbOpen)
        return InvalidHandle;
    a.usbOpen = false;
    a.driverGivenBack = !a.gone;
    a.record(Kind::Usb);
    return Ok;
}

Status ZRX_D2XX_CALL get_com_port_number(Handle handle, Long *port)
{
    const int index = index_of(handle);
    if (index == 0 && !reaches(handle))
        return IoError;
    *port = Long(FakeFtdiAdapter::get().comPort + index);
    return Ok;
}

Status ZRX_D2XX_CALL set_bit_mode(Handle handle, Uchar mask, Uchar mode)
{
    FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    if (!reaches(handle))
        return IoError;
    // The FT232AM/BM have no synchronous bit-bang mode.
    if ((mode != BitModeReset && mode != BitModeSyncBitBang)
        || (mode == BitModeSyncBitBang && (a.chipType == 0 || a.chipType == 1)))
        return OtherError;
    a.bitBang = mode == BitModeSyncBitBang;
    a.outputs = mask;
    a.record(Kind::Mode);
    return Ok;
}

// FTDI's driver hands the chip the rate as given, in either mode.
Status ZRX_D2XX_CALL set_baud_rate(Handle handle, Dword rate)
{
    if (!reaches(handle))
        return IoError;
    if (rate == 0 || rate > 3000000)
        return InvalidBaudRate;
    FakeFtdiAdapter::get().chipBaud = int(rate);
    return Ok;
}

Status ZRX_D2XX_CALL set_data_characteristics(Handle handle, Uchar, Uchar, Uchar)
{
    return answer(handle);
}

Status ZRX_D2XX_CALL set_latency_timer(Handle handle, Uchar milliseconds)
{
    return milliseconds >= 1 ? answer(handle) : InvalidParameter;
}

Dword readTimeoutMs = 0;

Status ZRX_D2XX_CALL set_timeouts(Handle handle, Dword readMs, Dword)
{
    readTimeoutMs = readMs;
    return answer(handle);
}

Status ZRX_D2XX_CALL purge(Handle handle, Dword mask)
{
    if (mask & PurgeRx) {
        FakeFtdiAdapter::get().samples.clear();
        FakeFtdiAdapter::get().sampleTimes.clear();
    }
    return answer(handle);
}

// The samples that have come back by now: half a round trip after they were
// taken.
Status ZRX_D2XX_CALL get_queue_status(Handle handle, Dword *waiting)
{
    if (!buffered(handle))
        return IoError;
    const FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    const qint64 takenBy = a.clockNanoseconds - a.transferNanoseconds / 2;
    *waiting = 0;
    while (!a.mute && qsizetype(*waiting) < a.sampleTimes.size() && a.sampleTimes[qsizetype(*waiting)] <= takenBy)
        ++*waiting;
    return Ok;
}

// A read returns once it has all it asked for (waiting for samples still on
// their way); short of that, after its time-out with what there is.
Status ZRX_D2XX_CALL read(Handle handle, void *buffer, Dword count, Dword *returned)
{
    FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    *returned = 0;
    if (!buffered(handle))
        return IoError;
    auto *into = static_cast<quint8 *>(buffer);
    for (int got = 0; Dword(*returned) < count; *returned += Dword(got)) {
        got = a.take_samples(into + *returned, int(count - *returned));
        if (got == 0 && (a.samples.isEmpty() || a.mute))
            break;
    }
    if (*returned < count)
        a.clockNanoseconds += qint64(readTimeoutMs) * 1'000'000;
    else
        a.wait_until(a.lastSampleNanoseconds + a.transferNanoseconds / 2);
    return Ok;
}

// A full FIFO stops the states; the write gives up after its time-out with
// what the chip took.
Status ZRX_D2XX_CALL write(Handle handle, const void *buffer, Dword count, Dword *written)
{
    FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    *written = 0;
    a.count_bulk_write();
    if (!reaches(handle))
        return IoError;
    const auto *bytes = static_cast<const quint8 *>(buffer);
    if (!a.bitBang) {
        a.send_uart(bytes, int(count));
        *written = count;
        return Ok;
    }
    *written = Dword(a.clock_states(bytes, int(count), a.clockNanoseconds - a.transferNanoseconds / 2));
    return Ok;
}

Status set_lines(Handle handle, bool *line, bool asserted)
{
    FakeFtdiAdapter &a = FakeFtdiAdapter::get();
    if (!reaches(handle))
        return IoError;
    *line = asserted;
    a.record(Kind::Mode);
    return Ok;
}

Status ZRX_D2XX_CALL set_dtr(Handle handle)
{
    return set_lines(handle, &FakeFtdiAdapter::get().dtrAsserted, true);
}

Status ZRX_D2XX_CALL clr_dtr(Handle handle)
{
    return set_lines(handle, &FakeFtdiAdapter::get().dtrAsserted, false);
}

Status ZRX_D2XX_CALL set_rts(Handle handle)
{
    return set_lines(handle, &FakeFtdiAdapter::get().rtsAsserted, true);
}

Status ZRX_D2XX_CALL clr_rts(Handle handle)
{
    return set_lines(handle, &FakeFtdiAdapter::get().rtsAsserted, false);
}

Status ZRX_D2XX_CALL get_modem_status(Handle handle, Dword *status)
{
    *status = 0x6000; // transmitter and holding register empty
    return answer(handle);
}

} // namespace

Functions fake_d2xx_functions()
{
    return {create_device_info_list, get_device_info_list, open, close, get_com_port_number, set_bit_mode,
            set_baud_rate, set_data_characteristics, set_latency_timer, set_timeouts, purge, get_queue_status,
            read, write, set_dtr, clr_dtr, set_rts, clr_rts, get_modem_status};
}

PortDeviceTable windows_port_devices()
{
    PortDeviceTable devices;
    for (int n = 1; n <= HighestPortNumber; ++n)
        devices.Nodes[n] = port_name(n);
    return devices;
}

std::unique_ptr<FtdiBitBangControl> make_fake_d2xx_control(D2xxFtdiDriver::LibrarySource library)
{
    return std::make_unique<FtdiBitBangControl>(std::make_unique<D2xxFtdiDriver>(library),
                                                std::make_unique<D2xxAdapterLocator>(library),
                                                windows_port_devices(), &FakeFtdiAdapter::clock);
}

} // namespace zrx
