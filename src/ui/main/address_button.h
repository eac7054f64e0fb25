#pragma once

#include <QColor>
#include <QPushButton>

namespace zrx {

// The Change Address button: a coloured button whose caption may hold a CR LF
// line break. caption() keeps the text exactly as set; the button shows each
// CR LF as a plain line break, because a lone CR would be drawn as a glyph.
class AddressButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

    void set_caption(const QString &caption);
    QString caption() const { return m_caption; }

    // The background every style paints the button in.
    void set_colour(const QColor &colour);
    QColor colour() const { return m_colour; }

private:
    QString m_caption;
    QColor m_colour;
};

// The two states of the address button and its look before start-up.
inline constexpr QColor AddressOneColour{192, 192, 255};  // light blue
inline constexpr QColor AddressZeroColour{255, 128, 128}; // light red
inline constexpr char AddressOneCaption[] = "Change Address\r\nA0= 1 ";
inline constexpr char AddressZeroCaption[] = "Change Address\r\nA0= 0 ";
inline constexpr char AddressInitialCaption[] = "Change Address    A0= 0";

} // namespace zrx
