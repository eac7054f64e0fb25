#include "ui/main/up_down.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace zrx {
namespace {

QToolButton *make_arrow(QWidget *parent, Qt::ArrowType arrow, const QString &name, const QString &tip)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setArrowType(arrow);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setFocusPolicy(Qt::NoFocus);
    // Held down, it keeps stepping, like the spin arrows users know.
    button->setAutoRepeat(true);
    return button;
}

} // namespace

UpDown::UpDown(QWidget *parent)
    : QWidget(parent),
      m_up(make_arrow(this, Qt::UpArrow, QStringLiteral("UpDown1_up"), tr("One code up"))),
      m_down(make_arrow(this, Qt::DownArrow, QStringLiteral("UpDown1_down"), tr("One code down")))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    connect(m_up, &QToolButton::clicked, this, &UpDown::up_clicked);
    connect(m_down, &QToolButton::clicked, this, &UpDown::down_clicked);
}

} // namespace zrx
