#pragma once

#include <QSlider>

namespace zrx {

// A channel's slider on the control panel. The wheel moves it only while it
// has the keyboard focus: a slider under the pointer of someone scrolling
// the page would otherwise change a chip output on the way past. A click or
// Tab gives the focus; the wheel alone does not.
class PanelSlider : public QSlider {
    Q_OBJECT
public:
    explicit PanelSlider(QWidget *parent = nullptr);

protected:
    void wheelEvent(QWheelEvent *event) override;
};

} // namespace zrx
