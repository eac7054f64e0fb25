#pragma once

#include "bus/bus_log.h"

namespace zrx {

// Follows the modem-line writes one at a time, as a bus analyser on the
// chip's pins would (DTR asserted = clock low, RTS asserted = data pulled
// low, DSR asserted = data read low), and hands every transaction to the log
// when its STOP comes. It sees every line operation of the program, so it
// keeps to a few comparisons per call and never allocates.
//
// A START while a transaction is open ends that one and begins the next; a
// clock or STOP outside any transaction is not traffic anybody sent on
// purpose and is dropped.
class BusLineDecoder {
public:
    explicit BusLineDecoder(BusLog &log) : m_log(log) {}

    void dtr_written(bool asserted);
    void rts_written(bool asserted);
    // What a DSR read returned.
    void dsr_read(bool asserted);
    // The port opened, closed or went away: the lines are released, and a
    // transaction in progress is logged as cut short.
    void lines_reset();

private:
    void clock_cell();
    void start_seen();
    void stop_seen();
    void finish_transaction(bool complete);

    BusLog &m_log;
    BusTransaction m_current;
    // The pointer a write last left in the chip at m_pointerAddress.
    int m_pointer = -1;
    int m_pointerAddress = -1;
    int m_bitIndex = 0; // bits of the present byte so far; 8 = its ninth clock is due
    quint8 m_byte = 0;
    bool m_clockHigh = true;
    bool m_dataHigh = true;
    bool m_cellOpen = false; // clock high with no START or STOP seen in it yet
    bool m_cellDataHigh = true;
    bool m_cellSampled = false;
    bool m_cellDsrAsserted = false;
    bool m_inFrame = false;
    bool m_reading = false;
};

} // namespace zrx
