#include "bus/ftdi/d2xx_ftdi_driver.h"

#include <QCoreApplication>

#include <algorithm>
#include <optional>

namespace zrx {
namespace {

using namespace d2xx;

// A write the chip does not take within this long (its buffer towards the
// host full, the adapter gone) has lost the adapter, as libusb's time-out
// decides it on Linux.
constexpr Dword WriteTimeoutMs = 1000;

QString tr(const char *text)
{
    return QCoreApplication::translate("FtdiBitBangControl", text);
}

// D2XX's chip types as the chip families know them. Both libraries name the
// same chips; only their numbers differ.
std::optional<FtdiChipType> chip_type_of(Dword deviceType)
{
    switch (deviceType) {
    case DeviceAm:
        return FtdiChipType::AM;
    case DeviceBm:
        return FtdiChipType::BM;
    case Device2232C:
        return FtdiChipType::FT2232C;
    case Device232R:
        return FtdiChipType::R;
    case Device2232H:
        return FtdiChipType::FT2232H;
    case Device4232H:
        return FtdiChipType::FT4232H;
    case Device232H:
        return FtdiChipType::FT232H;
    case DeviceXSeries:
        return FtdiChipType::FTX;
    default:
        return std::nullopt;
    }
}

} // namespace

D2xxFtdiDriver::D2xxFtdiDriver(LibrarySource library) : m_library(std::move(library)) {}

D2xxFtdiDriver::~D2xxFtdiDriver()
{
    close();
}

bool D2xxFtdiDriver::open(const UsbAdapter &adapter)
{
    close();
    m_errorText.clear();
    const Library &library = m_library();
    if (!library.missing.empty()) {
        m_errorText = QString::fromStdString(library.missing);
        return false;
    }
    m_ft = &library.functions;
    int index = -1;
    DeviceNode node{};
    if (!find_device(adapter, index, node))
        return false;
    Handle handle = nullptr;
    if (failed(m_ft->FT_Open(index, &handle), "opening the adapter through FTDI's driver"))
        return false;
    m_handle = handle;
    m_deviceType = node.Type;
    m_interfaceNumber = adapter.interfaceNumber;
    m_readTimeout = std::chrono::milliseconds(-1);
    return set_read_timeout(std::chrono::milliseconds(WriteTimeoutMs));
}

// By its serial number, and only when no other device answers to it: D2XX
// lists each port of a chip with several as a device of its own, its serial
// number ending in the port's letter.
bool D2xxFtdiDriver::find_device(const UsbAdapter &adapter, int &index, DeviceNode &node)
{
    std::vector<DeviceNode> nodes;
    if (failed(list_devices(*m_ft, nodes), "listing FTDI's adapters"))
        return false;
    const std::string serial = adapter.serialNumber.toStdString();
    int candidates = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (serial_number(nodes[i]) == serial) {
            ++candidates;
            index = int(i);
            node = nodes[i];
        }
    }
    if (candidates > 1) {
        m_errorText = serial.empty()
            ? tr("%1 FTDI adapters are plugged in and nothing tells which one this port is").arg(candidates)
            : tr("%1 FTDI adapters have the serial number %2").arg(candidates).arg(adapter.serialNumber);
        return false;
    }
    if (candidates == 0) {
        m_errorText = tr("FTDI's driver no longer lists the adapter %1").arg(adapter.serialNumber);
        return false;
    }
    if (node.Flags & FlagOpened) {
        m_errorText = tr("another program has the adapter %1 open").arg(adapter.serialNumber);
        return false;
    }
    return true;
}

FtdiChipFamily D2xxFtdiDriver::chip_family() const
{
    const std::optional<FtdiChipType> type = chip_type_of(m_deviceType);
    if (!type)
        return ftdi_chip_family(FtdiChipType::BM, 0);
    // FTDI's driver sends a port's rate request to that port, so an
    // FT2232C/D's second port keeps its own clock here: no refusal.
    return ftdi_chip_family(*type, *type == FtdiChipType::FT2232C ? 0 : m_interfaceNumber);
}

bool D2xxFtdiDriver::set_latency_timer(std::chrono::milliseconds latency)
{
    return !failed(m_ft->FT_SetLatencyTimer(m_handle, Uchar(latency.count())), "setting the latency timer");
}

// D2XX hands the chip the divisor of the rate it is given in either mode;
// libftdi multiplies a bit-bang rate by four first. Done here too, both
// drivers give the chip the same divisor, and the states the same length.
bool D2xxFtdiDriver::set_bit_bang_rate(int rate)
{
    return !failed(m_ft->FT_SetBaudRate(m_handle, Dword(rate) * 4), "setting the bit-bang rate");
}

bool D2xxFtdiDriver::purge()
{
    return !failed(m_ft->FT_Purge(m_handle, PurgeRx | PurgeTx), "clearing the adapter's buffers");
}

bool D2xxFtdiDriver::set_sync_bit_bang(quint8 outputs)
{
    if (failed(m_ft->FT_SetBitMode(m_handle, outputs, BitModeSyncBitBang),
               outputs == 0 ? "entering synchronous bit-bang mode" : "driving the lines"))
        return false;
    m_bitBang = true;
    return true;
}

