#include "bus/line_settings.h"

namespace zrx {

const QList<qint32> &offered_bit_rates()
{
    static const QList<qint32> rates = {4800, 9600, 19200, 28800, 38400};
    return rates;
}

QString line_settings(qint32 bitRate)
{
    return QString::number(bitRate) + QStringLiteral(",N,8,1");
}

qint32 bit_rate_of(const QString &settings)
{
    bool ok = false;
    const qint32 rate = settings.section(QLatin1Char(','), 0, 0).trimmed().toInt(&ok);
    return ok && rate > 0 ? rate : 0;
}

} // namespace zrx
