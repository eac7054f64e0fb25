// Damaged stored settings and saves that the disk refuses: the program starts
// on usable values, the user hears of a failed save, and nothing already on
// disk is lost.
#include "fault_support.h"

#include "core/number_text.h"
#include "ui/buslog/frm_bus_log.h"
#include "ui/main/address_button.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zrx;

namespace {

using Entries = QList<QPair<QString, QString>>; // "section/key" -> stored text

void store_entries(MainWindowFixture &f, const Entries &entries)
{
    for (const auto &[where, text] : entries) {
        const QStringList parts = where.split(QLatin1Char('/'));
        f.store.write(parts[0], parts[1], text);
    }
}

QString first_address_byte(const QStringList &transactions)
{
    return transactions.value(0).section(QLatin1Char(' '), 1, 1);
}

} // namespace

class TestStoredFaults : public QObject {
    Q_OBJECT
private slots:
    void damaged_settings_data();
    void damaged_settings();
    void save_into_full_place();
    void save_into_read_only_folder();
    void bus_log_export_into_full_place();
};

void TestStoredFaults::damaged_settings_data()
{
    QTest::addColumn<Entries>("stored");
    QTest::addColumn<QString>("a0");
    QTest::addColumn<QString>("vsup");
    QTest::addColumn<int>("port");
    QTest::addColumn<qint32>("bitRate");

    const Entries references{{"vref_high0/10", " 4.5"}, {"vref_high1/10", " 3.3"}};
    // A number too big for its integer gives the working fallbacks: second
    // address, 5 V, COM1 at 9600; what was read before it stays.
    QTest::newRow("port number overflows")
        << references + Entries{{"a0/1", "0"}, {"PortNumb/2", "99999"}, {"BitRate/3", "9600"}} << "1" << " 5" << 1
        << 9600;
    QTest::newRow("negative port number overflows")
        << references + Entries{{"PortNumb/2", "-40000"}} << "1" << " 5" << 1 << 9600;
    QTest::newRow("bit rate overflows")
        << references + Entries{{"PortNumb/2", "3"}, {"BitRate/3", "4294967296"}} << "1" << " 5" << 1 << 9600;
    QTest::newRow("bit rate in exponent form overflows")
        << references + Entries{{"a0/1", "0"}, {"BitRate/3", "1E30"}} << "1" << " 5" << 1 << 9600;
    // Words read as 0, or as the number they start with.
    QTest::newRow("words") << Entries{{"vref_high0/10", "ten volts"}, {"PortNumb/2", "two"}, {"BitRate/3", "fast"}}
                           << "0" << " 0" << 0 << 0;
    QTest::newRow("numbers followed by words")
        << Entries{{"vref_high0/10", "7.5 V"}, {"PortNumb/2", "3rd"}, {"BitRate/3", "19200 baud"}} << "0" << " 7.5"
        << 3 << 19200;
    // Anything but "1" is the first address, the one the button shows.
    QTest::newRow("unknown a0") << references + Entries{{"a0/1", "a0"}} << "0" << " 4.5" << 0 << 0;
    QTest::newRow("a0 with a blank") << references + Entries{{"a0/1", " 1"}} << "0" << " 4.5" << 0 << 0;
}

// Start-up on damaged settings: the window, the address the chip is read at
// and the stored values at the end all agree, and the entries the program
// does not own stay as they were.
void TestStoredFaults::damaged_settings()
{
    QFETCH(Entries, stored);
    QFETCH(QString, a0);
    QFETCH(QString, vsup);
    QFETCH(int, port);
    QFETCH(qint32, bitRate);

    MainWindowFixture f;
    store_entries(f, stored);
    f.store.write(QStringLiteral("vref_low0"), QStringLiteral("1"), QStringLiteral("junk"));
    f.start();

    QCOMPARE(f.window->table().A0Setting, a0);
    QCOMPARE(f.vsup_box()->text(), vsup);
    QCOMPARE(f.window->ports().PortNumb, port);
    QCOMPARE(f.window->ports().BitRate, bitRate);
    const auto *button = f.window->findChild<AddressButton *>(QStringLiteral("Command7"));
    QCOMPARE(button->caption(), QString::fromLatin1(a0 == QLatin1String("1") ? AddressOneCaption : AddressZeroCaption));
    QCOMPARE(first_address_byte(f.startupTrace), a0 == QLatin1String("1") ? QStringLiteral("EA") : QStringLiteral("E8"));

    QVERIFY(f.window->close());
    QCOMPARE(f.endings, 1);
    QCOMPARE(f.store.read(QStringLiteral("a0"), QStringLiteral("1")), a0);
    QCOMPARE(f.store.read(QStringLiteral("PortNumb"), QStringLiteral("2")), QString::number(port));
    QCOMPARE(f.store.read(QStringLiteral("BitRate"), QStringLiteral("3")), QString::number(bitRate));
    QCOMPARE(f.store.read(QStringLiteral("vref_low0"), QStringLiteral("1")), QStringLiteral("junk"));
}

