#include "device/chip.h"

#include "core/headless_channel_view.h"
#include "core/number_text.h"
#include "support/line_trace_decoder.h"
#include "support/simulated_bus.h"

#include <QTest>

using namespace zrx;

namespace {

QString hex(int byte)
{
    return QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

QString write_frame_text(int address, int reg, int third, int fourth)
{
    return QStringLiteral("S %1 A %2 A %3 A %4 A P").arg(hex(address), hex(reg), hex(third), hex(fourth));
}

// The two transactions of one register read, as the wire shows them.
QStringList register_read_text(const QString &A0Setting, int reg, int word)
{
    const int address = A0Setting == QLatin1String("1") ? 0xEA : 0xE8;
    return {QStringLiteral("S %1 A %2 A P").arg(hex(address), hex(reg)),
            QStringLiteral("S %1 A %2 A %3 N P").arg(hex(address + 1), hex(word >> 8), hex(word & 0xFF))};
}

QStringList read_back_text(const QString &A0Setting, const std::array<int, 25> &words, int maxBank)
{
    QStringList texts;
    for (int reg = 0; reg < ChannelCount; ++reg)
        texts << register_read_text(A0Setting, reg, words[reg]);
    return texts << register_read_text(A0Setting, 0x3F, maxBank);
}

// The channel table at 0..10 V on address 0, its boxes, and the chip on the
// simulated board behind the recorder. With write-back on, a changed voltage
// box does what the main window's does: convert and write the channel.
struct Fixture {
    explicit Fixture(bool writeBack = false)
    {
        table.VrefHigh = 10.0;
        table.VrefLow = 0.0;
        table.A0Setting = QStringLiteral("0");
        table.CurrentChannel = 1;
        if (writeBack)
            view.on_volts_changed = [this](int channel) { volts_text_changed(chip, channel); };
    }

    void use_address(const QString &A0Setting)
    {
        table.A0Setting = A0Setting;
        wire.chip().set_a0_strap(A0Setting == QLatin1String("1") ? 1 : 0);
    }

    SimulatedBus wire;
    ChannelTable table;
    HeadlessChannelView view;
    Chip chip{table, view, wire.bus};
};

} // namespace

class TestChip : public QObject {
    Q_OBJECT
private slots:
    void write_channel_on_the_wire_data();
    void write_channel_on_the_wire();
    void write_channel_without_chip();
    void program_otp_frames_data();
    void program_otp_frames();
    void program_otp_and_reset_traffic();
    void read_all_channels_order_data();
    void read_all_channels_order();
    void read_back_shows_what_the_chip_holds();
    void read_back_without_chip();
    void write_backs_follow_changed_rows();
    void read_back_keeps_the_chip_data();
    void read_back_keeps_the_chip();
    void read_back_below_2048_mV_loses_codes();
    void reset_and_read_back_traffic();
};

void TestChip::write_channel_on_the_wire_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<double>("code");
    QTest::addColumn<QString>("A0Setting");
    QTest::addColumn<QString>("wire");
    QTest::addColumn<int>("held");
    QTest::newRow("channel 1, code 0") << 1 << 0.0 << "0" << "S E8 A 00 A 80 A 00 A P" << 0;
    QTest::newRow("channel 24, code 1023, A0 1") << 24 << 1023.0 << "1" << "S EA A 17 A 83 A FF A P" << 1023;
    QTest::newRow("channel 12, code 512") << 12 << 512.0 << "0" << "S E8 A 0B A 82 A 00 A P" << 512;
    QTest::newRow("code 1024 goes as 1023") << 5 << 1024.0 << "0" << "S E8 A 04 A 83 A FF A P" << 1023;
    QTest::newRow("c1") << 19 << double(0x155) << "0" << "S E8 A 12 A 81 A 55 A P" << 0x155;
    QTest::newRow("c2") << 20 << double(0x2AA) << "0" << "S E8 A 13 A 82 A AA A P" << 0x2AA;
    QTest::newRow("gamma 19") << 21 << 1.0 << "0" << "S E8 A 14 A 80 A 01 A P" << 1;
    QTest::newRow("fraction dropped") << 2 << 300.9 << "0" << "S E8 A 01 A 81 A 2C A P" << 300;
    QTest::newRow("negative goes as 0") << 2 << -5.0 << "0" << "S E8 A 01 A 80 A 00 A P" << 0;
}

