#include "device/chip_status_text.h"

#include "bus/modem_line_bus.h"

namespace zrx {
namespace {

// "EAh", as the chip's addresses are named.
QString hex_byte_text(int byte)
{
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper() + QLatin1Char('h');
}

} // namespace

QString chip_status_text(const ReadBackRecord &record)
{
    if (!record.Done || !record.EveryWordFFFF)
        return {};
    const QString address = ModemLineBus::device_address(record.A0Setting, false);
    return QStringLiteral("No answer from the chip at address %1 (A0 = %2)")
        .arg(hex_byte_text(address.toInt(nullptr, 2)), record.A0Setting);
}

QString otp_burn_cut_text(int lastChannelBurned)
{
    return QStringLiteral("OTP burn stopped after channel %1 of %2: the port was lost; "
                          "the next bank may hold a partial set")
        .arg(lastChannelBurned)
        .arg(ChannelCount);
}

QString no_acknowledge_text(int addressByte)
{
    // The general call goes to every chip on the bus; A0 plays no part in it.
    if (addressByte == 0)
        return QStringLiteral("No chip acknowledged the general call at 00h");
    return QStringLiteral("No chip acknowledged at %1 (A0 = %2)")
        .arg(hex_byte_text(addressByte & 0xFE))
        .arg((addressByte >> 1) & 1);
}

QString data_line_held_text(const QString &portName)
{
    return QStringLiteral("%1: the data line reads low while the bus is idle (DSR stays asserted): no board "
                          "behind the port, a broken wire, or the wrong port")
        .arg(portName);
}

} // namespace zrx
