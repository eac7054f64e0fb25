#include "store/plain_number.h"

#include <QRegularExpression>

namespace zrx {

bool is_plain_number(QByteArrayView value)
{
    static const QRegularExpression plain(
        QStringLiteral("^[ \\t]*([+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)|&[hH][0-9a-fA-F]+)[ \\t]*$"));
    return plain.match(QString::fromLatin1(value)).hasMatch();
}

QString quoted_file_value(QByteArrayView value)
{
    constexpr qsizetype Shown = 40;
    // UTF-8 as an editor writes it; a stray byte shows as the replacement mark.
    const QString decoded = QString::fromUtf8(value);
    QString text;
    for (const QChar c : QStringView(decoded).first(std::min(decoded.size(), Shown))) {
        const char16_t u = c.unicode();
        const bool control = u < 0x20 || (u >= 0x7f && u < 0xa0);
        text += control ? QChar(u'?') : c;
    }
    if (decoded.size() > Shown)
        text += QStringLiteral("...");
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace zrx