void TestChip::write_channel_on_the_wire()
{
    QFETCH(int, channel);
    QFETCH(double, code);
    QFETCH(QString, A0Setting);
    QFETCH(QString, wire);
    QFETCH(int, held);
    Fixture f;
    f.use_address(A0Setting);
    f.wire.chip().set_register_word(channel - 1, 0x2EE);
    f.table.CurrentChannel = channel;
    f.table.ChannelCode[channel] = code;

    write_channel(f.chip);

    const LineTrace trace = f.wire.take_trace();
    QCOMPARE(decode_line_trace(trace), wire);
    QCOMPARE(count_line_writes(trace), 226);
    QCOMPARE(count_dsr_reads(trace), 0);
    QVERIFY(lines_released_at_end(trace));
    QCOMPARE(f.wire.chip().register_word(channel - 1), held);
    QCOMPARE(f.wire.chip().frames_accepted(), 1);
    QCOMPARE(f.table.CurrentChannel, channel);
}

void TestChip::write_channel_without_chip()
{
    Fixture f;
    f.wire.chip().set_present(false);
    f.table.CurrentChannel = 3;
    f.table.ChannelCode[3] = 0x123;
    write_channel(f.chip);
    const LineTrace trace = f.wire.take_trace();
    QCOMPARE(decode_line_trace(trace), QStringLiteral("S E8 A 02 A 81 A 23 A P"));
    QCOMPARE(count_line_writes(trace), 226);
}

void TestChip::program_otp_frames_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<double>("code");
    QTest::addColumn<QString>("A0Setting");
    QTest::addColumn<QString>("frame");
    QTest::newRow("channel 1 at 0x155") << 1 << double(0x155) << "0" << "S E8 A 00 A 41 A 55 A P";
    QTest::newRow("channel 24 at 0x3FF") << 24 << 1023.0 << "0" << "S E8 A 17 A 43 A FF A P";
    QTest::newRow("channel 24 at 1024") << 24 << 1024.0 << "0" << "S E8 A 17 A 43 A FF A P";
    QTest::newRow("A0 1") << 19 << 0.0 << "1" << "S EA A 12 A 40 A 00 A P";
}

void TestChip::program_otp_frames()
{
    QFETCH(int, channel);
    QFETCH(double, code);
    QFETCH(QString, A0Setting);
    QFETCH(QString, frame);
    Fixture f;
    f.use_address(A0Setting);
    f.table.CurrentChannel = 7;
    f.table.ChannelCode[channel] = code;

    program_otp_channels(f.chip);

    const QList<LineTrace> frames = split_transactions(f.wire.take_trace());
    QCOMPARE(frames.size(), 24);
    QCOMPARE(decode_line_trace(frames[channel - 1]), frame);
    for (const LineTrace &each : frames)
        QCOMPARE(count_line_writes(each), 226);
    QCOMPARE(f.table.CurrentChannel, 7);
    QCOMPARE(f.wire.chip().otp_banks()[0][channel - 1], std::min(int(code), 1023));
}

void TestChip::program_otp_and_reset_traffic()
{
    Fixture f;
    QStringList expected;
    for (int channel = 1; channel <= 24; ++channel) {
        const int code = channel * 41;
        f.table.ChannelCode[channel] = code;
        expected << write_frame_text(0xE8, channel - 1, 0x40 + code / 256, code % 256);
    }
    expected << QStringLiteral("S 00 A 06 A P") << register_read_text(QStringLiteral("0"), 0x3F, 1);
    f.view.set_code_text(1, QStringLiteral("kept"));

    program_otp_and_reset(f.chip);

    QCOMPARE(decode_transactions(f.wire.take_trace()), expected);
    QCOMPARE(f.view.max_bank_text(), QStringLiteral("1"));
    QCOMPARE(f.view.code_text(1), QStringLiteral("kept"));
    // The reset loaded the burned bank into the working registers.
    for (int channel = 1; channel <= 24; ++channel)
        QCOMPARE(f.wire.chip().register_word(channel - 1), channel * 41);
}

