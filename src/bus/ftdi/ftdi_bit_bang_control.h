#pragma once

#include "bus/fast_port_control.h"
#include "bus/ftdi/usb_adapter_locator.h"
#include "bus/port_names.h"

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

struct ftdi_context;

namespace zrx {

// The port as an FTDI adapter in synchronous bit-bang mode, through libftdi:
// DTR, RTS and TXD become outputs, DSR an input, and every line write queues
// one pin state (even one that changes nothing), so the states follow the
// per-request sequence one by one. A flush sends the queue in one USB
// transfer (or a few: see StatesInFlight) and reads back one sample of the
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
    using Clock = std::function<std::chrono::nanoseconds()>;

    explicit FtdiBitBangControl(std::unique_ptr<UsbAdapterLocator> locator,
                                PortDeviceTable devices = default_port_devices(), Clock clock = {},
                                QObject *parent = nullptr);
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
    struct PendingRead {
        std::size_t sample; // index of the state whose sample answers it
        bool *answer;
    };

    void begin_opening(const PortConfiguration &configuration);
    OpenOutcome take(const UsbAdapter &adapter);
    OpenOutcome refuse(const QString &reason);
    bool open_adapter(const UsbAdapter &adapter);
    int open_usb(const UsbAdapter &adapter);
    int count_candidates(const UsbAdapter &adapter);
    bool enter_bit_bang();
    bool time_states();
    bool leave_bit_bang();
    bool transfer(const quint8 *states, std::size_t count, quint8 *samples);
    bool send_uart_bytes(const QByteArray &bytes);
    bool failed(int result, const char *what);
    // Queues one state, which the pins then keep.
    void go_to(quint8 state);
    void lose_port(const QString &reason);
    void release_adapter(bool waitForNode);
    QString libftdi_error(const char *what) const;

    std::unique_ptr<UsbAdapterLocator> m_locator;
    PortDeviceTable m_devices;
    Clock m_clock;
    // The port and the adapter last taken for it.
    int m_rememberedPort = 0;
    UsbAdapter m_rememberedAdapter;
    ftdi_context *m_ftdi = nullptr;
    // Whether the serial driver gave the adapter up to us.
    bool m_adapterTaken = false;
    bool m_open = false;
    int m_portNumber = 0;
    qint32 m_bitRate = 0;
    QString m_node;
    QString m_errorText;
    PortTimeouts m_timeouts{0, 0, 1000, 0, 1000};
    // The pins as the last queued state leaves them.
    quint8 m_state = 0;
    // How long one state lasts on this adapter.
    std::chrono::nanoseconds m_statePeriod{0};
    std::vector<quint8> m_queue;
    std::vector<quint8> m_samples;
    std::vector<PendingRead> m_reads;
};

} // namespace zrx
