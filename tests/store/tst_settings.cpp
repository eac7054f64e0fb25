#include "core/channel_table.h"
#include "core/headless_channel_view.h"
#include "store/memory_settings_store.h"
#include "store/settings.h"

#include <QDir>
#include <QTest>

using namespace zrx;

namespace {

// What start-up holds before the store is read, and the targets of one load.
struct Fixture {
    MemorySettingsStore store;
    ChannelTable table;
    HeadlessChannelView view;
    QString DefaultDir = QStringLiteral("untouched");
    int PortNumb = -7;
    qint32 BitRate = -7;
    SettingsTargets targets{table, view, DefaultDir, PortNumb, BitRate};

    Fixture()
    {
        table.VrefHigh = 10.0;
        table.VrefLow = 0.0;
        table.A0Setting = QStringLiteral("0");
        table.CurrentChannel = 1;
    }

    void store_text(const char *section, const char *key, const QString &value)
    {
        store.write(QString::fromLatin1(section), QString::fromLatin1(key), value);
    }

    void load() { load_settings(store, targets); }
};

QString fallback_directory()
{
#ifdef Q_OS_WIN
    return QStringLiteral("c:\\");
#else
    return QDir::rootPath();
#endif
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void empty_store();
    void reference_follows_address_data();
    void reference_follows_address();
    void port_and_rate_data();
    void port_and_rate();
    void integer_overflow_falls_back_data();
    void integer_overflow_falls_back();
    void reload_reverts_unsaved_changes();
    void lower_references_are_ignored();
    void save_writes_stored_texts_data();
    void save_writes_stored_texts();
};

void TestSettings::empty_store()
{
    Fixture f;
    f.table.VrefLow = 2.0;
    f.load();
    QCOMPARE(f.DefaultDir, QString());
    QCOMPARE(f.table.VrefHighByA0[0], 0.0);
    QCOMPARE(f.table.VrefHighByA0[1], 0.0);
    QCOMPARE(f.table.VrefHigh, 0.0);
    QCOMPARE(f.table.VrefLow, 0.0);
    QCOMPARE(f.table.A0Setting, QStringLiteral("0"));
    QCOMPARE(f.PortNumb, 0);
    QCOMPARE(f.BitRate, 0);
    QCOMPARE(f.view.vsup_text(), QStringLiteral(" 0"));
    QCOMPARE(f.store.size(), 0); // reading writes nothing back
}

void TestSettings::reference_follows_address_data()
{
    QTest::addColumn<QString>("a0");
    QTest::addColumn<QString>("expectedA0");
    QTest::addColumn<double>("vrefHigh");
    QTest::addColumn<QString>("vsup");
    // Stored references: 4.5 V for the first address, 3.3 V for the second.
    QTest::newRow("address 0") << "0" << "0" << 4.5 << " 4.5";
    QTest::newRow("address 1") << "1" << "1" << 3.3 << " 3.3";
    QTest::newRow("empty is address 0") << "" << "0" << 4.5 << " 4.5";
    QTest::newRow("unknown 2 is address 0") << "2" << "0" << 4.5 << " 4.5";
    QTest::newRow("unknown letter is address 0") << "x" << "0" << 4.5 << " 4.5";
    QTest::newRow("1 with a blank is address 0") << " 1" << "0" << 4.5 << " 4.5";
}

void TestSettings::reference_follows_address()
{
    QFETCH(QString, a0);
    QFETCH(QString, expectedA0);
    QFETCH(double, vrefHigh);
    QFETCH(QString, vsup);
    Fixture f;
    f.store_text("vref_high0", "10", QStringLiteral(" 4.5"));
    f.store_text("vref_high1", "10", QStringLiteral("3.3"));
    f.store_text("a0", "1", a0);
    f.load();
    QCOMPARE(f.table.A0Setting, expectedA0);
    QCOMPARE(f.table.VrefHighByA0[0], 4.5);
    QCOMPARE(f.table.VrefHighByA0[1], 3.3);
    QCOMPARE(f.table.VrefHigh, vrefHigh);
    QCOMPARE(f.table.VrefLow, 0.0);
    QCOMPARE(f.view.vsup_text(), vsup);
}

void TestSettings::port_and_rate_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<int>("PortNumb");
    QTest::addColumn<qint32>("BitRate");
    QTest::newRow("plain") << "2" << "9600" << 2 << 9600;
    QTest::newRow("rate followed by a word") << "3" << "19200 baud" << 3 << 19200;
    QTest::newRow("2.5 rounds down to even") << "2.5" << "9600.5" << 2 << 9600;
    QTest::newRow("3.5 rounds up to even") << "3.5" << "9601.5" << 4 << 9602;
    QTest::newRow("-2.5 rounds to even") << "-2.5" << "-0.5" << -2 << 0;
    QTest::newRow("near halves round to nearest") << "2.49" << "2.51" << 2 << 3;
    QTest::newRow("hexadecimal") << "&H10" << "&H2580" << 16 << 9600;
    QTest::newRow("largest that fit") << "32767" << "2147483647" << 32767 << 2147483647;
    QTest::newRow("smallest that fit") << "-32768" << "-2147483648" << -32768 << qint32(-2147483647 - 1);
    QTest::newRow("32767.4 rounds into range") << "32767.4" << "0" << 32767 << 0;
    QTest::newRow("not numbers") << "COM3" << "fast" << 0 << 0;
}

