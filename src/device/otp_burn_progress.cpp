#include "device/otp_burn_progress.h"

#include "bus/serial_control.h"
#include "device/chip.h"

namespace zrx {

OtpBurnProgress::OtpBurnProgress(Chip &chip, const SerialControl &port)
    : m_chip(chip), m_port(port), m_next(chip.observer), m_portWasOpen(port.is_open())
{
    m_chip.observer = this;
}

OtpBurnProgress::~OtpBurnProgress()
{
    m_chip.observer = m_next;
}

std::optional<int> OtpBurnProgress::cut_after() const
{
    if (!m_portWasOpen || m_port.is_open() || m_channelsBurned >= ChannelCount)
        return std::nullopt;
    return m_channelsBurned;
}

void OtpBurnProgress::action_begins()
{
    if (m_next)
        m_next->action_begins();
}

// A frame is told once it has gone out; one told while the port is already
// gone did not reach the chip whole.
void OtpBurnProgress::bus_work_step(const BusWorkStep &step)
{
    if (step.kind == BusWorkStep::Kind::ProgrammingOtp && m_port.is_open())
        m_channelsBurned = step.done;
    if (m_next)
        m_next->bus_work_step(step);
}

void OtpBurnProgress::action_ends()
{
    if (m_next)
        m_next->action_ends();
}

} // namespace zrx
