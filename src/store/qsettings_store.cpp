#include "store/qsettings_store.h"

#include "store/settings_keys.h"

#include <QStringList>

namespace zrx {
namespace {

QString entry_path(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

} // namespace

// Every value in one place named after the program: ZRX50346.conf in the
// user's configuration folder, the key Software\ZRX50346 in the user's
// registry hive. On Windows the key is named outright: an organisation with
// no application below it would put the values in a subkey,
// Software\ZRX50346\OrganizationDefaults.
QSettingsStore::QSettingsStore(Board board)
#ifdef Q_OS_WIN
    : m_settings(QStringLiteral("HKEY_CURRENT_USER\\Software\\")
                     + (board == Board::Real ? SettingsApplication : SimulatedSettingsApplication),
                 QSettings::NativeFormat)
#else
    : m_settings(QSettings::NativeFormat, QSettings::UserScope,
                 board == Board::Real ? SettingsApplication : SimulatedSettingsApplication)
#endif
{
    // Only the user's own values count: a machine-wide file must not fill in
    // an entry the user never stored.
    m_settings.setFallbacksEnabled(false);
}

QSettingsStore::QSettingsStore(const QString &iniFilePath)
    : m_settings(iniFilePath, QSettings::IniFormat)
{
    m_settings.setFallbacksEnabled(false);
}

QString QSettingsStore::read(const QString &section, const QString &key) const
{
    const QVariant value = m_settings.value(entry_path(section, key));
    // An INI value edited by hand as 4,5 comes back as a list; keep it as the
    // text it was, so the comma ends the number as it does everywhere else.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

void QSettingsStore::write(const QString &section, const QString &key, const QString &value)
{
    m_settings.setValue(entry_path(section, key), value);
    // The program ends at once after storing its settings at shutdown, so
    // nothing may wait in memory for a later flush.
    m_settings.sync();
}

} // namespace zrx
