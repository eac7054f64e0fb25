#pragma once

#include <QByteArray>
#include <QList>

namespace zrx {

// One call that reached a serial control, as the recorder keeps it. A trace
// of these is what went over the wire, in order, and is all a test needs to
// reconstruct the bus traffic.
struct LineOperation {
    enum class Kind : quint8 { Open, Close, Dtr, Rts, Dsr, Output };

    Kind kind = Kind::Dtr;
    // Dtr, Rts: the value written (true = asserted, the bus line low).
    // Dsr: the value returned. Open: whether the port opened.
    bool asserted = false;
    // Open: the port number asked for.
    int port = 0;
    // Output: the raw bytes.
    QByteArray bytes;

    static LineOperation dtr(bool asserted) { return {Kind::Dtr, asserted, 0, {}}; }
    static LineOperation rts(bool asserted) { return {Kind::Rts, asserted, 0, {}}; }
    static LineOperation dsr(bool asserted) { return {Kind::Dsr, asserted, 0, {}}; }

    friend bool operator==(const LineOperation &, const LineOperation &) = default;
};

using LineTrace = QList<LineOperation>;

} // namespace zrx
