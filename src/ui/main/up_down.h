#pragma once

#include <QWidget>

class QToolButton;

namespace zrx {

// The up/down pair beside the first row. It keeps no value of its own: each
// press only says "one code up" or "one code down" for the current channel.
// The arrows never take the focus, so the box being edited keeps it and
// stepping does not count as leaving that box.
class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget *parent = nullptr);

    QToolButton *up_button() const { return m_up; }
    QToolButton *down_button() const { return m_down; }

signals:
    void up_clicked();
    void down_clicked();

private:
    QToolButton *m_up;
    QToolButton *m_down;
};

} // namespace zrx
