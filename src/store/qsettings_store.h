#pragma once

#include "store/settings_store.h"

#include <QSettings>

namespace zrx {

// The per-user settings of the platform: the user's registry hive on
// Windows, the user's configuration file elsewhere. Every value is text.
class QSettingsStore final : public SettingsStore {
public:
    enum class Board { Real, Simulated };

    // The user's own settings for this program on a real board, or the
    // separate ones of the simulated board.
    explicit QSettingsStore(Board board = Board::Real);
    // An INI file at the given path instead, so tests and trial runs never
    // touch the user's settings.
    explicit QSettingsStore(const QString &iniFilePath);

    QString read(const QString &section, const QString &key) const override;
    void write(const QString &section, const QString &key, const QString &value) override;

private:
    mutable QSettings m_settings;
};

} // namespace zrx
