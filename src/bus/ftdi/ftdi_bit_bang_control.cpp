#include "bus/ftdi/ftdi_bit_bang_control.h"

#include "bus/ftdi/ftdi_chip_family.h"
#include "bus/ftdi/ftdi_pins.h"
#include "bus/line_settings.h"

#include <ftdi.h>

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cstdint>

namespace zrx {
namespace {

using namespace std::chrono_literals;
namespace pins = ftdi_pins;

constexpr quint16 FtdiVendorId = 0x0403;

// At most this many states written before their samples are read back.
// FT232Rs in the field hang now and then on longer writes in synchronous
// bit-bang mode (OpenOCD's driver keeps to 64 for this); 64 states and their
// 64 samples also fit the chip's FIFOs both ways.
constexpr std::size_t StatesInFlight = 64;
// Repeated states timed at opening, in full writes, against as many writes
// of one state each: the difference is their time on the pins alone.
constexpr std::size_t TimedStates = 32 * StatesInFlight;
// A flush that gets no samples for this long has lost the adapter.
constexpr qint64 SamplePatienceMs = 1000;
// libusb gives up on a stalled transfer after this long (its default is 5 s).
constexpr int UsbTimeoutMs = 1000;
// How long closing waits for the serial driver to bring the port's node back.
constexpr qint64 NodeReturnMs = 2000;
// The chip sends what samples it has after this many milliseconds; its
// default of 16 would be added to every flush.
constexpr unsigned char LatencyTimerMs = 1;
// "Transmitter empty" in the word of ftdi_poll_modem_status (line status
// byte, bit 6).
constexpr unsigned short TransmitterEmpty = 0x4000;
// Room for the longest group with its pauses (a general call reset: 118
// writes and 59 pauses of 10 states) without growing.
constexpr std::size_t QueueRoom = 4096;

} // namespace

FtdiBitBangControl::FtdiBitBangControl(std::unique_ptr<UsbAdapterLocator> locator, PortDeviceTable devices,
                                       Clock clock, QObject *parent)
    : FastPortControl(parent), m_locator(std::move(locator)), m_devices(std::move(devices)), m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] { return std::chrono::steady_clock::now().time_since_epoch(); };
    Q_ASSERT(m_locator);
    m_queue.reserve(QueueRoom);
    m_samples.reserve(QueueRoom);
    m_reads.reserve(64);
}

FtdiBitBangControl::~FtdiBitBangControl()
{
    close_port();
}

void FtdiBitBangControl::begin_opening(const PortConfiguration &configuration)
{
    close_port();
    m_portNumber = configuration.CommPort;
    m_bitRate = bit_rate_of(configuration.Settings);
    m_errorText.clear();
    m_node = port_device(m_devices, m_portNumber);
}

OpenOutcome FtdiBitBangControl::open_port(const PortConfiguration &configuration)
{
    begin_opening(configuration);
    if (m_node.isEmpty())
        return refuse(tr("%1 has no device on this system").arg(port_name(m_portNumber)));
    const std::optional<UsbAdapter> adapter = m_locator->adapter_of(m_node);
    if (!adapter)
        return refuse(tr("%1 is not a USB adapter").arg(m_node));
    if (adapter->vendorId != FtdiVendorId)
        return refuse(tr("not an FTDI adapter (USB vendor %1)").arg(adapter->vendorId, 4, 16, QLatin1Char('0')));
    return take(*adapter);
}

OpenOutcome FtdiBitBangControl::open_detached(const PortConfiguration &configuration)
{
    begin_opening(configuration);
    const std::optional<UsbAdapter> adapter = m_rememberedPort == m_portNumber
        ? m_locator->detached_adapter(m_rememberedAdapter) : std::nullopt;
    if (!adapter)
        return refuse(tr("no adapter of %1 is waiting without its serial driver").arg(port_name(m_portNumber)));
    return take(*adapter);
}

OpenOutcome FtdiBitBangControl::take(const UsbAdapter &adapter)
{
    m_state = pins::Released;
    if (!open_adapter(adapter) || !enter_bit_bang())
        return refuse(m_errorText);
    if (!time_states()) {
        // The serial driver gets the adapter back in UART mode, its lines
        // as they were.
        const QString reason = m_errorText;
        leave_bit_bang();
        return refuse(reason);
    }
    m_open = true;
    // Every port opens with the bus idle.
    go_to(pins::Released);
    flush_lines();
    if (!m_open)
        return OpenOutcome::Failed;
    m_rememberedPort = m_portNumber;
    m_rememberedAdapter = adapter;
    emit adapter_taken(remembered_adapter());
    return OpenOutcome::Opened;
}

