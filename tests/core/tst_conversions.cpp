#include "core/conversions.h"
#include "core/headless_channel_view.h"

#include <QTest>

using namespace zrx;

namespace {

// A table at 0..10 V with the address setting 0, and a view whose change
// handling does what the main window's does, minus the chip write, which it
// records instead.
struct Fixture {
    ChannelTable table;
    HeadlessChannelView view;
    QList<int> writes; // channel written by each change reaction, in order

    Fixture()
    {
        table.VrefHigh = 10.0;
        table.VrefLow = 0.0;
        table.A0Setting = QStringLiteral("0");
        table.CurrentChannel = 1;
        view.on_volts_changed = [this](int channel) {
            table.CurrentChannel = channel;
            volts_to_code(table, view);
            writes.append(channel);
        };
    }

    // Types into a box without firing its reaction, then converts it.
    double convert(int channel, const QString &text)
    {
        auto reaction = std::exchange(view.on_volts_changed, nullptr);
        view.set_volts_text(channel, text);
        view.on_volts_changed = reaction;
        table.CurrentChannel = channel;
        volts_to_code(table, view);
        return table.ChannelCode[channel];
    }
};

} // namespace

class TestConversions : public QObject {
    Q_OBJECT
private slots:
    void volts_to_code_data();
    void volts_to_code();
    void volts_to_code_needs_a_span();
    void code_to_volts_data();
    void code_to_volts();
    void refresh_rewrites_only_changed_rows();
    void refresh_reconverts_codes_above_full_scale();
    void refresh_records_reference_for_address();
    void refresh_updates_panel_only_while_open();
    void select_reference_shows_number_text();
    void channel_labels_and_screen_order();
};

void TestConversions::volts_to_code_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("code");
    QTest::addColumn<double>("volts");
    QTest::newRow("5 V is half scale") << "5" << 512.0 << 5.0;
    QTest::newRow("10 V is code 1024") << "10" << 1024.0 << 10.0;
    QTest::newRow("12 V clamps to full scale") << "12" << 1024.0 << 10.0;
    QTest::newRow("negative clamps to 0") << "-1" << 0.0 << 0.0;
    QTest::newRow("letters") << "volts" << 0.0 << 0.0;
    QTest::newRow("empty") << "" << 0.0 << 0.0;
    QTest::newRow("0.0048 rounds down") << "0.0048" << 0.0 << 0.0048;
    QTest::newRow("0.0049 rounds up") << "0.0049" << 1.0 << 0.0049;
    QTest::newRow("spaced 5 . 5 V") << "5 . 5 V" << 563.0 << 5.5;
}

void TestConversions::volts_to_code()
{
    QFETCH(QString, text);
    QFETCH(double, code);
    QFETCH(double, volts);
    Fixture f;
    QCOMPARE(f.convert(7, text), code);
    QCOMPARE(f.table.ChannelVolts[7], volts);
    QCOMPARE(f.view.volts_text(7), text); // the box text is left as typed
}

void TestConversions::volts_to_code_needs_a_span()
{
    Fixture f;
    f.table.VrefHigh = 0.0;
    f.table.ChannelCode[3] = 77;
    f.table.ChannelVolts[3] = 1.5;
    QCOMPARE(f.convert(3, "5"), 77.0);
    QCOMPARE(f.table.ChannelVolts[3], 1.5);
}

void TestConversions::code_to_volts_data()
{
    QTest::addColumn<double>("code");
    QTest::addColumn<double>("volts");
    QTest::newRow("0") << 0.0 << 0.0;
    QTest::newRow("512") << 512.0 << 5.0;
    QTest::newRow("1023") << 1023.0 << 9.990234375;
    QTest::newRow("1024 is full scale") << 1024.0 << 10.0;
    QTest::newRow("silent chip word") << 65535.0 << 10.0;
    QTest::newRow("negative code") << -512.0 << -5.0;
}

void TestConversions::code_to_volts()
{
    QFETCH(double, code);
    QFETCH(double, volts);
    Fixture f;
    QCOMPARE(zrx::code_to_volts(f.table, code), volts);
}

