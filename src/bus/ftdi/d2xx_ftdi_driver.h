#pragma once

#include "bus/ftdi/d2xx_library.h"
#include "bus/ftdi/ftdi_driver.h"

#include <functional>

namespace zrx {

// The adapter through FTDI's D2XX library, the Windows driver: the only file
// that calls it for a port. Each adapter is one D2XX device (each port of a
// chip with several is one of its own), opened by its serial number while
// its COM port is closed, and closed again to give it back, out of bit-bang
// mode. D2XX's reads return at once with what has arrived, so a wait asks
// the queue and otherwise blocks in one read with a time-out, never spins.
class D2xxFtdiDriver final : public FtdiDriver {
public:
    // The library to use, found when an adapter is opened (so a driver
    // installed while the program runs is found at the next opening).
    using LibrarySource = std::function<const d2xx::Library &()>;

    explicit D2xxFtdiDriver(LibrarySource library);
    ~D2xxFtdiDriver() override;
    D2xxFtdiDriver(const D2xxFtdiDriver &) = delete;
    D2xxFtdiDriver &operator=(const D2xxFtdiDriver &) = delete;

    bool open(const UsbAdapter &adapter) override;
    bool is_open() const override { return m_handle != nullptr; }
    bool adapter_taken() const override { return m_handle != nullptr; }
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
    bool find_device(const UsbAdapter &adapter, int &index, d2xx::DeviceNode &node);
    bool write_all(const void *data, std::size_t count, const char *what);
    bool read_into_hand(d2xx::Dword count);
    bool set_read_timeout(std::chrono::milliseconds timeout);
    bool failed(d2xx::Status status, const char *what);

    LibrarySource m_library;
    const d2xx::Functions *m_ft = nullptr;
    d2xx::Handle m_handle = nullptr;
    d2xx::Dword m_deviceType = d2xx::DeviceUnknown;
    int m_interfaceNumber = 0;
    // Whether the chip was left in bit-bang mode, which closing undoes.
    bool m_bitBang = false;
    std::chrono::milliseconds m_readTimeout{-1};
    QString m_errorText;
    // The read in hand.
    quint8 *m_readInto = nullptr;
    std::size_t m_readCount = 0;
    std::size_t m_readGot = 0;
};

} // namespace zrx
