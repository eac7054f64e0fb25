#include "support/golden_bus_text.h"

namespace zrx {
namespace {

QString hex_byte(int byte)
{
    return QStringLiteral("%1").arg(byte & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

// The code as the register packing sends it: whole codes, 0..1023.
int sent_code(double code)
{
    if (code >= 1023)
        return 1023;
    return code < 0 ? 0 : int(code);
}

QString frame(int mode, int channel, double code, int a0)
{
    const int sent = sent_code(code);
    return QStringLiteral("S %1 A %2 A %3 A %4 A P")
        .arg(hex_byte(0xE8 | (a0 << 1)), hex_byte(channel - 1), hex_byte(mode | (sent >> 8)), hex_byte(sent));
}

} // namespace

QString channel_write(int channel, double code, int a0)
{
    return frame(0x80, channel, code, a0);
}

QString otp_write(int channel, double code, int a0)
{
    return frame(0x40, channel, code, a0);
}

QString general_call_reset_text()
{
    return QStringLiteral("S 00 A 06 A P");
}

QStringList register_read(int reg, quint16 word, int a0)
{
    const int address = 0xE8 | (a0 << 1);
    return {QStringLiteral("S %1 A %2 A P").arg(hex_byte(address), hex_byte(reg)),
            QStringLiteral("S %1 A %2 A %3 N P").arg(hex_byte(address | 1), hex_byte(word >> 8), hex_byte(word))};
}

QStringList read_back(const QList<int> &codes, quint16 maxBank, int a0)
{
    QStringList text;
    for (int reg = 0; reg < 24; ++reg)
        text += register_read(reg, quint16(codes.value(reg)), a0);
    text += register_read(0x3F, maxBank, a0);
    return text;
}

QStringList channel_writes_of(const QStringList &transactions)
{
    QStringList writes;
    for (const QString &t : transactions) {
        // [address+W, register, 100000xx, low]: four bytes, the third 0x80..0x83.
        const QStringList tokens = t.split(QLatin1Char(' '));
        if (tokens.size() == 10 && tokens[5].startsWith(QLatin1Char('8')))
            writes.append(t);
    }
    return writes;
}

} // namespace zrx
