#pragma once

#include <QLabel>

namespace zrx {

// A part of the main window's status line: a label that opens the bus log
// when clicked, the one place a user looks when the bus misbehaves.
//
// Its text wraps rather than widening the window. A status bar sizes itself
// from its widgets' minimum heights, which know nothing of wrapping, so the
// label keeps its minimum height at what its text takes at its width.
class StatusLabel : public QLabel {
    Q_OBJECT
public:
    explicit StatusLabel(QWidget *parent = nullptr);

    void set_status(const QString &text);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fit_height();
};

} // namespace zrx
