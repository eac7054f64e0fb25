// The serial port going away in the middle of the bus traffic: the program
// carries on, the chip keeps what it held, and once the port is back the next
// command works as if nothing had happened.
#include "fault_support.h"

#include "bus/port_discovery.h"
#include "bus/port_names.h"
#include "core/number_text.h"
#include "support/line_trace_decoder.h"
#include "ui/batch/frm_batch.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

using namespace zrx;

namespace {

// On COM1, as a user with a real board would be, so the status line names
// the port.
void start_on_com1(MainWindowFixture &f, const QString &vsup, const QList<int> &codes)
{
    f.board.set_existing_ports({1});
    f.store.write(QStringLiteral("PortNumb"), QStringLiteral("2"), QStringLiteral("1"));
    f.store.write(QStringLiteral("BitRate"), QStringLiteral("3"), QStringLiteral("9600"));
    f.store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), vsup);
    f.put_codes(codes);
    f.start();
}

QString port_status(const MainWindowFixture &f)
{
    return f.window->findChild<QLabel *>(QStringLiteral("statusPort"))->text();
}

// What the user must learn when the port goes: which port, and that it went.
void verify_loss_is_told(const MainWindowFixture &f)
{
    QVERIFY(!f.window->MSComm1().is_open());
    QCOMPARE(port_status(f), port_display_name(1) + QStringLiteral(" was disconnected"));
}

// The port comes back as the port setup dialog would bring it back.
void reconnect(MainWindowFixture &f)
{
    QVERIFY(f.window->fncInitializeComPort(9600, 1));
    QCOMPARE(port_status(f), port_display_name(1) + QStringLiteral(", 9600 baud: open"));
    f.take_transactions();
}

} // namespace

class TestLostPort : public QObject {
    Q_OBJECT
private slots:
    void lost_during_read_back_data();
    void lost_during_read_back();
    void lost_during_channel_write_data();
    void lost_during_channel_write();
    void lost_during_otp_burn();
    void lost_during_batch_run();
    void bus_clear_goes_only_to_the_own_port();
};

void TestLostPort::lost_during_read_back_data()
{
    QTest::addColumn<int>("operations");
    QTest::newRow("first pointer write") << 50;
    QTest::newRow("inside a word read") << 10 * RegisterReadOperations + 200;
    QTest::newRow("between two registers") << 17 * RegisterReadOperations;
    QTest::newRow("Max Bank read") << 24 * RegisterReadOperations + 130;
}

void TestLostPort::lost_during_read_back()
{
    QFETCH(int, operations);
    const QList<int> codes = distinct_codes(3);
    MainWindowFixture f(BoardConnection::SerialPort);
    start_on_com1(f, QStringLiteral("10"), codes);
    QSignalSpy lost(&f.window->MSComm1(), &SerialControl::port_lost);
    f.board.lose_port_after(operations);

    f.button(QStringLiteral("Command5"))->click();

    QCOMPARE(lost.size(), 1);
    verify_loss_is_told(f);
    // Whatever the window made of the missing answers, none of it reached the chip.
    QVERIFY(chip_holds(f, codes));
    const QStringList traffic = f.take_transactions();
    QVERIFY2(!traffic.join(QLatin1Char(' ')).contains(QLatin1Char('!')), qPrintable(traffic.join(QLatin1Char('\n'))));

    reconnect(f);
    f.button(QStringLiteral("Command5"))->click();
    const QStringList again = f.take_transactions();
    QVERIFY(chip_holds(f, codes));
    QCOMPARE(again.mid(0, 50), read_back(codes));
    // Rows that showed the missing answers change back, and are written back
    // with the very codes the chip holds.
    for (const QString &write : again.mid(50)) {
        const int channel = write.section(QLatin1Char(' '), 3, 3).toInt(nullptr, 16) + 1;
        QCOMPARE(write, channel_write(channel, codes.value(channel - 1)));
    }
    QCOMPARE(f.max_bank_box()->text(), QStringLiteral("0"));
    for (int c = 1; c <= 24; ++c)
        QCOMPARE(f.code_box(c)->text(), format_code(codes[c - 1]));
}

void TestLostPort::lost_during_channel_write_data()
{
    // START, then 54 operations per byte with its acknowledge clock; the chip
    // takes the code as the clock falls after the last bit (operation 212).
    QTest::addColumn<int>("operations");
    QTest::addColumn<bool>("taken");
    QTest::newRow("in the address byte") << 20 << false;
    QTest::newRow("while the chip acknowledges the address") << 56 << false;
    QTest::newRow("while the chip acknowledges the code") << 218 << true;
    QTest::newRow("in the code's last byte") << 200 << false;
    QTest::newRow("just before the last bit is taken") << 212 << false;
    QTest::newRow("in the STOP") << ChannelWriteOperations - 3 << true;
}

