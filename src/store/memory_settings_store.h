#pragma once

#include "store/settings_store.h"

#include <QMap>
#include <QPair>

namespace zrx {

// Settings that live only as long as the object: for tests and for runs
// that must leave the user's stored settings alone.
class MemorySettingsStore final : public SettingsStore {
public:
    QString read(const QString &section, const QString &key) const override
    {
        return m_values.value({section, key});
    }
    void write(const QString &section, const QString &key, const QString &value) override
    {
        m_values.insert({section, key}, value);
    }

    bool contains(const QString &section, const QString &key) const
    {
        return m_values.contains({section, key});
    }
    qsizetype size() const { return m_values.size(); }

private:
    QMap<QPair<QString, QString>, QString> m_values;
};

} // namespace zrx