// The disk fills up half-way through the new file: the user is told, and the
// set saved before is still there, whole, with no scrap beside it.
void TestStoredFaults::save_into_full_place()
{
#ifdef Q_OS_LINUX
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("set.csv"));
    const QByteArray old = channel_set_text(QStringLiteral("2.5"), distinct_codes(1));
    write_file(path, old);
    MainWindowFixture f;
    f.put_codes(distinct_codes(9));
    f.start();
    f.fileToChoose = path;
    {
        const FileSizeLimit full(40);
        f.button(QStringLiteral("Command1"))->click();
    }
    QCOMPARE(f.messages.size(), 1);
    QVERIFY2(f.messages[0].text.contains(QDir::toNativeSeparators(path)), qPrintable(f.messages[0].text));
    QCOMPARE(f.messages[0].icon, QMessageBox::Warning);
    QCOMPARE(read_file(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("set.csv")});

    // With room again the same save goes through.
    f.button(QStringLiteral("Command1"))->click();
    QCOMPARE(f.messages.size(), 1);
    QCOMPARE(read_file(path), channel_set_text(QStringLiteral("0"), distinct_codes(9)));
#else
    QSKIP("needs a per-process file-size limit");
#endif
}

// No new file may be made in the folder, so the set cannot be written beside
// the old one first: a writable file is written in place, a read-only one
// is refused with the reason.
void TestStoredFaults::save_into_read_only_folder()
{
#ifdef Q_OS_LINUX
    QTemporaryDir parent;
    const QString dir = parent.filePath(QStringLiteral("sets"));
    QVERIFY(QDir().mkpath(dir));
    const QString writable = QDir(dir).filePath(QStringLiteral("set.csv"));
    const QString readOnly = QDir(dir).filePath(QStringLiteral("kept.csv"));
    const QByteArray old = channel_set_text(QStringLiteral("2.5"), distinct_codes(1));
    write_file(writable, old);
    write_file(readOnly, old);
    QFile::setPermissions(readOnly, QFile::ReadOwner);
    MainWindowFixture f;
    f.put_codes(distinct_codes(9));
    f.start();
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
    {
        const FilePermissionsObeyed asAnyUser;
        f.fileToChoose = writable;
        f.button(QStringLiteral("Command1"))->click();
        f.fileToChoose = readOnly;
        f.button(QStringLiteral("Command1"))->click();
    }
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(read_file(writable), channel_set_text(QStringLiteral("0"), distinct_codes(9)));
    QCOMPARE(f.messages.size(), 1);
    QVERIFY2(f.messages[0].text.contains(QDir::toNativeSeparators(readOnly)), qPrintable(f.messages[0].text));
    QCOMPARE(read_file(readOnly), old);
    QCOMPARE(QDir(dir).entryList(QDir::Files).size(), 2);
#else
    QSKIP("needs POSIX permissions");
#endif
}

// The export stops short on a full disk: the user is told why, and the log
// exported before is still there, whole.
void TestStoredFaults::bus_log_export_into_full_place()
{
#ifdef Q_OS_LINUX
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    write_file(path, "old log\r\n");
    MainWindowFixture f;
    f.start();
    f.window->show_bus_log();
    frmBusLog *log = f.window->bus_log_window();
    log->choose_export_path = [&path](QWidget *) { return path; };
    QStringList errors;
    log->report_error = [&errors](QWidget *, const QString &text) { errors << text; };
    {
        const FileSizeLimit full(200);
        QVERIFY(!log->export_csv());
    }
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains(QDir::toNativeSeparators(path)), qPrintable(errors[0]));
    QCOMPARE(read_file(path), QByteArray("old log\r\n"));
#else
    QSKIP("needs a per-process file-size limit");
#endif
}

QTEST_MAIN(TestStoredFaults)
#include "tst_stored_faults.moc"
