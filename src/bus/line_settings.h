#pragma once

#include <QString>

namespace zrx {

// The line settings text a port is opened with: the bit rate followed by
// ",N,8,1" (no parity, 8 data bits, 1 stop bit).
QString line_settings(qint32 bitRate);

// The bit rate at the head of a line settings text ("19200,N,8,1" gives
// 19200); 0 when there is none.
qint32 bit_rate_of(const QString &settings);

} // namespace zrx
