#pragma once

#include <QString>

namespace zrx {

// Text values addressed by section and key under the application "ZRX50346".
// A missing entry reads as empty text.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual QString read(const QString &section, const QString &key) const = 0;
    virtual void write(const QString &section, const QString &key, const QString &value) = 0;
};

} // namespace zrx
