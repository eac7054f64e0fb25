#pragma once

#include "device/bus_work.h"

#include <QObject>

#include <optional>

namespace zrx {

struct Chip;
class SerialControl;

// Follows one Program OTP for the window, from its construction to its end:
// it stands in as the chip's observer, passing every step on, counts the
// programming frames that went out whole, and notes a loss of the port
// before the last of them. Such a burn has left a bank that may hold a
// partial set, and the user must hear how far it got.
class OtpBurnWatch final : public QObject, public BusWorkObserver {
public:
    OtpBurnWatch(Chip &chip, SerialControl &port);
    ~OtpBurnWatch() override;
    OtpBurnWatch(const OtpBurnWatch &) = delete;
    OtpBurnWatch &operator=(const OtpBurnWatch &) = delete;

    // The channels burned before the port was lost, when it was lost before
    // all of them were; nothing for a burn that ran to its end.
    std::optional<int> cut_after() const { return m_cutAfter; }

    void action_begins() override;
    void bus_work_step(const BusWorkStep &step) override;
    void action_ends() override;

private:
    Chip &m_chip;
    BusWorkObserver *m_next;
    int m_channelsBurned = 0;
    std::optional<int> m_cutAfter;
};

} // namespace zrx
