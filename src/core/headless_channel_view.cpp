#include "core/headless_channel_view.h"

namespace zrx {

QString HeadlessChannelView::volts_text(int channel) const
{
    return m_volts.at(channel);
}

void HeadlessChannelView::set_volts_text(int channel, const QString &text)
{
    QString &box = m_volts.at(channel);
    if (box == text)
        return;
    box = text;
    if (on_volts_changed)
        on_volts_changed(channel);
}

QString HeadlessChannelView::code_text(int channel) const
{
    return m_codes.at(channel);
}

void HeadlessChannelView::set_code_text(int channel, const QString &text)
{
    m_codes.at(channel) = text;
}

void HeadlessChannelView::refresh_control_panel()
{
    if (on_refresh_control_panel)
        on_refresh_control_panel();
}

} // namespace zrx
