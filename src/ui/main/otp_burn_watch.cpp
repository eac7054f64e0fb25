#include "ui/main/otp_burn_watch.h"

#include "bus/serial_control.h"
#include "device/chip.h"

namespace zrx {

OtpBurnWatch::OtpBurnWatch(Chip &chip, SerialControl &port) : m_chip(chip), m_next(chip.observer)
{
    m_chip.observer = this;
    // Told by the line operation that found the port gone, before the frame
    // it cut is counted: a frame is counted once it has gone out whole.
    connect(&port, &SerialControl::port_lost, this, [this] {
        if (!m_cutAfter && m_channelsBurned < ChannelCount)
            m_cutAfter = m_channelsBurned;
    });
}

OtpBurnWatch::~OtpBurnWatch()
{
    m_chip.observer = m_next;
}

void OtpBurnWatch::action_begins()
{
    if (m_next)
        m_next->action_begins();
}

void OtpBurnWatch::bus_work_step(const BusWorkStep &step)
{
    if (step.kind == BusWorkStep::Kind::ProgrammingOtp && !m_cutAfter)
        m_channelsBurned = step.done;
    if (m_next)
        m_next->bus_work_step(step);
}

void OtpBurnWatch::action_ends()
{
    if (m_next)
        m_next->action_ends();
}

} // namespace zrx