void TestChip::read_all_channels_order_data()
{
    QTest::addColumn<QString>("A0Setting");
    QTest::newRow("A0 0: E8/E9") << "0";
    QTest::newRow("A0 1: EA/EB") << "1";
}

void TestChip::read_all_channels_order()
{
    QFETCH(QString, A0Setting);
    Fixture f;
    f.use_address(A0Setting);
    std::array<int, 25> words{};
    for (int reg = 0; reg < ChannelCount; ++reg) {
        words[reg] = reg * 37 + 3;
        f.wire.chip().set_register_word(reg, quint16(words[reg]));
    }
    f.wire.chip().set_register_word(0x3F, 3);

    read_all_channels(f.chip);

    QCOMPARE(decode_transactions(f.wire.take_trace()), read_back_text(A0Setting, words, 3));
    for (int channel = 1; channel <= 24; ++channel)
        QCOMPARE(f.table.ChannelCode[channel], double(words[channel - 1]));
    QCOMPARE(f.view.max_bank_text(), QStringLiteral("3"));
}

void TestChip::read_back_shows_what_the_chip_holds()
{
    Fixture f;
    f.wire.chip().set_register_word(4, 0x2A5);
    f.wire.chip().set_register_word(7, 0x8123);
    read_all_channels(f.chip);
    QCOMPARE(f.table.ChannelCode[5], double(0x2A5));
    QCOMPARE(f.view.code_text(5), QStringLiteral("2A5"));
    QCOMPARE(f.table.ChannelCode[8], double(0x8123));
    QCOMPARE(f.view.code_text(8), QStringLiteral("8123"));
    QCOMPARE(f.view.code_text(1), QStringLiteral("0"));
    QCOMPARE(f.view.max_bank_text(), QStringLiteral("0"));
}

void TestChip::read_back_without_chip()
{
    Fixture f;
    f.wire.chip().set_present(false);
    read_all_channels(f.chip);
    for (int channel = 1; channel <= 24; ++channel) {
        QCOMPARE(f.table.ChannelCode[channel], 65535.0);
        QCOMPARE(f.view.code_text(channel), QStringLiteral("FFFF"));
        QCOMPARE(f.view.volts_text(channel), format_volts(10.0));
    }
    QCOMPARE(f.view.max_bank_text(), QStringLiteral("65535"));
}

// Every row whose voltage text changes is written back at once, in channel
// order, with the code reconverted from its text; a row that shows the same
// text as before sends nothing.
void TestChip::write_backs_follow_changed_rows()
{
    Fixture f(true);
    f.wire.chip().set_present(false);
    read_all_channels(f.chip);
    std::array<int, 25> all{};
    all.fill(0xFFFF);
    QStringList expected = read_back_text(QStringLiteral("0"), all, 0xFFFF);
    for (int channel = 1; channel <= 24; ++channel)
        expected << write_frame_text(0xE8, channel - 1, 0x83, 0xFF);
    QCOMPARE(decode_transactions(f.wire.take_trace()), expected);
    QCOMPARE(f.table.ChannelCode[24], 1024.0);
    QCOMPARE(f.view.code_text(24), QStringLiteral("FFFF"));
    QCOMPARE(f.table.CurrentChannel, 24);

    // Same answers again: same texts, no write-back.
    read_all_channels(f.chip);
    QCOMPARE(decode_transactions(f.wire.take_trace()).size(), 50);

    // Two registers changed: exactly those two rows go back, in order.
    f.wire.chip().set_present(true);
    for (int reg = 0; reg < ChannelCount; ++reg)
        f.wire.chip().set_register_word(reg, 1023);
    f.wire.chip().set_register_word(2, 512);
    f.wire.chip().set_register_word(10, 100);
    read_all_channels(f.chip);
    const QStringList texts = decode_transactions(f.wire.take_trace());
    // 1023 shows as 9.99 V, unlike FFFF's 10 V, so first the 24 rows change once...
    QCOMPARE(texts.size(), 50 + 24);
    read_all_channels(f.chip);
    QCOMPARE(decode_transactions(f.wire.take_trace()).size(), 50);
    f.wire.chip().set_register_word(2, 511);
    f.wire.chip().set_register_word(10, 99);
    read_all_channels(f.chip);
    const QStringList second = decode_transactions(f.wire.take_trace());
    QCOMPARE(second.mid(50), QStringList({write_frame_text(0xE8, 2, 0x81, 0xFF),
                                         write_frame_text(0xE8, 10, 0x80, 99)}));
    QCOMPARE(f.table.CurrentChannel, 11);
}

