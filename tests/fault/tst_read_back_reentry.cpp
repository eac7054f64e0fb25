// What may run inside the read-back's opening pause: a second "Read DAC", a
// typed channel, the main window closing. Each runs to completion there, and
// the read-back around it still reads what the chip holds.
#include "fault_support.h"

#include "core/number_text.h"
#include "support/line_trace_decoder.h"
#include "ui/batch/frm_batch.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace zrx;

class TestReadBackReentry : public QObject {
    Q_OBJECT
private slots:
    void read_dac_again_in_the_pause_data();
    void read_dac_again_in_the_pause();
    void channel_typed_in_the_pause();
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

// A channel typed while the read-back waits reaches the chip first, and the
// read-back then shows it as the chip holds it.
void TestReadBackReentry::channel_typed_in_the_pause()
{
    const QList<int> codes = distinct_codes(4);
    MainWindowFixture f;
    f.store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral("10.24"));
    f.put_codes(codes);
    f.start();

    QTimer::singleShot(0, f.window.get(), [&f] { f.type_into(f.volts_box(9), QStringLiteral("2.5")); });
    f.button(QStringLiteral("Command5"))->click();

    QList<int> expected = codes;
    expected[8] = 250;
    // One write per keystroke ("2", "2.", "2.5"), the read-back, then the
    // row's own rewrite as its text becomes the three-decimal form.
    const QStringList typed{channel_write(9, 200), channel_write(9, 200), channel_write(9, 250)};
    QCOMPARE(f.take_transactions(), typed + read_back(expected) + QStringList{channel_write(9, 250)});
    QCOMPARE(f.code_box(9)->text(), QStringLiteral("FA"));
    QCOMPARE(f.volts_box(9)->text(), QStringLiteral(" 2.5"));
    QVERIFY(chip_holds(f, expected));
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
