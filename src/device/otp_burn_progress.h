#pragma once

#include "device/bus_work.h"

#include <optional>

namespace zrx {

struct Chip;
class SerialControl;

// Follows one OTP burn, from its construction to its end: it stands in as the
// chip's observer, passing every step on, and counts the programming frames
// that went out whole. A port lost before the last of them has left a bank
// that may hold a partial set, and the user must hear how far it got.
class OtpBurnProgress final : public BusWorkObserver {
public:
    OtpBurnProgress(Chip &chip, const SerialControl &port);
    ~OtpBurnProgress() override;
    OtpBurnProgress(const OtpBurnProgress &) = delete;
    OtpBurnProgress &operator=(const OtpBurnProgress &) = delete;

    // The channels burned before the port was lost, when it was lost before
    // all of them were; nothing for a burn that ran to its end, or for one on
    // a port that was closed from the start (nothing went out at all).
    std::optional<int> cut_after() const;

    void action_begins() override;
    void bus_work_step(const BusWorkStep &step) override;
    void action_ends() override;

private:
    Chip &m_chip;
    const SerialControl &m_port;
    BusWorkObserver *m_next;
    bool m_portWasOpen;
    int m_channelsBurned = 0;
};

} // namespace zrx
