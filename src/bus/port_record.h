#pragma once

#include <QString>

namespace zrx {

// What became of the program's last dealings with one port, for telling the
// user where the port stands.
struct PortRecord {
    enum class Event : quint8 {
        None,          // never tried
        Opened,
        HeldElsewhere, // another program has it
        Failed,        // see reason
        Closed,        // the program closed it again
        Lost,          // it went away while open (an adapter pulled out)
    };

    Event event = Event::None;
    // The bit rate of the last opening attempt; 0 when not known.
    qint32 bitRate = 0;
    // Failed, Lost: the system's words.
    QString reason;
    // Failed: the port is there, but this user may not open it.
    bool permissionDenied = false;
    // Opened: whether the fast path carries the bus, and, when fast mode was
    // wanted but the port runs one request per line operation, why.
    bool fastMode = false;
    QString fastModeFallback;
};

} // namespace zrx
