// The bus log: the wrapper around the serial control, its line decoder, the
// bounded log and its texts, checked against the chip operations on the
// simulated board and against the strict decoder of the recorded trace.
#include "bus/bus_log_text.h"
#include "bus/logging_serial_control.h"
#include "support/recording_serial_control.h"
#include "sim/simulated_board.h"
#include "core/conversions.h"
#include "core/headless_channel_view.h"
#include "device/chip.h"
#include "support/line_trace_decoder.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace zrx;

namespace {

PortConfiguration com(int portNumber, qint32 bitRate = 9600)
{
    PortConfiguration configuration;
    configuration.CommPort = portNumber;
    configuration.Settings = QStringLiteral("%1,N,8,1").arg(bitRate);
    return configuration;
}

// The program's wiring with the log in it: the chip operations drive the
// wrapper, the wrapper a recorder, the recorder the simulated board.
struct LoggedBench {
    ChannelTable table;
    HeadlessChannelView view;
    SimulatedBoard board;
    BusLog log;
    RecordingSerialControl *recorder = nullptr; // owned by the wrapper
    LoggingSerialControl port{make_recorder(), log};
    ModemLineBus bus{port};
    Chip chip{table, view, bus};

    LoggedBench()
    {
        table.A0Setting = QStringLiteral("0");
        table.VrefHigh = 10;
        table.CurrentChannel = 1;
        view.on_volts_changed = [this](int channel) { volts_text_changed(chip, channel); };
        port.open_port(com(1));
        recorder->clear_trace();
    }

    std::unique_ptr<SerialControl> make_recorder()
    {
        auto control = std::make_unique<RecordingSerialControl>();
        recorder = control.get();
        recorder->forward_to(&board);
        return control;
    }

    // "kind | address | bytes | meaning" per row, without the time.
    QStringList rows() const
    {
        QStringList texts;
        for (int i = 0; i < log.size(); ++i)
            texts << bus_row_fields(log.at(i)).mid(1).join(QStringLiteral(" | "));
        return texts;
    }
};

// The bytes of each transaction the strict decoder found, as the log
// writes them ("E8 04"), markers included.
QStringList bytes_of_decoded(const QStringList &transactions)
{
    static const QRegularExpression byteToken(QStringLiteral("^[0-9A-F]{2}$"));
    QStringList bytes;
    for (const QString &t : transactions) {
        if (t.startsWith(QLatin1String("TX["))) {
            bytes << t.mid(3, t.size() - 4);
            continue;
        }
        QStringList found;
        for (const QString &token : t.split(QLatin1Char(' '))) {
            if (byteToken.match(token).hasMatch())
                found << token;
        }
        bytes << found.join(QLatin1Char(' '));
    }
    return bytes;
}

QStringList bytes_of_log(const BusLog &log)
{
    QStringList bytes;
    for (int i = 0; i < log.size(); ++i)
        bytes << bus_row_field(log.at(i), BusLogColumn::Bytes);
    return bytes;
}

BusTransaction transaction_of(std::initializer_list<quint8> bytes)
{
    BusTransaction t;
    for (const quint8 b : bytes)
        t.bytes[std::size_t(t.count++)] = b;
    t.kind = classify_transaction(t, true);
    return t;
}

qint64 fixed_clock()
{
    // 2024-03-05 14:07:09.042 in the machine's own time zone.
    return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9, 42)).toMSecsSinceEpoch();
}

using Operation = std::function<void(LoggedBench &)>;

} // namespace

Q_DECLARE_METATYPE(Operation)

class TestBusLog : public QObject {
    Q_OBJECT
private slots:
    void one_row_per_transaction_data();
    void one_row_per_transaction();
    void log_agrees_with_the_line_trace();
    void traffic_is_unchanged_by_the_wrapper();
    void closed_port_logs_nothing();
    void lost_port_ends_the_transaction_cut_short();
    void marker_that_did_not_go_out_is_not_logged();
    void port_records_data();
    void port_records();
    void classify_data();
    void classify();
    void keeps_the_newest_rows_up_to_its_capacity();
    void csv_text();
    void copied_rows_text();
};