void TestChip::read_back_keeps_the_chip_data()
{
    QTest::addColumn<double>("VrefHigh");
    QTest::newRow("2.05 V") << 2.05;
    QTest::newRow("2.5 V") << 2.5;
    QTest::newRow("3.3 V") << 3.3;
    QTest::newRow("5 V") << 5.0;
    QTest::newRow("10 V") << 10.0;
    QTest::newRow("16.5 V") << 16.5;
}

// Above 2.048 V one code step is more than the 1 mV the boxes show, so the
// write-backs of a read-back send the codes the chip already has.
void TestChip::read_back_keeps_the_chip()
{
    QFETCH(double, VrefHigh);
    Fixture f(true);
    f.table.VrefHigh = VrefHigh;
    std::array<int, 25> words{};
    const int spread[] = {0, 1, 2, 3, 511, 512, 513, 1000, 1021, 1022, 1023};
    for (int reg = 0; reg < ChannelCount; ++reg) {
        words[reg] = reg < int(std::size(spread)) ? spread[reg] : (reg * 347) % 1024;
        f.wire.chip().set_register_word(reg, quint16(words[reg]));
    }

    read_all_channels(f.chip);

    QStringList expected = read_back_text(QStringLiteral("0"), words, 0);
    for (int reg = 0; reg < ChannelCount; ++reg)
        expected << write_frame_text(0xE8, reg, 0x80 + words[reg] / 256, words[reg] % 256);
    QCOMPARE(decode_transactions(f.wire.take_trace()), expected);
    for (int reg = 0; reg < ChannelCount; ++reg) {
        QCOMPARE(f.wire.chip().register_word(reg), words[reg]);
        QCOMPARE(f.table.ChannelCode[reg + 1], double(words[reg]));
    }
}

// Below it the truncated text can land on the code beneath, and that is what
// goes back to the chip.
void TestChip::read_back_below_2048_mV_loses_codes()
{
    Fixture f(true);
    f.table.VrefHigh = 1.0;
    f.wire.chip().set_register_word(0, 3); // 2.93 mV, shown as .002
    read_all_channels(f.chip);
    QCOMPARE(f.view.volts_text(1), QStringLiteral(" .002"));
    QCOMPARE(f.view.code_text(1), QStringLiteral("3"));
    QCOMPARE(f.table.ChannelCode[1], 2.0);
    QCOMPARE(f.wire.chip().register_word(0), 2);
}

void TestChip::reset_and_read_back_traffic()
{
    Fixture f;
    for (int reg = 0; reg < ChannelCount; ++reg)
        f.wire.chip().set_register_word(reg, 0x100);

    reset_and_read_back(f.chip);

    std::array<int, 25> zeros{};
    const QStringList expected = QStringList{QStringLiteral("S 00 A 06 A P")}
                                 + read_back_text(QStringLiteral("0"), zeros, 0);
    QCOMPARE(decode_transactions(f.wire.take_trace()), expected);
    for (int channel = 1; channel <= 24; ++channel)
        QCOMPARE(f.view.code_text(channel), QStringLiteral("0"));
}

QTEST_MAIN(TestChip)
#include "tst_chip.moc"
