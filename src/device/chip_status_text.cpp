#include "device/chip_status_text.h"

#include "bus/modem_line_bus.h"

namespace zrx {

QString chip_status_text(const ReadBackRecord &record)
{
    if (!record.Done || !record.EveryWordFFFF)
        return {};
    const QString address = ModemLineBus::device_address(record.A0Setting, false);
    const int byte = address.toInt(nullptr, 2);
    return QStringLiteral("No answer from the chip at address %1h (A0 = %2)")
        .arg(QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper(), record.A0Setting);
}

QString otp_burn_cut_text(int lastChannelBurned)
{
    return QStringLiteral("OTP burn stopped after channel %1 of %2: the port was lost; "
                          "the next bank may hold a partial set")
        .arg(lastChannelBurned)
        .arg(ChannelCount);
}

} // namespace zrx
