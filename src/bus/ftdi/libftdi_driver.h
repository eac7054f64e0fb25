#pragma once

#include "bus/ftdi/ftdi_driver.h"

struct ftdi_context;

namespace zrx {

// The adapter through libftdi (over libusb), the only file that calls it.
// One write or read at a time for now: a submitted write goes out at once,
// and a read is fetched while it is waited for.
class LibFtdiDriver final : public FtdiDriver {
public:
    LibFtdiDriver() = default;
    ~LibFtdiDriver() override;
    LibFtdiDriver(const LibFtdiDriver &) = delete;
    LibFtdiDriver &operator=(const LibFtdiDriver &) = delete;

    bool open(const UsbAdapter &adapter) override;
    bool is_open() const override { return m_ftdi != nullptr; }
    bool adapter_taken() const override { return m_adapterTaken; }
    FtdiChipFamily chip_family() const override;
    bool set_latency_timer(std::chrono::milliseconds latency) override;

    bool set_bit_bang_rate(int rate) override;
    bool purge() override;
    bool set_sync_bit_bang(quint8 outputs) override;
    bool leave_bit_bang(bool dtrAsserted, bool rtsAsserted) override;

    bool set_uart_rate(int bitRate) override;
    bool write_uart(const QByteArray &bytes) override;
    bool transmitter_empty(bool &empty) override;

    bool submit_write(const quint8 *states, std::size_t count) override;
    bool submit_read(quint8 *samples, std::size_t count) override;
    int wait_read(std::chrono::milliseconds patience) override;
    int bytes_available() override;

    void close() override;
    QString error_text() const override { return m_errorText; }

private:
    int open_usb(const UsbAdapter &adapter);
    int count_candidates(const UsbAdapter &adapter);
    bool failed(int result, const char *what);
    QString libftdi_error(const char *what) const;

    ftdi_context *m_ftdi = nullptr;
    bool m_adapterTaken = false;
    int m_interfaceNumber = 0;
    QString m_errorText;
    // The read in hand.
    quint8 *m_readInto = nullptr;
    std::size_t m_readCount = 0;
    std::size_t m_readGot = 0;
};

} // namespace zrx
