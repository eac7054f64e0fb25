#include "core/channel_table.h"

namespace zrx {

QString channel_label(int channel)
{
    if (channel == 19)
        return QStringLiteral("c1");
    if (channel == 20)
        return QStringLiteral("c2");
    if (channel > 20)
        return QString::number(channel - 2);
    return QString::number(channel);
}

const std::array<int, ChannelCount> &channels_in_screen_order()
{
    static const std::array<int, ChannelCount> order = {
        1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18,
        21, 22, 23, 24, 19, 20,
    };
    return order;
}

} // namespace zrx
