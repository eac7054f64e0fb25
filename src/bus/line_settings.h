#pragma once

#include <QList>
#include <QString>

namespace zrx {

// What a port runs at when nothing says otherwise.
inline constexpr qint32 DefaultBitRate = 9600;

// The bit rates a port may be given, in the order they are offered.
const QList<qint32> &offered_bit_rates();

// The line settings text a port is opened with: the bit rate followed by
// ",N,8,1" (no parity, 8 data bits, 1 stop bit).
QString line_settings(qint32 bitRate);

// The bit rate at the head of a line settings text ("19200,N,8,1" gives
// 19200); 0 when there is none.
qint32 bit_rate_of(const QString &settings);

} // namespace zrx
