#pragma once

#include <QString>

namespace zrx {

// Why a program built without the backend cannot go the fast way: the
// Linux build found no libftdi1 (Windows builds always have it, on FTDI's
// own library, which is looked for when an adapter is opened).
inline QString fast_mode_not_built_reason()
{
    return QStringLiteral("this program was built without FTDI support");
}

// The user's choice of the fast bus on adapters that can carry a whole
// transaction in one USB transfer, and how it turned out on the open port.
class FastModeSwitch {
public:
    virtual ~FastModeSwitch() = default;

    // Whether this program can do it at all (it was built with the backend).
    virtual bool fast_mode_supported() const = 0;
    virtual bool fast_mode_wanted() const = 0;
    // Takes effect when the port is next opened for the bus.
    virtual void set_fast_mode_wanted(bool wanted) = 0;
    // Whether the fast path carries the bus right now.
    virtual bool fast_mode_active() const = 0;
    // Why the open port runs one request per line operation although fast
    // mode is wanted; empty when it is not wanted or is active.
    virtual QString fast_mode_fallback_reason() const = 0;
};

} // namespace zrx
