#pragma once

#include "bus/ftdi/ftdi_driver.h"

#include <array>
#include <memory>
#include <vector>

struct ftdi_context;
struct ftdi_transfer_control;

namespace zrx {

// The adapter through libftdi (over libusb), the only file that calls it.
// Writes and the read are libusb transfers in flight together
// (ftdi_write_data_submit, ftdi_read_data_submit): a write returns as soon as
// it is submitted, and waiting for the read first sees the writes before it
// done. libftdi keeps one read in flight per context.
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
    // A submitted write and the states it carries until it is done.
    struct Write {
        ftdi_transfer_control *transfer = nullptr;
        int count = 0;
        std::array<quint8, MaxWriteStates> states{};
    };
    bool finish_writes();
    void cancel_transfers();

    std::vector<std::unique_ptr<Write>> m_writes;
    // The read in hand.
    ftdi_transfer_control *m_read = nullptr;
    std::size_t m_readCount = 0;
    std::size_t m_readGot = 0;
};

} // namespace zrx