void TestBusLog::one_row_per_transaction_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("channel write, c1") << Operation([](LoggedBench &b) {
        b.table.CurrentChannel = 19;
        b.table.ChannelCode[19] = 0x2A5;
        write_channel(b.chip);
    }) << QStringList{"channel write | E8h | E8 12 82 A5 | channel c1 (register 12h), code 2A5h"};

    QTest::newRow("channel write, A0 = 1") << Operation([](LoggedBench &b) {
        b.table.A0Setting = QStringLiteral("1");
        b.table.CurrentChannel = 24;
        b.table.ChannelCode[24] = 1023;
        write_channel(b.chip);
    }) << QStringList{"channel write | EAh | EA 17 83 FF | channel 22 (register 17h), code 3FFh"};

    QTest::newRow("programming frame") << Operation([](LoggedBench &b) {
        program_channel_frame(b.bus, QStringLiteral("00000001"), QStringLiteral("00000010"),
                              QStringLiteral("11101000"), QStringLiteral("00000100"));
    }) << QStringList{"programming frame | E8h | E8 04 42 01 | burn into OTP: channel 5 (register 04h), code 201h"};

    QTest::newRow("register read") << Operation([](LoggedBench &b) {
        b.board.chip().set_register_word(4, 0x2A5);
        b.bus.read_register_5bit(QStringLiteral("00100"), QStringLiteral("0"));
    }) << QStringList{"pointer write | E8h | E8 04 | pointer to channel 5 (register 04h)",
                      "word read | E9h | E9 02 A5 | channel 5 (register 04h): 02A5h"};

    QTest::newRow("Max Bank read, A0 = 1") << Operation([](LoggedBench &b) {
        b.board.chip().set_a0_strap(1);
        b.board.chip().set_register_word(0x3F, 2);
        b.bus.read_register_6bit(QStringLiteral("111111"), QStringLiteral("1"));
    }) << QStringList{"pointer write | EAh | EA 3F | pointer to register 3Fh (Max Bank)",
                      "word read | EBh | EB 00 02 | register 3Fh (Max Bank): 0002h"};

    QTest::newRow("word read with no pointer before it") << Operation([](LoggedBench &b) {
        b.board.chip().set_register_word(0, 0x123);
        b.bus.read_register_word(QStringLiteral("0"));
    }) << QStringList{"word read | E9h | E9 01 23 | word 0123h"};

    QTest::newRow("silent chip") << Operation([](LoggedBench &b) {
        b.board.chip().set_present(false);
        b.bus.read_register_5bit(QStringLiteral("00000"), QStringLiteral("0"));
    }) << QStringList{"pointer write | E8h | E8 00 | pointer to channel 1 (register 00h)",
                      "word read | E9h | E9 FF FF | channel 1 (register 00h): FFFFh"};

    QTest::newRow("general-call reset") << Operation([](LoggedBench &b) { general_call_reset(b.bus); })
                                        << QStringList{"general-call reset | 00h | 00 06 | reset of every chip on the bus"};

    QTest::newRow("step marker") << Operation([](LoggedBench &b) { b.port.output(QByteArray("\x01\x00\x00\x00", 4)); })
                                 << QStringList{"step marker |  | 01 00 00 00 | batch step done"};

    QTest::newRow("stand-alone START, STOP: nothing sent")
        << Operation([](LoggedBench &b) {
               b.bus.bus_start();
               b.bus.bus_stop();
           })
        << QStringList{};
}

void TestBusLog::one_row_per_transaction()
{
    QFETCH(Operation, operation);
    QFETCH(QStringList, rows);
    LoggedBench b;
    operation(b);
    QCOMPARE(b.rows(), rows);
}

// The incremental decoder sees the same traffic as the strict one in the
// tests, transaction for transaction, over everything the chip layer sends.
void TestBusLog::log_agrees_with_the_line_trace()
{
    LoggedBench b;
    for (int reg = 0; reg < 24; ++reg)
        b.board.chip().set_register_word(reg, quint16(reg * 41));
    read_all_channels(b.chip); // with write-backs of every changed row
    b.table.CurrentChannel = 7;
    b.table.ChannelCode[7] = 900;
    write_channel(b.chip);
    reset_and_read_back(b.chip);
    program_otp_and_reset(b.chip);
    b.port.output(QByteArray("\x05\x00\x00\x00", 4));
    b.table.A0Setting = QStringLiteral("1");
    read_all_channels(b.chip);

    const QStringList decoded = decode_transactions(b.recorder->trace());
    for (const QString &t : decoded)
        QVERIFY2(!t.contains(QLatin1Char('!')), qPrintable(t));
    QVERIFY(b.log.size() > 150);
    QCOMPARE(bytes_of_log(b.log), bytes_of_decoded(decoded));
    for (int i = 0; i < b.log.size(); ++i)
        QVERIFY(b.log.at(i).transaction.kind != BusTransaction::Kind::Other);
}

