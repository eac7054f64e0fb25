#include "ui/panel/panel_slider.h"

#include <QWheelEvent>

namespace zrx {

PanelSlider::PanelSlider(QWidget *parent) : QSlider(Qt::Vertical, parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void PanelSlider::wheelEvent(QWheelEvent *event)
{
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QSlider::wheelEvent(event);
}

} // namespace zrx
