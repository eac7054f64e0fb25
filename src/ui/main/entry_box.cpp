#include "ui/main/entry_box.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionFrame>

namespace zrx {

void EntryBox::set_width_sample(const QString &sample)
{
    m_widthSample = sample;
    updateGeometry();
}

QSize EntryBox::size_for_sample() const
{
    const QSize usual = QLineEdit::sizeHint();
    // The text margins of QLineEdit itself: a cursor's width each side.
    constexpr int InnerMargins = 4;
    const QMargins margins = textMargins();
    const int width = fontMetrics().horizontalAdvance(m_widthSample) + InnerMargins + margins.left() + margins.right();
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QSize content(width, usual.height());
    return QSize(style()->sizeFromContents(QStyle::CT_LineEdit, &option, content, this).width(), usual.height());
}

QSize EntryBox::sizeHint() const
{
    return m_widthSample.isEmpty() ? QLineEdit::sizeHint() : size_for_sample();
}

QSize EntryBox::minimumSizeHint() const
{
    return m_widthSample.isEmpty() ? QLineEdit::minimumSizeHint() : size_for_sample();
}

void EntryBox::mouseReleaseEvent(QMouseEvent *event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void EntryBox::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        emit focus_left();
}

} // namespace zrx