void TestBusLog::traffic_is_unchanged_by_the_wrapper()
{
    auto run = [](SerialControl &port, SimulatedBoard &board) {
        ChannelTable table;
        HeadlessChannelView view;
        ModemLineBus bus(port);
        Chip chip{table, view, bus};
        table.A0Setting = QStringLiteral("0");
        table.VrefHigh = 10;
        view.on_volts_changed = [&chip](int channel) { volts_text_changed(chip, channel); };
        board.chip().set_register_word(3, 0x155);
        read_all_channels(chip);
        reset_and_read_back(chip);
        port.output("\x01");
    };

    SimulatedBoard plainBoard;
    RecordingSerialControl plain;
    plain.forward_to(&plainBoard);
    plain.open_port(com(1));
    plain.clear_trace();
    run(plain, plainBoard);

    LoggedBench b;
    run(b.port, b.board);

    QCOMPARE(line_trace_text(b.recorder->trace()), line_trace_text(plain.trace()));
    QVERIFY(b.log.size() > 100);
}

void TestBusLog::closed_port_logs_nothing()
{
    LoggedBench b;
    b.port.close_port();
    write_channel(b.chip);
    general_call_reset(b.bus);
    b.port.output("\x01");
    QCOMPARE(b.log.size(), 0);

    b.port.open_port(com(1));
    write_channel(b.chip);
    QCOMPARE(b.log.size(), 1);
}

void TestBusLog::lost_port_ends_the_transaction_cut_short()
{
    LoggedBench b;
    QSignalSpy lost(&b.port, &SerialControl::port_lost);
    b.board.lose_port_after(70); // two bits into the register byte
    write_channel(b.chip);
    write_channel(b.chip);

    QCOMPARE(lost.count(), 1);
    QCOMPARE(b.rows(), QStringList{"other | E8h | E8 | not a transaction of this program"});
    QCOMPARE(b.port.port_record(1).event, PortRecord::Event::Lost);
    QCOMPARE(b.port.port_record(1).reason, QStringLiteral("COM1 was disconnected"));
}

// A write that runs out of time drops its bytes: the log must not show a
// marker that never reached the transmit line.
void TestBusLog::marker_that_did_not_go_out_is_not_logged()
{
    LoggedBench b;
    b.recorder->set_output_stalls(true);
    QVERIFY(!b.port.output(QByteArray::fromHex("01000000")));
    QCOMPARE(b.log.size(), 0);

    b.recorder->set_output_stalls(false);
    QVERIFY(b.port.output(QByteArray::fromHex("01000000")));
    QCOMPARE(b.log.size(), 1);
    QCOMPARE(b.log.at(0).transaction.kind, BusTransaction::Kind::StepMarker);
}

void TestBusLog::port_records_data()
{
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<bool>("closeAfter");
    QTest::addColumn<PortRecord::Event>("event");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("permissionDenied");
    // The board has COM1..COM4: COM2 held, COM3 refused.
    QTest::newRow("opened") << 1 << false << PortRecord::Event::Opened << "" << false;
    QTest::newRow("opened then closed") << 1 << true << PortRecord::Event::Closed << "" << false;
    QTest::newRow("held elsewhere") << 2 << false << PortRecord::Event::HeldElsewhere << "" << false;
    QTest::newRow("no permission") << 3 << false << PortRecord::Event::Failed << "COM3: Permission denied" << true;
    QTest::newRow("a close after a failure keeps the reason")
        << 3 << true << PortRecord::Event::Failed << "COM3: Permission denied" << true;
    QTest::newRow("missing") << 9 << false << PortRecord::Event::Failed << "COM9 does not exist" << false;
}

void TestBusLog::port_records()
{
    QFETCH(int, portNumber);
    QFETCH(bool, closeAfter);
    QFETCH(PortRecord::Event, event);
    QFETCH(QString, reason);
    QFETCH(bool, permissionDenied);
    LoggedBench b;
    b.board.set_existing_ports({1, 2, 3, 4});
    b.board.set_held_ports({2});
    b.board.set_refused_ports({3});
    b.port.close_port();
    QSignalSpy changed(&b.port, &LoggingSerialControl::port_state_changed);

    b.port.open_port(com(portNumber, 19200));
    if (closeAfter)
        b.port.close_port();

    const PortRecord &record = b.port.port_record(portNumber);
    QCOMPARE(record.event, event);
    QCOMPARE(record.reason, reason);
    QCOMPARE(record.permissionDenied, permissionDenied);
    QCOMPARE(record.bitRate, 19200);
    QCOMPARE(changed.count(), closeAfter ? 2 : 1);
    QCOMPARE(b.port.port_record(0).event, PortRecord::Event::None);
    QCOMPARE(b.port.port_record(17).event, PortRecord::Event::None);
}

