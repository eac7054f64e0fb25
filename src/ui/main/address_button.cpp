#include "ui/main/address_button.h"

#include <QPalette>

namespace zrx {

void AddressButton::set_caption(const QString &caption)
{
    m_caption = caption;
    QString shown = caption;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    setText(shown);
}

void AddressButton::set_colour(const QColor &colour)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::Button, colour);
    setPalette(palette);
    // Styles that paint buttons from the palette show it; the flag keeps the
    // colour behind the text for those that only fill the background.
    setAutoFillBackground(true);
}

QColor AddressButton::colour() const
{
    return palette().color(QPalette::Button);
}

} // namespace zrx
