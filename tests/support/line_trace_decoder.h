#pragma once

#include "support/line_operation.h"

#include <QString>
#include <QStringList>

namespace zrx {

// Reads a recorded line trace the way a bus analyser on the chip's pins
// would, independently of the bus code: DTR asserted is the clock low, RTS
// asserted is the data line pulled low, DSR asserted is the data line read
// low. The lines are taken as released (bus idle) at the start of a trace and
// after every open or close.
//
// Text, one token per event, separated by single blanks:
//   S, Sr, P        START, repeated START, STOP
//   E8              a byte, upper-case hex (read bytes: the bits DSR showed)
//   A, N            a ninth clock. After a written byte it is the chip's turn
//                   and nothing is sampled, so it is "A" unless DSR was read
//                   then (released: "N"). After a read byte it is the
//                   master's: data pulled low "A", released "N".
//   TX[01 00]       raw bytes on the transmit line
//   !...            something not well formed, listed in line_trace_decoder.cpp
QString decode_line_trace(const LineTrace &trace);

// The same text cut into transactions, each beginning at a START (events
// before the first START or between a STOP and the next START stand alone).
QStringList decode_transactions(const LineTrace &trace);

// The trace cut into the operations of each transaction. A transaction owns
// its operations up to the STOP and the clock writes right after it (the
// clock is already high; writing it again is part of ending the STOP); the
// next one begins with the next data write.
QList<LineTrace> split_transactions(const LineTrace &trace);

// DTR and RTS writes.
int count_line_writes(const LineTrace &trace);
int count_dsr_reads(const LineTrace &trace);

// Whether DTR and RTS were both released by the last write to each.
bool lines_released_at_end(const LineTrace &trace);

// The raw operations, for failure messages: "DTR+ RTS- DSR:1 ...".
QString line_trace_text(const LineTrace &trace);

} // namespace zrx