void TestSettings::port_and_rate()
{
    QFETCH(QString, port);
    QFETCH(QString, rate);
    QFETCH(int, PortNumb);
    QFETCH(qint32, BitRate);
    Fixture f;
    f.store_text("PortNumb", "2", port);
    f.store_text("BitRate", "3", rate);
    f.load();
    QCOMPARE(f.PortNumb, PortNumb);
    QCOMPARE(f.BitRate, BitRate);
    QCOMPARE(f.table.A0Setting, QStringLiteral("0")); // no fallback
}

void TestSettings::integer_overflow_falls_back_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("rate");
    QTest::newRow("port 99999") << "99999" << "9600";
    QTest::newRow("port 32768") << "32768" << "9600";
    QTest::newRow("port 32767.5 rounds out of range") << "32767.5" << "9600";
    QTest::newRow("port -32769") << "-32769" << "9600";
    QTest::newRow("port 1E300") << "1E300" << "9600";
    QTest::newRow("rate 2147483648") << "2" << "2147483648";
    QTest::newRow("rate -2147483649") << "2" << "-2147483649";
}

// The references read before the failing entry stay as read; everything else
// takes the fallback, whatever the store said.
void TestSettings::integer_overflow_falls_back()
{
    QFETCH(QString, port);
    QFETCH(QString, rate);
    Fixture f;
    f.store_text("Startup", "Default_Dir", QStringLiteral("/sets/"));
    f.store_text("vref_high0", "10", QStringLiteral("4.5"));
    f.store_text("vref_high1", "10", QStringLiteral("3.3"));
    f.store_text("a0", "1", QStringLiteral("0"));
    f.store_text("PortNumb", "2", port);
    f.store_text("BitRate", "3", rate);
    f.load();
    QCOMPARE(f.table.VrefHighByA0[0], 4.5);
    QCOMPARE(f.table.VrefHighByA0[1], 3.3);
    QCOMPARE(f.DefaultDir, fallback_directory());
    QCOMPARE(f.table.A0Setting, QStringLiteral("1"));
    QCOMPARE(f.table.VrefHigh, 5.0);
    QCOMPARE(f.table.VrefLow, 0.0);
    QCOMPARE(f.view.vsup_text(), QStringLiteral(" 5"));
    QCOMPARE(f.PortNumb, 1);
    QCOMPARE(f.BitRate, qint32(9600));
}

