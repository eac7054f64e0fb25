#pragma once

#include "bus/fast_port_control.h"
#include "bus/ftdi/ftdi_adapter_claim.h"
#include "bus/ftdi/ftdi_driver.h"
#include "bus/ftdi/ftdi_state_clock.h"
#include "bus/ftdi/ftdi_transfer_queue.h"
#include "bus/ftdi/remembered_adapter.h"
#include "bus/ftdi/usb_adapter_locator.h"
#include "bus/port_names.h"

#include <chrono>
#include <memory>

namespace zrx {

// The port as an FTDI adapter in synchronous bit-bang mode, through the
// system's FTDI driver (FtdiDriver):
// DTR, RTS and TXD become outputs, DSR an input, and every line write queues
// one pin state (even one that changes nothing), so the states follow the
// per-request sequence one by one. A flush sends the queue in one USB
// transfer (or a few: see FtdiTransferQueue) and reads back one sample of the
// pins per state; the chip then moves one state per tick of its bit-bang
// clock, and bus pauses become repeated states. How long a state lasts
// depends on the chip's family and is timed on the adapter at opening: under
// 5 us, fast mode is refused.
//
// Opening takes the adapter from the system's serial driver (its node goes
// away meanwhile) and closing gives it back. The adapter is found behind
// COMn's device node by the locator, and never guessed: when neither its bus
// location nor its serial number tells it apart, it is refused. A transfer
// that fails or stalls means the adapter
// is gone: the port closes, says so once through port_lost(), and later
// operations do nothing.
//
// The adapter taken is remembered; when a killed run left it without its
// serial driver (no node, so no way in through the port), open_detached()
// finds it by that and takes it all the same.
class FtdiBitBangControl final : public FastPortControl {
    Q_OBJECT
public:
    // A monotonic clock; the tests hand in the fake adapter's.
    using Clock = FtdiStateClock::Clock;

    // Through this build's driver (make_ftdi_driver()).
    explicit FtdiBitBangControl(std::unique_ptr<UsbAdapterLocator> locator,
                                PortDeviceTable devices = default_port_devices(), Clock clock = {},
                                QObject *parent = nullptr);
    FtdiBitBangControl(std::unique_ptr<FtdiDriver> driver, std::unique_ptr<UsbAdapterLocator> locator,
                       PortDeviceTable devices, Clock clock = {}, QObject *parent = nullptr);
    ~FtdiBitBangControl() override;

    OpenOutcome open_port(const PortConfiguration &configuration) override;
    OpenOutcome open_detached(const PortConfiguration &configuration) override;
    QString remembered_adapter() const override;
    void set_remembered_adapter(const QString &text) override;
    void close_port() override;
    bool is_open() const override { return m_open; }
    int port_number() const override { return m_portNumber; }
    QString error_text() const override { return m_errorText; }

    // The step marker leaves bit-bang mode: see the definition.
    bool output(const QByteArray &bytes) override;

    PortTimeouts timeouts() const override { return m_timeouts; }
    void set_timeouts(const PortTimeouts &timeouts) override { m_timeouts = timeouts; }

    void set_dtr(bool asserted) override;
    void set_rts(bool asserted) override;
    bool dsr() override;
    void read_dsr_into(bool &answer) override;
    void flush_lines() override;
    void hold_lines(std::chrono::nanoseconds duration) override;

private:
    void begin_opening(const PortConfiguration &configuration);
    OpenOutcome take(const UsbAdapter &adapter);
    OpenOutcome refuse(const QString &reason);
    bool enter_bit_bang();
    bool leave_bit_bang();
    bool send_uart_bytes(const QByteArray &bytes);
    bool failed(bool succeeded);
    // Queues one state, which the pins then keep.
    void go_to(quint8 state);
    void lose_port(const QString &reason);

    std::unique_ptr<UsbAdapterLocator> m_locator;
    PortDeviceTable m_devices;
    std::unique_ptr<FtdiDriver> m_driver;
    FtdiAdapterClaim m_claim;
    FtdiStateClock m_stateClock;
    FtdiTransferQueue m_queue;
    RememberedAdapter m_remembered;
    bool m_open = false;
    int m_portNumber = 0;
    qint32 m_bitRate = 0;
    QString m_node;
    QString m_errorText;
    PortTimeouts m_timeouts{0, 0, 1000, 0, 1000};
    // The pins as the last queued state leaves them.
    quint8 m_state = 0;
};

} // namespace zrx
