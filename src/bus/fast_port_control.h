#pragma once

#include "bus/serial_control.h"

namespace zrx {

// A port that reaches the lines of an adapter past the system's serial
// driver (fast mode). It remembers which adapter it last took, as text the
// program stores: a run killed while it held the adapter leaves the port
// without its serial driver, and the next run finds the adapter by that.
class FastPortControl : public SerialControl {
    Q_OBJECT
public:
    using SerialControl::SerialControl;

    // The remembered adapter for this port, when its serial driver has let
    // go of it, taken without going through the port's (missing) node.
    virtual OpenOutcome open_detached(const PortConfiguration &configuration) = 0;
    virtual QString remembered_adapter() const = 0;
    virtual void set_remembered_adapter(const QString &text) = 0;

signals:
    // An adapter was taken: the text to store for the next run.
    void adapter_taken(const QString &text);
};

} // namespace zrx
