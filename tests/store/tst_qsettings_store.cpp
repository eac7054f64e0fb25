#include "core/channel_table.h"
#include "core/headless_channel_view.h"
#include "store/qsettings_store.h"
#include "store/settings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace zrx;

class TestQSettingsStore : public QObject {
    Q_OBJECT
private slots:
    void init();
    void missing_entry_reads_empty();
    void round_trip_through_ini_file();
    void hand_edited_values();
    void simulated_board_has_a_store_of_its_own();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString ini_path() const { return m_dir->filePath(QStringLiteral("ZRX50346.ini")); }
};

void TestQSettingsStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestQSettingsStore::missing_entry_reads_empty()
{
    const QSettingsStore store(ini_path());
    QCOMPARE(store.read(QStringLiteral("PortNumb"), QStringLiteral("2")), QString());
}

// Stored by one run, read by the next: each write reaches the file at once,
// with the section/key pairs and texts other releases read.
void TestQSettingsStore::round_trip_through_ini_file()
{
    {
        QSettingsStore store(ini_path());
        ChannelTable table;
        table.VrefHighByA0 = {10.0, 4.5};
        table.A0Setting = QStringLiteral("1");
        save_settings(store, table, 2, 9600);
        save_default_dir(store, QStringLiteral("c:\\sets\\"));

        // Not yet destroyed, yet everything is on disk.
        const QSettings file(ini_path(), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("vref_high0/10")).toString(), QStringLiteral(" 10"));
        QCOMPARE(file.value(QStringLiteral("vref_high1/10")).toString(), QStringLiteral(" 4.5"));
        QCOMPARE(file.value(QStringLiteral("a0/1")).toString(), QStringLiteral("1"));
        QCOMPARE(file.value(QStringLiteral("PortNumb/2")).toString(), QStringLiteral("2"));
        QCOMPARE(file.value(QStringLiteral("BitRate/3")).toString(), QStringLiteral("9600"));
        QCOMPARE(file.value(QStringLiteral("Startup/Default_Dir")).toString(),
                 QStringLiteral("c:\\sets\\"));
        QVERIFY(!file.contains(QStringLiteral("vref_low0/1")));
        QVERIFY(!file.contains(QStringLiteral("vref_low1/1")));
    }

    const QSettingsStore store(ini_path());
    ChannelTable table;
    HeadlessChannelView view;
    QString DefaultDir;
    int PortNumb = 0;
    qint32 BitRate = 0;
    SettingsTargets targets{table, view, DefaultDir, PortNumb, BitRate};
    load_settings(store, targets);
    QCOMPARE(DefaultDir, QStringLiteral("c:\\sets\\"));
    QCOMPARE(table.VrefHighByA0[0], 10.0);
    QCOMPARE(table.VrefHighByA0[1], 4.5);
    QCOMPARE(table.A0Setting, QStringLiteral("1"));
    QCOMPARE(table.VrefHigh, 4.5);
    QCOMPARE(view.vsup_text(), QStringLiteral(" 4.5"));
    QCOMPARE(PortNumb, 2);
    QCOMPARE(BitRate, qint32(9600));
}

// A user may edit the file by hand; values come back as the text written.
void TestQSettingsStore::hand_edited_values()
{
    QFile file(ini_path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[BitRate]\n3=19200 baud\n[vref_high0]\n10=4,5\n");
    file.close();

    const QSettingsStore store(ini_path());
    QCOMPARE(store.read(QStringLiteral("BitRate"), QStringLiteral("3")), QStringLiteral("19200 baud"));
    QCOMPARE(store.read(QStringLiteral("vref_high0"), QStringLiteral("10")), QStringLiteral("4,5"));
}

// A demo's settings must never become what a real board opens with, nor
// the other way round; the real store keeps its application name.
void TestQSettingsStore::simulated_board_has_a_store_of_its_own()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path()));
    {
        QSettingsStore real(QSettingsStore::Board::Real);
        QSettingsStore simulated(QSettingsStore::Board::Simulated);
        real.write(QStringLiteral("PortNumb"), QStringLiteral("2"), QStringLiteral("5"));
        simulated.write(QStringLiteral("PortNumb"), QStringLiteral("2"), QStringLiteral("1"));
        simulated.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral(" 10"));
    }
    const QSettingsStore real(QSettingsStore::Board::Real);
    QCOMPARE(real.read(QStringLiteral("PortNumb"), QStringLiteral("2")), QStringLiteral("5"));
    QCOMPARE(real.read(QStringLiteral("vref_high0"), QStringLiteral("10")), QString());
#ifdef Q_OS_WIN
    // Each in a registry key named after it, which the test leaves as it found.
    for (const auto &[application, port] : {std::pair{"ZRX50346", "5"}, std::pair{"ZRX50346-simulated", "1"}}) {
        QSettings key(QStringLiteral("HKEY_CURRENT_USER\\Software\\") + QLatin1String(application),
                      QSettings::NativeFormat);
        QCOMPARE(key.value(QStringLiteral("PortNumb/2")).toString(), QLatin1String(port));
        key.clear();
    }
#else
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("ZRX50346.conf"))));
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("ZRX50346-simulated.conf"))));
#endif
}

QTEST_GUILESS_MAIN(TestQSettingsStore)
#include "tst_qsettings_store.moc"
