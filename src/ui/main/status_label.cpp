#include "ui/main/status_label.h"

#include <QMouseEvent>

namespace zrx {

StatusLabel::StatusLabel(QWidget *parent) : QLabel(parent)
{
    setWordWrap(true);
}

void StatusLabel::set_status(const QString &text)
{
    setText(text);
    fit_height();
}

void StatusLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void StatusLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    fit_height();
}

// Measured from the text itself: QLabel's own height for a width never
// comes out below the minimum height, so it would only ever grow.
void StatusLabel::fit_height()
{
    int height = 0;
    if (!text().isEmpty()) {
        const QMargins margins = contentsMargins();
        const int width = this->width() - margins.left() - margins.right() - 2 * margin();
        const QRect text = fontMetrics().boundingRect(QRect(0, 0, qMax(width, 1), QWIDGETSIZE_MAX),
                                                      Qt::TextWordWrap | int(alignment()), this->text());
        height = text.height() + margins.top() + margins.bottom() + 2 * margin();
    }
    if (height != minimumHeight())
        setMinimumHeight(height);
}

} // namespace zrx
