#pragma once

#include <QString>
#include <QtGlobal>

namespace zrx {

// Why a program built without the backend cannot go the fast way. No FTDI
// library is built for Windows yet; elsewhere the build found none.
inline QString fast_mode_not_built_reason()
{
#ifdef Q_OS_WIN
    return QStringLiteral("fast mode is not available on Windows yet");
#else
    return QStringLiteral("this program was built without FTDI support");
#endif
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