// A frame cut short changes the register only if its last byte was complete;
// either way the program goes on and the next frame lands whole.
void TestLostPort::lost_during_channel_write()
{
    QFETCH(int, operations);
    QFETCH(bool, taken);
    const QList<int> codes = distinct_codes(5);
    MainWindowFixture f(BoardConnection::SerialPort);
    start_on_com1(f, QStringLiteral("10.24"), codes);
    f.board.lose_port_after(operations);

    f.type_into(f.volts_box(7), QStringLiteral("5"));
    verify_loss_is_told(f);
    QCOMPARE(f.board.chip().register_word(6), quint16(taken ? 500 : codes[6]));
    // The typed value stays in the window, ready to be sent again.
    QCOMPARE(f.volts_box(7)->text(), QStringLiteral("5"));
    QCOMPARE(f.window->table().ChannelCode[7], 500.0);

    // The chip is not stuck in the broken frame: the next frame lands whole.
    reconnect(f);
    f.press_tab();
    QCOMPARE(channel_writes_of(f.take_transactions()).value(0), channel_write(7, 500));
    QCOMPARE(f.board.chip().register_word(6), quint16(500));
}

// A burn cut in its thirteenth frame says how far it got, once the wait
// cursor and the progress are gone; the twelve frames before went out whole.
void TestLostPort::lost_during_otp_burn()
{
    const QList<int> codes = distinct_codes(3);
    MainWindowFixture f(BoardConnection::SerialPort);
    start_on_com1(f, QStringLiteral("10"), codes);
    f.recorder->set_request_latency(std::chrono::microseconds(150)); // long enough to show progress
    QString idleAtMessage;
    f.window->show_message = [&](QWidget *, const MessageRequest &request) {
        idleAtMessage += QGuiApplication::overrideCursor() ? QString() : request.text;
        idleAtMessage += f.window->statusBar()->currentMessage();
    };
    f.board.lose_port_after(12 * ChannelWriteOperations + 100);

    f.button(QStringLiteral("Command10"))->click();

    verify_loss_is_told(f);
    QCOMPARE(idleAtMessage, QStringLiteral("OTP burn stopped after channel 12 of 24: the port was lost; "
                                           "the next bank may hold a partial set"));
    QStringList whole;
    for (int c = 1; c <= 12; ++c)
        whole << otp_write(c, codes[c - 1]);
    QCOMPARE(f.take_transactions().mid(0, 12), whole);
}

// The run stops when the port goes, and says why; only the set that reached
// the chip is named and followed by a marker, and the chip keeps what it got.
void TestLostPort::lost_during_batch_run()
{
    QTemporaryDir dir;
    for (int set = 1; set <= 3; ++set)
        write_file(dir.filePath(QStringLiteral("set_%1.csv").arg(set)),
                   channel_set_text(QStringLiteral("10"), distinct_codes(set)));
    MainWindowFixture f(BoardConnection::SerialPort);
    start_on_com1(f, QStringLiteral("10"), QList<int>(24, 0));

    with_batch_window(f, dir.path(), [&](frm_batch *batch) {
        select_files(batch, {QStringLiteral("set_1.csv"), QStringLiteral("set_2.csv"), QStringLiteral("set_3.csv")});
        batch->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("0"));
        int steps = 0;
        QObject::connect(batch, &frm_batch::batch_step_done, batch, [&] {
            if (++steps == 1)
                // Each channel is written, then rewritten as its row changes:
                // this cuts set 2's first write of channel 3.
                f.board.lose_port_after(4 * ChannelWriteOperations + 100);
            if (steps == 4)
                click(batch, QStringLiteral("Command2"));
        });
        click(batch, QStringLiteral("Command1"));

        QCOMPARE(steps, 2);
        verify_loss_is_told(f);
        QCOMPARE(batch_status(batch)->text(),
                 port_display_name(1) + QStringLiteral(" was disconnected: set_2.csv did not reach the chip. "
                                                       "The batch run stopped."));
        QCOMPARE(batch_label(batch)->text(), QStringLiteral("set_1.csv"));
        // One marker: set 1's, the only step that reached the board whole.
        QCOMPARE(f.board.transmitted(), QByteArray::fromHex("01000000"));
        int markersLogged = 0;
        for (int i = 0; i < f.window->bus_log().size(); ++i)
            markersLogged += f.window->bus_log().at(i).transaction.kind == BusTransaction::Kind::StepMarker;
        QCOMPARE(markersLogged, 1);
    });
    const QList<int> set1 = distinct_codes(1), set2 = distinct_codes(2);
    QVERIFY(chip_holds(f, set2.mid(0, 2) + set1.mid(2)));
}

// The clear after a loss belongs to the program's own port when it is opened
// for use: not to the probes of a rescan, which may be other devices.
void TestLostPort::bus_clear_goes_only_to_the_own_port()
{
    const QList<int> codes = distinct_codes(4);
    MainWindowFixture f(BoardConnection::SerialPort);
    start_on_com1(f, QStringLiteral("10"), codes);
    f.board.set_existing_ports({1, 3});
    f.board.lose_port_after(10 * RegisterReadOperations + 200); // inside a word read
    f.button(QStringLiteral("Command5"))->click();
    verify_loss_is_told(f);
    f.recorder->clear_trace();

    scan_com_ports(f.window->MSComm1(), f.window->ports());
    const LineTrace probes = f.recorder->take_trace();
    QVERIFY(!probes.isEmpty());
    QCOMPARE(count_line_writes(probes), 0);

    QVERIFY(f.window->fncInitializeComPort(9600, 1));
    // Nine clocks with the data released, then a STOP: 23 line writes.
    QCOMPARE(count_line_writes(f.recorder->take_trace()), 23);
    f.button(QStringLiteral("Command5"))->click();
    QCOMPARE(f.take_transactions().mid(0, 50), read_back(codes));
}

QTEST_MAIN(TestLostPort)
#include "tst_lost_port.moc"