void TestBusLog::classify_data()
{
    using Kind = BusTransaction::Kind;
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<Kind>("kind");
    QTest::newRow("channel write") << QByteArray("\xE8\x05\x81\x10", 4) << true << Kind::ChannelWrite;
    QTest::newRow("programming frame") << QByteArray("\xEA\x05\x41\x10", 4) << true << Kind::ProgrammingFrame;
    QTest::newRow("mode bits 110") << QByteArray("\xE8\x05\xC1\x10", 4) << true << Kind::Other;
    QTest::newRow("pointer write") << QByteArray("\xE8\x3F", 2) << true << Kind::PointerWrite;
    QTest::newRow("word read") << QByteArray("\xE9\xFF\xFF", 3) << true << Kind::WordRead;
    QTest::newRow("one-byte read") << QByteArray("\xE9\xFF", 2) << true << Kind::Other;
    QTest::newRow("general-call reset") << QByteArray("\x00\x06", 2) << true << Kind::GeneralCallReset;
    QTest::newRow("other general call") << QByteArray("\x00\x04", 2) << true << Kind::Other;
    QTest::newRow("three-byte write") << QByteArray("\xE8\x05\x81", 3) << true << Kind::Other;
    QTest::newRow("cut short") << QByteArray("\xE8\x05\x81\x10", 4) << false << Kind::Other;
}

void TestBusLog::classify()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, complete);
    QFETCH(BusTransaction::Kind, kind);
    BusTransaction t;
    for (const char b : bytes)
        t.bytes[std::size_t(t.count++)] = quint8(b);
    QCOMPARE(classify_transaction(t, complete), kind);
}

void TestBusLog::keeps_the_newest_rows_up_to_its_capacity()
{
    BusLog log(3);
    int told = 0;
    log.set_listener([&told] { ++told; });
    for (quint8 reg = 0; reg < 5; ++reg)
        log.append(transaction_of({0xE8, reg}));

    QCOMPARE(told, 5);
    QCOMPARE(log.size(), 3);
    QCOMPARE(log.capacity(), 3);
    QCOMPARE(log.first_sequence(), quint64(2));
    QCOMPARE(log.end_sequence(), quint64(5));
    QCOMPARE(bytes_of_log(log), (QStringList{"E8 02", "E8 03", "E8 04"}));

    log.clear();
    QCOMPARE(log.size(), 0);
    QCOMPARE(log.first_sequence(), quint64(5));
    log.append(transaction_of({0x00, 0x06}));
    QCOMPARE(bytes_of_log(log), QStringList{"00 06"});
}

void TestBusLog::csv_text()
{
    BusLog log;
    log.set_clock(fixed_clock);
    log.append(transaction_of({0xE8, 0x12, 0x83, 0xFF}));
    BusTransaction marker;
    marker.kind = BusTransaction::Kind::StepMarker;
    marker.count = 10; // longer than a row keeps
    log.append(marker);

    QCOMPARE(bus_log_csv(log), QStringLiteral("Time,Kind,Address,Bytes,Meaning\r\n"
                                              "2024-03-05 14:07:09.042,channel write,E8h,E8 12 83 FF,"
                                              "\"channel c1 (register 12h), code 3FFh\"\r\n"
                                              "2024-03-05 14:07:09.042,step marker,,"
                                              "00 00 00 00 00 00 00 00 ... (10 bytes),batch step done\r\n"));
}

void TestBusLog::copied_rows_text()
{
    BusLog log;
    log.set_clock(fixed_clock);
    log.append(transaction_of({0xE8, 0x3F}));
    log.append(transaction_of({0xE9, 0x00, 0x02}));
    log.append(transaction_of({0x00, 0x06}));

    QCOMPARE(bus_rows_text(log, {0, 2, 7}),
             QStringLiteral("14:07:09.042\tpointer write\tE8h\tE8 3F\tpointer to register 3Fh (Max Bank)\n"
                            "14:07:09.042\tgeneral-call reset\t00h\t00 06\treset of every chip on the bus\n"));
}

QTEST_GUILESS_MAIN(TestBusLog)
#include "tst_bus_log.moc"