// "5;FT0FAKE1;1;7;0;403;6001": port, serial number, bus, address,
// interface, vendor and product (hexadecimal).
QString FtdiBitBangControl::remembered_adapter() const
{
    if (m_rememberedPort == 0)
        return {};
    const UsbAdapter &a = m_rememberedAdapter;
    return QStringList{QString::number(m_rememberedPort), a.serialNumber, QString::number(a.busNumber),
                       QString::number(a.deviceAddress), QString::number(a.interfaceNumber),
                       QString::number(a.vendorId, 16), QString::number(a.productId, 16)}
        .join(QLatin1Char(';'));
}

void FtdiBitBangControl::set_remembered_adapter(const QString &text)
{
    const QStringList fields = text.split(QLatin1Char(';'));
    m_rememberedPort = 0;
    if (fields.size() != 7)
        return;
    m_rememberedAdapter = {quint16(fields[5].toUInt(nullptr, 16)), quint16(fields[6].toUInt(nullptr, 16)), fields[1],
                           fields[2].toInt(), fields[3].toInt(), fields[4].toInt()};
    m_rememberedPort = fields[0].toInt();
}

OpenOutcome FtdiBitBangControl::refuse(const QString &reason)
{
    m_errorText = reason;
    release_adapter(true);
    return OpenOutcome::Failed;
}

bool FtdiBitBangControl::open_adapter(const UsbAdapter &adapter)
{
    m_ftdi = ftdi_new();
    if (!m_ftdi) {
        m_errorText = tr("libftdi could not start");
        return false;
    }
    // Closing gives the adapter back to the system's serial driver.
    m_ftdi->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
    const auto port = ftdi_interface(INTERFACE_A + qBound(0, adapter.interfaceNumber, 3));
    if (failed(ftdi_set_interface(m_ftdi, port), "choosing the adapter's port"))
        return false;
    if (const int opened = open_usb(adapter); opened < 0) {
        // Most often the USB device node is root's alone: the udev rule
        // gives it to the dialout group.
        if (m_errorText.isEmpty())
            m_errorText = tr("the adapter could not be opened over USB (%1; see the user guide for the udev rule)")
                              .arg(QString::fromLocal8Bit(ftdi_get_error_string(m_ftdi)));
        return false;
    }
    m_adapterTaken = true;
    m_ftdi->usb_read_timeout = m_ftdi->usb_write_timeout = UsbTimeoutMs;
    const FtdiChipFamily family = ftdi_chip_family(m_ftdi->type, adapter.interfaceNumber);
    if (!family.refusal.isEmpty()) {
        m_errorText = family.refusal;
        return false;
    }
    m_statePeriod = family.statePeriod;
    return !failed(ftdi_set_latency_timer(m_ftdi, LatencyTimerMs), "setting the latency timer");
}

// By its place on the USB, or by its serial number when that is all there
// is, and then only when no other adapter answers to it: "the first FTDI
// device" may be anybody's.
int FtdiBitBangControl::open_usb(const UsbAdapter &adapter)
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

int FtdiBitBangControl::count_candidates(const UsbAdapter &adapter)
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

// No pin is driven before it holds the level its line has now: the pins are
// inputs while the output latch takes the levels, and become outputs after.
// The board's pull-ups hold both lines released meanwhile, so that moment is
// kept to the four requests it needs (the mode, one state written and its
// sample read, the outputs); the rate and the buffers are set before. The
// levels are the bus's: released at opening, as the pull-ups hold them, and
// idle after a step marker.
bool FtdiBitBangControl::enter_bit_bang()
{
    // libftdi scales the rate by four only once the mode is on: done here
    // beforehand, the chip gets the same divisor.
    if (failed(ftdi_set_baudrate(m_ftdi, FtdiBitBangRate * 4), "setting the bit-bang rate")
        // What the UART received before is no sample.
        || failed(ftdi_tcioflush(m_ftdi), "clearing the adapter's buffers"))
        return false;
    quint8 sample = 0;
    return !failed(ftdi_set_bitmode(m_ftdi, 0, BITMODE_SYNCBB), "entering synchronous bit-bang mode")
           && transfer(&m_state, 1, &sample)
           && !failed(ftdi_set_bitmode(m_ftdi, pins::Outputs, BITMODE_SYNCBB), "driving the lines");
}

