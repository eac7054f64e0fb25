// What the chip layer notes about a read-back, which is all the program has
// to tell a silent chip from a quiet one.
#include "core/headless_channel_view.h"
#include "device/chip.h"
#include "support/line_trace_decoder.h"
#include "support/simulated_bus.h"

#include <QTest>

using namespace zrx;

namespace {

struct Fixture {
    SimulatedBus wire;
    ChannelTable table;
    HeadlessChannelView view;
    Chip chip{table, view, wire.bus};

    Fixture()
    {
        table.VrefHigh = 10.0;
        table.A0Setting = QStringLiteral("0");
        table.CurrentChannel = 1;
    }
};

} // namespace

class TestReadBackRecord : public QObject {
    Q_OBJECT
private slots:
    void every_word_ffff_data();
    void every_word_ffff();
    void only_a_full_read_back_counts();
};

void TestReadBackRecord::every_word_ffff_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<int>("strap");
    QTest::addColumn<QString>("A0Setting");
    QTest::addColumn<int>("oneWord"); // register 0x3F, or -1 to leave it
    QTest::addColumn<bool>("everyWordFFFF");
    QTest::newRow("chip answers with zeros") << true << 0 << "0" << -1 << false;
    QTest::newRow("no chip") << false << 0 << "0" << -1 << true;
    QTest::newRow("chip on the other address") << true << 1 << "0" << -1 << true;
    QTest::newRow("no chip, A0 = 1") << false << 1 << "1" << -1 << true;
    // Only the last word differs: the chip is there.
    QTest::newRow("one word not FFFF") << true << 0 << "0" << 0x0001 << false;
}

void TestReadBackRecord::every_word_ffff()
{
    QFETCH(bool, present);
    QFETCH(int, strap);
    QFETCH(QString, A0Setting);
    QFETCH(int, oneWord);
    QFETCH(bool, everyWordFFFF);
    Fixture f;
    f.wire.chip().set_present(present);
    f.wire.chip().set_a0_strap(strap);
    f.table.A0Setting = A0Setting;
    if (oneWord >= 0) {
        for (int reg = 0; reg < 24; ++reg)
            f.wire.chip().set_register_word(reg, 0xFFFF);
        f.wire.chip().set_register_word(0x3F, quint16(oneWord));
    }

    read_all_channels(f.chip);

    QVERIFY(f.chip.LastReadBack.Done);
    QCOMPARE(f.chip.LastReadBack.EveryWordFFFF, everyWordFFFF);
    QCOMPARE(f.chip.LastReadBack.A0Setting, A0Setting);
}

void TestReadBackRecord::only_a_full_read_back_counts()
{
    Fixture f;
    f.wire.chip().set_present(false);
    read_all_channels(f.chip);
    const QStringList before = decode_transactions(f.wire.take_trace());
    // The boxes here have no change handling, so nothing is written back.
    QCOMPARE(before.size(), 50);
    f.wire.chip().set_present(true);

    read_max_bank(f.chip);

    QVERIFY(f.chip.LastReadBack.EveryWordFFFF);
}

QTEST_GUILESS_MAIN(TestReadBackRecord)
#include "tst_read_back_record.moc"
