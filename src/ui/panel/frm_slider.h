#pragma once

#include "core/channel_table.h"
#include "device/chip.h"

#include <QWidget>

#include <array>

class QLabel;
class QSlider;

namespace zrx {

// The control panel: one vertical slider per channel beside the main window.
// It keeps no channel state of its own; every slider and label is drawn from
// the channel table, and a user move writes the table and the chip.
//
// Object names: the slider of element i (channel i + 1) is "Slider1_<i>",
// its voltage label "Label26_<i>", its code label "Label27_<i>" and its
// caption "Caption_<i>"; the row captions are Label28..Label30 and the scale
// Label1 (top) .. Label5 (bottom).
//
// Slider values are the positions themselves (0 at the top = code 1024), so
// the sliders are built upside down with inverted controls: dragging up, the
// Up key, PageUp and the wheel all raise the voltage, Home goes to full scale.
// The wheel moves only the slider that has the keyboard focus.
//
// Lifetime: the panel deletes itself when closed (WA_DeleteOnClose), so the
// owner holds it in a QPointer and builds a fresh one, filled from the
// current table, the next time it is asked for. ControlPanelOpen is 1 from
// the end of the constructor until the panel is closed. Destroying a panel
// that was never closed (its parent going away) leaves the flag alone: the
// table may already be gone then, and the owner's QPointer is null anyway.
class frmSlider : public QWidget {
    Q_OBJECT
public:
    explicit frmSlider(Chip &chip, QWidget *parent = nullptr);

    // Draws every slider and label from the table. Setting a position from
    // here writes nothing to the chip.
    void refresh_control_panel();

    // The user moved Slider1(i) to a new position: the channel takes the code
    // of that position and goes to the chip.
    void slider_moved(int i);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void build_layout();
    void close_panel();

    Chip &m_chip;
    std::array<QSlider *, ChannelCount> Slider1{};
    std::array<QLabel *, ChannelCount> Label26{};
    std::array<QLabel *, ChannelCount> Label27{};
    std::array<QLabel *, 5> m_scale{};
};

} // namespace zrx
