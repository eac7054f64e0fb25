#pragma once

#include <QString>

namespace zrx {

// What the channel model needs of the main window's boxes. The main window
// implements it with real widgets; tests and the simulated demo use
// HeadlessChannelView.
//
// The one behaviour every implementation must keep: set_volts_text() with a
// text that differs from the box's present text runs the box's change handling
// (current channel, reconversion, chip write) before it returns. The file
// loaders and the read-back rely on it to push changed channels to the chip.
class ChannelView {
public:
    virtual ~ChannelView() = default;

    // channel is 1..24.
    virtual QString volts_text(int channel) const = 0;
    virtual void set_volts_text(int channel, const QString &text) = 0;
    virtual QString code_text(int channel) const = 0;
    virtual void set_code_text(int channel, const QString &text) = 0;

    // The Vsup box.
    virtual QString vsup_text() const = 0;
    virtual void set_vsup_text(const QString &text) = 0;

    // The "Max Bank:" box.
    virtual void set_max_bank_text(const QString &text) = 0;

    // Called by refresh_channels while the control panel is open.
    virtual void refresh_control_panel() = 0;
};

} // namespace zrx
