#pragma once

#include "core/channel_table.h"
#include "core/channel_view.h"
#include "store/settings_store.h"

namespace zrx {

// Where load_settings puts what it reads besides the channel table.
struct SettingsTargets {
    ChannelTable &table;
    ChannelView &view; // the Vsup box, through select_reference
    QString &DefaultDir;
    int &PortNumb;
    qint32 &BitRate;
};

void load_settings(const SettingsStore &store, SettingsTargets &targets);
void save_settings(SettingsStore &store, const ChannelTable &table, int PortNumb, qint32 BitRate);
void save_default_dir(SettingsStore &store, const QString &directory);

// Fast mode is off unless "1" is stored.
bool load_fast_mode(const SettingsStore &store);
void save_fast_mode(SettingsStore &store, bool on);
QString load_fast_mode_adapter(const SettingsStore &store);
void save_fast_mode_adapter(SettingsStore &store, const QString &adapter);

} // namespace zrx
