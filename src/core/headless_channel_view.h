#pragma once

#include "core/channel_table.h"
#include "core/channel_view.h"

#include <array>
#include <functional>

namespace zrx {

// The boxes as plain texts, for tests and for code that runs without windows.
// Like a real text box it reports a change only when the text really changes,
// and it reports it synchronously, nested inside the writer.
class HeadlessChannelView final : public ChannelView {
public:
    QString volts_text(int channel) const override;
    void set_volts_text(int channel, const QString &text) override;
    QString code_text(int channel) const override;
    void set_code_text(int channel, const QString &text) override;
    QString vsup_text() const override { return m_vsup; }
    void set_vsup_text(const QString &text) override { m_vsup = text; }
    QString max_bank_text() const { return m_maxBank; }
    void set_max_bank_text(const QString &text) override { m_maxBank = text; }
    void refresh_control_panel() override;

    // Runs when a voltage box's text changes (the window's change handling).
    std::function<void(int channel)> on_volts_changed;
    // Runs when the model asks for a control-panel refresh.
    std::function<void()> on_refresh_control_panel;

private:
    std::array<QString, LastChannel + 1> m_volts;
    std::array<QString, LastChannel + 1> m_codes;
    QString m_vsup;
    QString m_maxBank;
};

} // namespace zrx
