#include "ui/main/address_button.h"

namespace zrx {

void AddressButton::set_caption(const QString &caption)
{
    m_caption = caption;
    QString shown = caption;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    setText(shown);
}

// A style sheet, not the palette: the native Windows and macOS styles draw
// push buttons themselves and ignore the palette's button colour, so the A0
// state would show only in the caption there. A sheet that sets a border
// makes every style paint the background as given; the pressed and focused
// looks it takes away are given back here.
void AddressButton::set_colour(const QColor &colour)
{
    m_colour = colour;
    const QString sheet = QStringLiteral(
        "QPushButton { background-color: %1; color: black; border: 1px solid %2; border-radius: 3px;"
        " padding: 3px 8px; }"
        "QPushButton:pressed { background-color: %3; }"
        "QPushButton:focus { border: 2px solid palette(highlight); }");
    setStyleSheet(sheet.arg(colour.name(), colour.darker(170).name(), colour.darker(115).name()));
}

} // namespace zrx