// Only rows whose text changes run their reaction, in channel order; the
// code is re-derived from the three-decimal text and CurrentChannel ends on
// the highest changed channel.
void TestConversions::refresh_rewrites_only_changed_rows()
{
    Fixture f;
    refresh_channels(f.table, f.view); // every box starts empty: all 24 change
    QCOMPARE(f.writes.size(), 24);
    f.writes.clear();

    f.table.ChannelCode[5] = 563;
    f.table.ChannelCode[19] = 1;
    f.table.CurrentChannel = 2;
    refresh_channels(f.table, f.view);
    QCOMPARE(f.writes, (QList<int>{5, 19}));
    QCOMPARE(f.table.CurrentChannel, 19);
    QCOMPARE(f.view.volts_text(5), QStringLiteral(" 5.498"));
    QCOMPARE(f.view.code_text(5), QStringLiteral("233"));
    QCOMPARE(f.table.ChannelCode[5], 563.0);
    QCOMPARE(f.view.volts_text(19), QStringLiteral(" .009"));
    QCOMPARE(f.table.ChannelCode[19], 1.0);

    f.writes.clear();
    f.table.CurrentChannel = 4;
    refresh_channels(f.table, f.view);
    QVERIFY(f.writes.isEmpty());
    QCOMPARE(f.table.CurrentChannel, 4);
}

// A word of a silent chip shows as VrefHigh; the reaction turns it into 1024
// while the code box keeps the word that was read.
void TestConversions::refresh_reconverts_codes_above_full_scale()
{
    Fixture f;
    for (int c = FirstChannel; c <= LastChannel; ++c)
        f.table.ChannelCode[c] = 0xFFFF;
    refresh_channels(f.table, f.view);
    for (int c = FirstChannel; c <= LastChannel; ++c) {
        QCOMPARE(f.view.code_text(c), QStringLiteral("FFFF"));
        QCOMPARE(f.view.volts_text(c), QStringLiteral(" 10"));
        QCOMPARE(f.table.ChannelCode[c], 1024.0);
    }
}

void TestConversions::refresh_records_reference_for_address()
{
    Fixture f;
    f.table.VrefHighByA0 = {1.0, 2.0};
    f.table.VrefHigh = 4.5;
    refresh_channels(f.table, f.view);
    QCOMPARE(f.table.VrefHighByA0[0], 4.5);
    QCOMPARE(f.table.VrefHighByA0[1], 2.0);

    f.table.A0Setting = QStringLiteral("1");
    f.table.VrefHigh = 3.3;
    refresh_channels(f.table, f.view);
    QCOMPARE(f.table.VrefHighByA0[0], 4.5);
    QCOMPARE(f.table.VrefHighByA0[1], 3.3);
}

void TestConversions::refresh_updates_panel_only_while_open()
{
    Fixture f;
    int panelRefreshes = 0;
    f.view.on_refresh_control_panel = [&] { ++panelRefreshes; };
    refresh_channels(f.table, f.view);
    QCOMPARE(panelRefreshes, 0);
    f.table.ControlPanelOpen = 1;
    refresh_channels(f.table, f.view);
    QCOMPARE(panelRefreshes, 1);
}

void TestConversions::select_reference_shows_number_text()
{
    Fixture f;
    f.table.VrefHighByA0 = {10.0, 4.5};
    select_reference(f.table, f.view);
    QCOMPARE(f.table.VrefHigh, 10.0);
    QCOMPARE(f.view.vsup_text(), QStringLiteral(" 10"));
    f.table.A0Setting = QStringLiteral("1");
    select_reference(f.table, f.view);
    QCOMPARE(f.table.VrefHigh, 4.5);
    QCOMPARE(f.view.vsup_text(), QStringLiteral(" 4.5"));
}

void TestConversions::channel_labels_and_screen_order()
{
    QCOMPARE(channel_label(1), QStringLiteral("1"));
    QCOMPARE(channel_label(18), QStringLiteral("18"));
    QCOMPARE(channel_label(19), QStringLiteral("c1"));
    QCOMPARE(channel_label(20), QStringLiteral("c2"));
    QCOMPARE(channel_label(21), QStringLiteral("19"));
    QCOMPARE(channel_label(24), QStringLiteral("22"));
    const auto &order = channels_in_screen_order();
    QCOMPARE(order[18], 21);
    QCOMPARE(order[21], 24);
    QCOMPARE(order[22], 19);
    QCOMPARE(order[23], 20);
}

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_conversions.moc"