// The adapter's own state clock, timed: repeats of the present state, which
// move no line. Families whose clock no document gives are found out here.
bool FtdiBitBangControl::time_states()
{
    std::vector<quint8> states(TimedStates, m_state);
    std::vector<quint8> samples(TimedStates);
    const std::chrono::nanoseconds start = m_clock();
    if (!transfer(states.data(), TimedStates, samples.data()))
        return false;
    const std::chrono::nanoseconds full = m_clock();
    for (std::size_t i = 0; i < TimedStates / StatesInFlight; ++i) {
        if (!transfer(states.data(), 1, samples.data()))
            return false;
    }
    const std::chrono::nanoseconds single = m_clock();
    const auto measured = ((full - start) - (single - full)) / std::int64_t(TimedStates - TimedStates / StatesInFlight);
    if (measured < ShortestState) {
        m_errorText = tr("the adapter's line states last %1 us, shorter than the 5 us the bus needs")
                          .arg(double(measured.count()) / 1000.0, 0, 'f', 2);
        return false;
    }
    // Pauses are counted in states of the shorter of the two.
    m_statePeriod = std::min(m_statePeriod, measured);
    return true;
}

// Back to the UART with its DTR and RTS set as the bus leaves the lines, so
// that the pins keep their levels.
bool FtdiBitBangControl::leave_bit_bang()
{
    return !failed(ftdi_setdtr_rts(m_ftdi, pins::line_asserted(m_state, pins::DtrLine),
                                   pins::line_asserted(m_state, pins::RtsLine)),
                   "setting DTR and RTS")
           && !failed(ftdi_set_bitmode(m_ftdi, 0, BITMODE_RESET), "leaving bit-bang mode");
}

bool FtdiBitBangControl::failed(int result, const char *what)
{
    if (result >= 0)
        return false;
    m_errorText = libftdi_error(what);
    return true;
}

QString FtdiBitBangControl::libftdi_error(const char *what) const
{
    return tr("%1 failed (%2)").arg(QLatin1String(what), QString::fromLocal8Bit(ftdi_get_error_string(m_ftdi)));
}

// Writes the states and reads one sample back for each, a few at a time.
bool FtdiBitBangControl::transfer(const quint8 *states, std::size_t count, quint8 *samples)
{
    for (std::size_t done = 0; done < count;) {
        const std::size_t chunk = std::min(StatesInFlight, count - done);
        if (ftdi_write_data(m_ftdi, states + done, int(chunk)) != int(chunk)) {
            m_errorText = libftdi_error("writing line states");
            return false;
        }
        QElapsedTimer waiting;
        waiting.start();
        for (std::size_t got = 0; got < chunk;) {
            const int read = ftdi_read_data(m_ftdi, samples + done + got, int(chunk - got));
            if (read < 0) {
                m_errorText = libftdi_error("reading the samples");
                return false;
            }
            if (read > 0) {
                got += std::size_t(read);
                waiting.restart();
            } else if (waiting.elapsed() > SamplePatienceMs) {
                m_errorText = tr("the adapter stopped answering");
                return false;
            }
        }
        done += chunk;
    }
    return true;
}

void FtdiBitBangControl::go_to(quint8 state)
{
    m_state = state;
    m_queue.push_back(state);
}

void FtdiBitBangControl::set_dtr(bool asserted)
{
    if (m_open)
        go_to(pins::with_line(m_state, pins::DtrLine, asserted));
}

void FtdiBitBangControl::set_rts(bool asserted)
{
    if (m_open)
        go_to(pins::with_line(m_state, pins::RtsLine, asserted));
}

// In synchronous bit-bang mode the chip reads the pins before it puts out
// the byte it was sent, so a byte's sample shows the state before it. The
// state a read queues repeats the present one: its sample shows the lines as
// the writes before the read left them, held one state long. (Were the
// sample taken after its state, it would show the same: the repeat changes
// nothing, and the chip holds its bit through the whole high clock.)
void FtdiBitBangControl::read_dsr_into(bool &answer)
{
    if (!m_open) {
        answer = false; // a closed port reads DSR not asserted: data released
        return;
    }
    go_to(m_state);
    m_reads.push_back({m_queue.size() - 1, &answer});
}

bool FtdiBitBangControl::dsr()
{
    bool asserted = false;
    read_dsr_into(asserted);
    flush_lines();
    return asserted;
}

