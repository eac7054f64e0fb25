// The read-back's opening pause: clicks and keys given during it wait until
// the whole command has run, while timers run inside it (a second "Read
// DAC", the batch window, the main window closing, each to completion), and
// the read-back around them still reads what the chip holds.
#include "fault_support.h"

#include "core/number_text.h"
#include "support/line_trace_decoder.h"
#include "ui/batch/frm_batch.h"

#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace zrx;

class TestReadBackReentry : public QObject {
    Q_OBJECT
private slots:
    void read_dac_again_in_the_pause_data();
    void read_dac_again_in_the_pause();
    void keys_typed_in_the_pause_wait();
    void program_otp_clicked_during_change_address_waits();
    void batch_window_used_in_the_pause();
    void main_window_closed_in_the_pause();
};

void TestReadBackReentry::read_dac_again_in_the_pause_data()
{
    QTest::addColumn<int>("extraClicks");
    QTest::newRow("one nested read-back") << 1;
    QTest::newRow("three, each inside the one before") << 3;
}

// Every nested read-back is whole and none is cut into another: the bus
// transactions themselves never yield.
void TestReadBackReentry::read_dac_again_in_the_pause()
{
    QFETCH(int, extraClicks);
    const QList<int> codes = distinct_codes(7);
    MainWindowFixture f;
    f.store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral("10"));
    f.put_codes(codes);
    f.start();

    int clicks = 0;
    std::function<void()> click_again = [&] {
        if (clicks++ > extraClicks)
            return;
        // Armed before the click, so it fires inside that click's own pause.
        QTimer::singleShot(0, f.window.get(), click_again);
        f.button(QStringLiteral("Command5"))->click();
    };
    click_again();

    QStringList expected;
    for (int i = 0; i <= extraClicks; ++i)
        expected += read_back(codes);
    QCOMPARE(f.take_transactions(), expected);
    QVERIFY(chip_holds(f, codes));
    for (int c = 1; c <= 24; ++c)
        QCOMPARE(f.code_box(c)->text(), format_code(codes[c - 1]));
    QCOMPARE(f.window->MSComm1().is_open(), true);
}

// Keys typed while the read-back waits reach the box and the chip only once
// the read-back has shown what the chip holds.
void TestReadBackReentry::keys_typed_in_the_pause_wait()
{
    const QList<int> codes = distinct_codes(4);
    MainWindowFixture f;
    f.store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral("10.24"));
    f.put_codes(codes);
    f.start();
    f.volts_box(9)->setFocus();
    f.volts_box(9)->selectAll();

    for (const char key : {'2', '.', '5'})
        queue_key(f.window.get(), key == '.' ? Qt::Key_Period : Qt::Key(key), QString(QLatin1Char(key)));
    f.button(QStringLiteral("Command5"))->click();
    QCOMPARE(f.take_transactions(), read_back(codes));

    QTRY_COMPARE(f.volts_box(9)->text(), QStringLiteral("2.5"));
    // One write per keystroke: "2", "2." and "2.5".
    QCOMPARE(f.take_transactions(), (QStringList{channel_write(9, 200), channel_write(9, 200), channel_write(9, 250)}));
}

// Program OTP clicked while Change Address waits to read the other chip
// burns the codes read from that chip, at its address, after its read-back.
void TestReadBackReentry::program_otp_clicked_during_change_address_waits()
{
    const QList<int> second = distinct_codes(2);
    MainWindowFixture f;
    f.store.write(QStringLiteral("vref_high1"), QStringLiteral("10"), QStringLiteral("10.24"));
    f.put_codes(distinct_codes(1));
    f.start();
    f.board.chip().set_a0_strap(1); // the board now holds the second chip
    f.put_codes(second);

    queue_click(f.button(QStringLiteral("Command10")));
    f.button(QStringLiteral("Command7"))->click();
    QTRY_COMPARE(f.board.chip().banks_burned(), 1);

    const QStringList traffic = f.take_transactions();
    QCOMPARE(traffic.mid(0, 50), read_back(second, 0, 1));
    // After the write-backs of the rows that changed.
    const QStringList burned = traffic.filter(QRegularExpression(QStringLiteral("^S EA A .. A 4")));
    QCOMPARE(traffic.indexOf(burned.value(0)), traffic.size() - 24 - 3);
    for (int c = 1; c <= 24; ++c)
        QCOMPARE(burned.value(c - 1), otp_write(c, second[c - 1], 1));
}