bool D2xxFtdiDriver::leave_bit_bang(bool dtrAsserted, bool rtsAsserted)
{
    if (failed((dtrAsserted ? m_ft->FT_SetDtr : m_ft->FT_ClrDtr)(m_handle), "setting DTR")
        || failed((rtsAsserted ? m_ft->FT_SetRts : m_ft->FT_ClrRts)(m_handle), "setting RTS")
        || failed(m_ft->FT_SetBitMode(m_handle, 0, BitModeReset), "leaving bit-bang mode"))
        return false;
    m_bitBang = false;
    return true;
}

bool D2xxFtdiDriver::set_uart_rate(int bitRate)
{
    return !failed(m_ft->FT_SetBaudRate(m_handle, Dword(bitRate)), "setting the bit rate")
           && !failed(m_ft->FT_SetDataCharacteristics(m_handle, Bits8, StopBits1, ParityNone), "setting 8N1");
}

bool D2xxFtdiDriver::write_uart(const QByteArray &bytes)
{
    return write_all(bytes.constData(), std::size_t(bytes.size()), "sending the step marker");
}

bool D2xxFtdiDriver::transmitter_empty(bool &empty)
{
    Dword status = 0;
    if (failed(m_ft->FT_GetModemStatus(m_handle, &status), "waiting for the step marker"))
        return false;
    empty = (status & TransmitterEmpty) != 0;
    return true;
}

bool D2xxFtdiDriver::submit_write(const quint8 *states, std::size_t count)
{
    Q_ASSERT(count > 0 && count <= MaxWriteStates);
    return write_all(states, count, "writing line states");
}

// FT_Write returns once the driver has the bytes, or after the write
// time-out with fewer: the chip took no more.
bool D2xxFtdiDriver::write_all(const void *data, std::size_t count, const char *what)
{
    Dword written = 0;
    if (failed(m_ft->FT_Write(m_handle, data, Dword(count), &written), what))
        return false;
    if (written == count)
        return true;
    m_errorText = tr("%1 failed (the adapter took %2 of %3 bytes)").arg(QLatin1String(what)).arg(written).arg(count);
    return false;
}

bool D2xxFtdiDriver::submit_read(quint8 *samples, std::size_t count)
{
    m_readInto = samples;
    m_readCount = count;
    m_readGot = 0;
    return true;
}

// What has arrived is taken at once. With nothing there, one read of a
// single sample blocks in FTDI's driver until it comes or the patience is
// over; whatever came behind it is taken too.
int D2xxFtdiDriver::wait_read(std::chrono::milliseconds patience)
{
    if (m_readGot >= m_readCount)
        return int(m_readGot);
    const std::size_t before = m_readGot;
    Dword waiting = 0;
    if (failed(m_ft->FT_GetQueueStatus(m_handle, &waiting), "asking for the samples"))
        return -1;
    if (waiting == 0) {
        // A time-out of 0 would be none at all.
        if (!set_read_timeout(std::max(patience, std::chrono::milliseconds(1))) || !read_into_hand(1))
            return -1;
        if (m_readGot == before)
            return int(m_readGot); // the patience is over
        if (failed(m_ft->FT_GetQueueStatus(m_handle, &waiting), "asking for the samples"))
            return -1;
    }
    if (waiting > 0 && !read_into_hand(Dword(std::min<std::size_t>(waiting, m_readCount - m_readGot))))
        return -1;
    return int(m_readGot);
}

bool D2xxFtdiDriver::read_into_hand(Dword count)
{
    Dword got = 0;
    if (failed(m_ft->FT_Read(m_handle, m_readInto + m_readGot, count, &got), "reading the samples"))
        return false;
    m_readGot += std::min<std::size_t>(got, count);
    return true;
}

bool D2xxFtdiDriver::set_read_timeout(std::chrono::milliseconds timeout)
{
    if (timeout == m_readTimeout)
        return true;
    if (failed(m_ft->FT_SetTimeouts(m_handle, Dword(timeout.count()), WriteTimeoutMs), "setting the time-outs"))
        return false;
    m_readTimeout = timeout;
    return true;
}

int D2xxFtdiDriver::bytes_available()
{
    Dword waiting = 0;
    if (!m_handle || failed(m_ft->FT_GetQueueStatus(m_handle, &waiting), "asking for the samples"))
        return -1;
    return int(waiting);
}

// The adapter goes back to FTDI's driver as a UART, so that its COM port
// works again; after a lost adapter both calls fail, and nothing is left.
void D2xxFtdiDriver::close()
{
    if (!m_handle)
        return;
    if (m_bitBang)
        m_ft->FT_SetBitMode(m_handle, 0, BitModeReset);
    m_ft->FT_Close(m_handle);
    m_handle = nullptr;
    m_bitBang = false;
    m_readInto = nullptr;
    m_readCount = m_readGot = 0;
}

bool D2xxFtdiDriver::failed(Status status, const char *what)
{
    if (status == Ok)
        return false;
    m_errorText = tr("%1 failed (%2)").arg(QLatin1String(what), QString::fromStdString(status_name(status)));
    return true;
}

} // namespace zrx
