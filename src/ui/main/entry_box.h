#pragma once

#include <QLineEdit>

namespace zrx {

// A text box that also reports the two events the main window reacts to and
// QLineEdit has no signal for: a click, and the focus leaving it for another
// control of the same window.
class EntryBox : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

    // Sizes the box to fit this text in the present font, rather than the
    // line edit's usual width of about seventeen characters.
    void set_width_sample(const QString &sample);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void clicked();
    // Not sent when the whole window loses the focus (another application,
    // a message box) or a popup such as the context menu opens: the user has
    // not left the box then, and will come back to it.
    void focus_left();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    QSize size_for_sample() const;
    QString m_widthSample;
};

} // namespace zrx