// "Run Batch" clicked while the read-back waits: the batch window opens and
// closes inside the pause, and the read-back then shows what the batch left
// on the chip.
void TestReadBackReentry::batch_window_used_in_the_pause()
{
    QTemporaryDir dir;
    write_file(dir.filePath(QStringLiteral("set.csv")), channel_set_text(QStringLiteral("10"), distinct_codes(6)));
    MainWindowFixture f;
    f.store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral("10"));
    f.put_codes(distinct_codes(2));
    f.start();

    bool stepped = false;
    QTimer::singleShot(0, f.window.get(), [&] {
        with_batch_window(f, dir.path(), [&](frm_batch *batch) {
            select_files(batch, {QStringLiteral("set.csv")});
            click(batch, QStringLiteral("Command3"));
            stepped = batch_label(batch)->text() == QStringLiteral("set.csv 0");
            batch->close();
        });
    });
    f.button(QStringLiteral("Command5"))->click();

    QVERIFY(stepped);
    const QStringList traffic = f.take_transactions();
    QCOMPARE(traffic.mid(traffic.size() - 50), read_back(distinct_codes(6)));
    QVERIFY(chip_holds(f, distinct_codes(6)));
    for (int c = 1; c <= 24; ++c)
        QCOMPARE(f.code_box(c)->text(), format_code(distinct_codes(6)[c - 1]));
    QCOMPARE(f.board.transmitted(), QByteArray::fromHex("01000000"));
    QCOMPARE(f.endings, 0);
}

// Closing ends the program inside the pause: the settings the user made are
// stored, and nothing of the read-back comes before the ending.
void TestReadBackReentry::main_window_closed_in_the_pause()
{
    MainWindowFixture f;
    f.store.write(QStringLiteral("vref_high1"), QStringLiteral("10"), QStringLiteral("3.3"));
    f.store.write(QStringLiteral("a0"), QStringLiteral("1"), QStringLiteral("1"));
    f.store.write(QStringLiteral("PortNumb"), QStringLiteral("2"), QStringLiteral("4"));
    f.store.write(QStringLiteral("BitRate"), QStringLiteral("3"), QStringLiteral("19200"));
    f.start();
    f.type_into(f.vsup_box(), QStringLiteral("2.5"));
    f.press_tab();

    qsizetype operationsAtEnding = -1;
    f.on_ending = [&f, &operationsAtEnding] { operationsAtEnding = f.recorder->trace().size(); };
    f.recorder->clear_trace();
    QTimer::singleShot(0, f.window.get(), [&f] { f.window->close(); });
    f.button(QStringLiteral("Command5"))->click();

    QCOMPARE(f.endings, 1);
    QCOMPARE(operationsAtEnding, 0);
    QCOMPARE(f.store.read(QStringLiteral("vref_high1"), QStringLiteral("10")), QStringLiteral(" 2.5"));
    QCOMPARE(f.store.read(QStringLiteral("a0"), QStringLiteral("1")), QStringLiteral("1"));
    QCOMPARE(f.store.read(QStringLiteral("PortNumb"), QStringLiteral("2")), QStringLiteral("4"));
    QCOMPARE(f.store.read(QStringLiteral("BitRate"), QStringLiteral("3")), QStringLiteral("19200"));
}

QTEST_MAIN(TestReadBackReentry)
#include "tst_read_back_reentry.moc"