// Opening the batch window loads again: what changed since start-up and was
// never stored goes back to the stored values.
void TestSettings::reload_reverts_unsaved_changes()
{
    Fixture f;
    f.store_text("Startup", "Default_Dir", QStringLiteral("/sets/"));
    f.store_text("vref_high0", "10", QStringLiteral("4.5"));
    f.store_text("vref_high1", "10", QStringLiteral("3.3"));
    f.store_text("a0", "1", QStringLiteral("1"));
    f.store_text("PortNumb", "2", QStringLiteral("2"));
    f.store_text("BitRate", "3", QStringLiteral("9600"));
    f.load();

    f.DefaultDir = QStringLiteral("/elsewhere/");
    f.table.A0Setting = QStringLiteral("0");
    f.table.VrefHigh = 7.0;
    f.table.VrefHighByA0 = {7.0, 8.0};
    f.PortNumb = 5;
    f.BitRate = 115200;
    f.view.set_vsup_text(QStringLiteral(" 7"));
    f.load();

    QCOMPARE(f.DefaultDir, QStringLiteral("/sets/"));
    QCOMPARE(f.table.A0Setting, QStringLiteral("1"));
    QCOMPARE(f.table.VrefHighByA0[0], 4.5);
    QCOMPARE(f.table.VrefHigh, 3.3);
    QCOMPARE(f.view.vsup_text(), QStringLiteral(" 3.3"));
    QCOMPARE(f.PortNumb, 2);
    QCOMPARE(f.BitRate, qint32(9600));
}

void TestSettings::lower_references_are_ignored()
{
    Fixture f;
    f.store_text("vref_high0", "10", QStringLiteral("10"));
    f.store_text("vref_low0", "1", QStringLiteral("2"));
    f.store_text("vref_low1", "1", QStringLiteral("3"));
    f.table.VrefLowByA0 = {1.0, 1.0};
    f.load();
    QCOMPARE(f.table.VrefLow, 0.0);
    QCOMPARE(f.table.VrefLowByA0[0], 0.0);
    QCOMPARE(f.table.VrefLowByA0[1], 0.0);
    QCOMPARE(f.table.VrefHigh, 10.0);

    MemorySettingsStore saved;
    save_settings(saved, f.table, 2, 9600);
    QVERIFY(!saved.contains(QStringLiteral("vref_low0"), QStringLiteral("1")));
    QVERIFY(!saved.contains(QStringLiteral("vref_low1"), QStringLiteral("1")));
}

void TestSettings::save_writes_stored_texts_data()
{
    QTest::addColumn<double>("vref0");
    QTest::addColumn<double>("vref1");
    QTest::addColumn<QString>("a0");
    QTest::addColumn<int>("port");
    QTest::addColumn<qint32>("rate");
    QTest::addColumn<QStringList>("texts"); // vref_high0, vref_high1, a0, PortNumb, BitRate
    QTest::newRow("typical") << 10.0 << 4.5 << "1" << 2 << 9600
                             << QStringList{" 10", " 4.5", "1", "2", "9600"};
    QTest::newRow("below one and zero") << 0.5 << 0.0 << "0" << 0 << 0
                                        << QStringList{" .5", " 0", "0", "0", "0"};
    QTest::newRow("negative and large") << -1.25 << 12.345 << "0" << -1 << 2147483647
                                        << QStringList{"-1.25", " 12.345", "0", "-1", "2147483647"};
    QTest::newRow("address never set") << 10.0 << 10.0 << "" << 1 << 9600
                                       << QStringList{" 10", " 10", "", "1", "9600"};
}

void TestSettings::save_writes_stored_texts()
{
    QFETCH(double, vref0);
    QFETCH(double, vref1);
    QFETCH(QString, a0);
    QFETCH(int, port);
    QFETCH(qint32, rate);
    QFETCH(QStringList, texts);
    ChannelTable table;
    table.VrefHighByA0 = {vref0, vref1};
    table.VrefHigh = 99.0; // what the box shows is not what is stored
    table.A0Setting = a0;
    MemorySettingsStore store;
    save_settings(store, table, port, rate);
    const QStringList stored{
        store.read(QStringLiteral("vref_high0"), QStringLiteral("10")),
        store.read(QStringLiteral("vref_high1"), QStringLiteral("10")),
        store.read(QStringLiteral("a0"), QStringLiteral("1")),
        store.read(QStringLiteral("PortNumb"), QStringLiteral("2")),
        store.read(QStringLiteral("BitRate"), QStringLiteral("3")),
    };
    QCOMPARE(stored, texts);
    QCOMPARE(store.size(), 5);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