void FtdiBitBangControl::hold_lines(std::chrono::nanoseconds duration)
{
    if (!m_open)
        return;
    const std::int64_t states = (duration.count() + m_statePeriod.count() - 1) / m_statePeriod.count();
    m_queue.insert(m_queue.end(), std::size_t(std::max<std::int64_t>(states, 0)), m_state);
}

void FtdiBitBangControl::flush_lines()
{
    if (!m_open || m_queue.empty())
        return;
    m_samples.resize(m_queue.size());
    if (!transfer(m_queue.data(), m_queue.size(), m_samples.data())) {
        lose_port(m_errorText);
        return;
    }
    for (const PendingRead &read : m_reads)
        *read.answer = pins::line_asserted(m_samples[read.sample], pins::DsrLine);
    m_reads.clear();
    m_queue.clear();
}

// The step marker goes out through the chip's own UART, at the port's bit
// rate exactly, whatever the bit-bang clock really is: the mode is left with
// DTR and RTS set to the levels the lines have, the bytes are sent, and the
// mode is entered again the way opening enters it, once the last stop bit
// has left.
bool FtdiBitBangControl::output(const QByteArray &bytes)
{
    if (!m_open || m_bitRate <= 0)
        return false;
    if (bytes.isEmpty())
        return true;
    flush_lines();
    if (!m_open)
        return false;
    if (!send_uart_bytes(bytes)) {
        lose_port(m_errorText);
        return false;
    }
    return true;
}

bool FtdiBitBangControl::send_uart_bytes(const QByteArray &bytes)
{
    if (!leave_bit_bang() || failed(ftdi_set_baudrate(m_ftdi, m_bitRate), "setting the bit rate")
        || failed(ftdi_set_line_property(m_ftdi, BITS_8, STOP_BIT_1, NONE), "setting 8N1"))
        return false;
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    if (ftdi_write_data(m_ftdi, data, int(bytes.size())) != int(bytes.size())) {
        m_errorText = libftdi_error("sending the step marker");
        return false;
    }
    // Ten bits a byte on the line; only then can the transmitter be empty.
    QThread::usleep(quint64(bytes.size()) * 10 * 1000000 / quint64(m_bitRate));
    const qint64 allowanceMs = qint64(m_timeouts.WriteTotalTimeoutMultiplier) * bytes.size()
                               + m_timeouts.WriteTotalTimeoutConstant;
    QElapsedTimer waiting;
    waiting.start();
    for (unsigned short status = 0; !(status & TransmitterEmpty);) {
        if (failed(ftdi_poll_modem_status(m_ftdi, &status), "waiting for the step marker"))
            return false;
        if (!(status & TransmitterEmpty) && waiting.elapsed() > allowanceMs) {
            m_errorText = tr("the step marker did not leave the adapter");
            return false;
        }
    }
    return enter_bit_bang();
}

void FtdiBitBangControl::close_port()
{
    bool adapterAnswers = m_ftdi != nullptr;
    if (m_open) {
        // The lines are left released: the bus idle in the last states, then
        // the UART's own lines at the same levels.
        go_to(pins::Released);
        flush_lines();
        if (m_open) {
            // A failure on the way out is not why the port failed or went.
            const QString reason = m_errorText;
            adapterAnswers = leave_bit_bang();
            m_errorText = reason;
            m_open = false;
        }
    }
    release_adapter(adapterAnswers);
}

void FtdiBitBangControl::lose_port(const QString &reason)
{
    if (!m_open)
        return;
    // Answers still to come read as a released data line, as on a closed port.
    for (const PendingRead &read : m_reads)
        *read.answer = false;
    m_reads.clear();
    m_queue.clear();
    m_open = false;
    m_errorText = m_node + QStringLiteral(": ") + reason;
    release_adapter(false);
    emit port_lost(m_errorText);
}

void FtdiBitBangControl::release_adapter(bool waitForNode)
{
    if (m_ftdi) {
        // Closing releases the USB interface, which gives the adapter back to
        // the serial driver; freeing alone would not.
        if (m_adapterTaken)
            ftdi_usb_close(m_ftdi);
        ftdi_free(m_ftdi);
        m_ftdi = nullptr;
    }
    if (waitForNode && m_adapterTaken) {
        QElapsedTimer waiting;
        waiting.start();
        while (!m_locator->node_ready(m_node) && waiting.elapsed() < NodeReturnMs)
            QThread::msleep(10);
    }
    m_adapterTaken = false;
}

} // namespace zrx
