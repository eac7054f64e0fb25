#pragma once

#include "bus/bus_log.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace zrx {

// The columns of a bus log row, in the order they are shown and exported.
enum class BusLogColumn { Time, Kind, Address, Bytes, Meaning };
inline constexpr int BusLogColumnCount = 5;

QStringList bus_log_headers();

// "channel write", "word read", ...
QString transaction_kind_text(BusTransaction::Kind kind);
// What the transaction did to the chip, in its own terms:
// "channel c1 (register 12h), code 3FFh", "register 3Fh (Max Bank): 0002h".
QString transaction_meaning(const BusTransaction &transaction);

// One row as shown: local time of day to the millisecond, kind, the address
// byte ("E8h", empty for a step marker), the bytes in hex, the meaning.
QStringList bus_row_fields(const BusLogRow &row);
QString bus_row_field(const BusLogRow &row, BusLogColumn column);

// Rows of the log (indices counted from the oldest kept) as lines of
// tab-separated fields, for the clipboard.
QString bus_rows_text(const BusLog &log, const QList<int> &rows);

// The whole log as comma-separated values with a header line; the time
// carries the date too, so files from different days can be told apart.
QString bus_log_csv(const BusLog &log);

} // namespace zrx
