#include "bus/ftdi/ftdi_bit_bang_control.h"

#include "bus/ftdi/ftdi_pins.h"
#include "bus/line_settings.h"

#include <QElapsedTimer>
#include <QThread>

namespace zrx {
namespace {

namespace pins = ftdi_pins;

constexpr quint16 FtdiVendorId = 0x0403;

} // namespace

FtdiBitBangControl::FtdiBitBangControl(std::unique_ptr<UsbAdapterLocator> locator, PortDeviceTable devices,
                                       Clock clock, QObject *parent)
    : FtdiBitBangControl(make_ftdi_driver(), std::move(locator), std::move(devices), std::move(clock), parent)
{
}

FtdiBitBangControl::FtdiBitBangControl(std::unique_ptr<FtdiDriver> driver,
                                       std::unique_ptr<UsbAdapterLocator> locator, PortDeviceTable devices,
                                       Clock clock, QObject *parent)
    : FastPortControl(parent),
      m_locator(std::move(locator)),
      m_devices(std::move(devices)),
      m_driver(std::move(driver)),
      m_claim(*m_driver, *m_locator),
      m_stateClock(std::move(clock)),
      m_queue(*m_driver)
{
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
        return refuse(m_locator->no_adapter_reason(m_node));
    if (adapter->vendorId != FtdiVendorId)
        return refuse(tr("not an FTDI adapter (USB vendor %1)").arg(adapter->vendorId, 4, 16, QLatin1Char('0')));
    return take(*adapter);
}

OpenOutcome FtdiBitBangControl::open_detached(const PortConfiguration &configuration)
{
    begin_opening(configuration);
    const std::optional<UsbAdapter> adapter = m_remembered.port == m_portNumber
        ? m_locator->detached_adapter(m_remembered.adapter) : std::nullopt;
    if (!adapter)
        return refuse(tr("no adapter of %1 is waiting without its serial driver").arg(port_name(m_portNumber)));
    return take(*adapter);
}

OpenOutcome FtdiBitBangControl::take(const UsbAdapter &adapter)
{
    m_state = pins::Released;
    if (!m_claim.claim(adapter))
        return refuse(m_claim.error_text());
    m_stateClock.start_from(m_claim.family().statePeriod);
    m_queue.set_read_buffer(m_claim.family().readBuffer);
    if (!enter_bit_bang())
        return refuse(m_errorText);
    if (!m_stateClock.time_states(m_queue, m_state)) {
        // The serial driver gets the adapter back in UART mode, its lines
        // as they were.
        const QString reason = m_stateClock.error_text();
        leave_bit_bang();
        return refuse(reason);
    }
    m_open = true;
    // Every port opens with the bus idle.
    go_to(pins::Released);
    flush_lines();
    if (!m_open)
        return OpenOutcome::Failed;
    m_remembered = {m_portNumber, adapter};
    emit adapter_taken(remembered_adapter());
    return OpenOutcome::Opened;
}

QString FtdiBitBangControl::remembered_adapter() const
{
    return remembered_adapter_text(m_remembered);
}

void FtdiBitBangControl::set_remembered_adapter(const QString &text)
{
    m_remembered = remembered_adapter_from_text(text);
}

OpenOutcome FtdiBitBangControl::refuse(const QString &reason)
{
    m_errorText = reason;
    m_claim.release(m_node, true);
    return OpenOutcome::Failed;
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
    quint8 sample = 0;
    // What the UART received before is no sample.
    if (failed(m_driver->set_bit_bang_rate(FtdiBitBangRate) && m_driver->purge()
               && m_driver->set_sync_bit_bang(0)))
        return false;
    if (!m_queue.transfer(&m_state, 1, &sample)) {
        m_errorText = m_queue.error_text();
        return false;
    }
    return !failed(m_driver->set_sync_bit_bang(pins::Outputs));
}

// Back to the UART with its DTR and RTS set as the bus leaves the lines, so
// that the pins keep their levels.
bool FtdiBitBangControl::leave_bit_bang()
{
    return !failed(m_driver->leave_bit_bang(pins::line_asserted(m_state, pins::DtrLine),
                                            pins::line_asserted(m_state, pins::RtsLine)));
}

// The driver's reason becomes the port's.
bool FtdiBitBangControl::failed(bool succeeded)
{
    if (!succeeded)
        m_errorText = m_driver->error_text();
    return !succeeded;
}

void FtdiBitBangControl::go_to(quint8 state)
{
    m_state = state;
    m_queue.push(state);
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
    m_queue.read_last_into(pins::DsrLine, &answer);
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
    if (m_open)
        m_queue.repeat(m_state, m_stateClock.states_for(duration));
}

void FtdiBitBangControl::flush_lines()
{
    if (m_open && !m_queue.flush())
        lose_port(m_queue.error_text());
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
    if (!leave_bit_bang() || failed(m_driver->set_uart_rate(m_bitRate)) || failed(m_driver->write_uart(bytes)))
        return false;
    // Ten bits a byte on the line; only then can the transmitter be empty.
    QThread::usleep(quint64(bytes.size()) * 10 * 1000000 / quint64(m_bitRate));
    const qint64 allowanceMs = qint64(m_timeouts.WriteTotalTimeoutMultiplier) * bytes.size()
                               + m_timeouts.WriteTotalTimeoutConstant;
    QElapsedTimer waiting;
    waiting.start();
    for (bool empty = false; !empty;) {
        if (failed(m_driver->transmitter_empty(empty)))
            return false;
        if (!empty && waiting.elapsed() > allowanceMs) {
            m_errorText = tr("the step marker did not leave the adapter");
            return false;
        }
    }
    return enter_bit_bang();
}

void FtdiBitBangControl::close_port()
{
    bool adapterAnswers = m_claim.is_claimed();
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
    m_claim.release(m_node, adapterAnswers);
}

void FtdiBitBangControl::lose_port(const QString &reason)
{
    if (!m_open)
        return;
    // Answers still to come read as a released data line, as on a closed port.
    m_queue.drop(false);
    m_open = false;
    m_errorText = m_node + QStringLiteral(": ") + reason;
    m_claim.release(m_node, false);
    emit port_lost(m_errorText);
}

} // namespace zrx
