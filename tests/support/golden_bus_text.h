#pragma once

#include <QString>
#include <QStringList>

namespace zrx {

// Bus text of the transactions the program sends, in the decoder's words
// (line_trace_decoder.h), for golden comparisons.
QString channel_write(int channel, double code, int a0 = 0);
QString otp_write(int channel, double code, int a0 = 0);
QString general_call_reset_text();
QStringList register_read(int reg, quint16 word, int a0 = 0);
// The whole read-back: 24 channels then Max Bank.
QStringList read_back(const QList<int> &codes, quint16 maxBank = 0, int a0 = 0);

// The transactions that are channel writes, in order.
QStringList channel_writes_of(const QStringList &transactions);

} // namespace zrx
