// The FTDI backend's layers above the driver, on a scripted driver: how the
// queue cuts its states into writes and answers reads, how it gives up, the
// chip families' read buffers, and the remembered adapter's text.
#include "bus/ftdi/ftdi_chip_family.h"
#include "bus/ftdi/ftdi_driver.h"
#include "bus/ftdi/ftdi_state_clock.h"
#include "bus/ftdi/ftdi_transfer_queue.h"
#include "bus/ftdi/remembered_adapter.h"

#include <ftdi.h>

#include <QTest>

#include <vector>

using namespace zrx;

namespace {

// Echoes every state as its sample. `stall` brings no sample at all;
// failWriteAt and failReadAt fail that call (1-based) of submit_write or
// wait_read. `calls` tells the reads and writes in order: "r4096" a read
// submitted, "w64" a write, "R" the wait for the read.
class ScriptedDriver final : public FtdiDriver {
public:
    std::vector<std::size_t> writes;
    std::vector<quint8> sent;
    QStringList calls;
    bool stall = false;
    int failWriteAt = 0;
    int failReadAt = 0;

    bool open(const UsbAdapter &) override { return true; }
    bool is_open() const override { return true; }
    bool adapter_taken() const override { return true; }
    FtdiChipFamily chip_family() const override { return {}; }
    bool set_latency_timer(std::chrono::milliseconds) override { return true; }
    bool set_bit_bang_rate(int) override { return true; }
    bool purge() override { return true; }
    bool set_sync_bit_bang(quint8) override { return true; }
    bool leave_bit_bang(bool, bool) override { return true; }
    bool set_uart_rate(int) override { return true; }
    bool write_uart(const QByteArray &) override { return true; }
    bool transmitter_empty(bool &empty) override { return empty = true; }

    bool submit_write(const quint8 *states, std::size_t count) override
    {
        if (int(writes.size()) + 1 == failWriteAt)
            return fail("writing line states failed (scripted)");
        writes.push_back(count);
        calls << QStringLiteral("w%1").arg(count);
        sent.insert(sent.end(), states, states + count);
        return true;
    }
    bool submit_read(quint8 *samples, std::size_t count) override
    {
        calls << QStringLiteral("r%1").arg(count);
        m_into = samples;
        m_count = count;
        return true;
    }
    int wait_read(std::chrono::milliseconds) override
    {
        calls << QStringLiteral("R");
        if (++m_waits == failReadAt) {
            fail("reading the samples failed (scripted)");
            return -1;
        }
        if (stall)
            return 0;
        // The states of this read come back, the pins as they drove them.
        std::copy_n(sent.begin() + std::ptrdiff_t(m_read), m_count, m_into);
        m_read += m_count;
        return int(m_count);
    }
    int bytes_available() override { return 0; }
    void close() override {}
    QString error_text() const override { return m_error; }

private:
    bool fail(const char *text)
    {
        m_error = QString::fromLatin1(text);
        return false;
    }

    quint8 *m_into = nullptr;
    std::size_t m_count = 0;
    std::size_t m_read = 0; // states whose samples were read
    int m_waits = 0;
    QString m_error;
};

using Sizes = std::vector<std::size_t>;

} // namespace

class TestFtdiTransferQueue : public QObject {
    Q_OBJECT
private slots:
    void writes_within_the_credit_data();
    void writes_within_the_credit();
    void a_read_answers_with_its_own_state();
    void giving_up_data();
    void giving_up();
    void read_buffers_of_the_families_data();
    void read_buffers_of_the_families();
    void timing_at_opening_data();
    void timing_at_opening();
    void remembered_text_data();
    void remembered_text();
};

// Runs of one call shortened: "w64*3" stands for three writes of 64.
QString calls_text(const QStringList &calls)
{
    QStringList text;
    for (qsizetype i = 0; i < calls.size();) {
        qsizetype run = 1;
        while (i + run < calls.size() && calls[i + run] == calls[i])
            ++run;
        text << (run > 1 ? QStringLiteral("%1*%2").arg(calls[i]).arg(run) : calls[i]);
        i += run;
    }
    return text.join(QLatin1Char(' '));
}

void TestFtdiTransferQueue::writes_within_the_credit_data()
{
    QTest::addColumn<int>("readBuffer");
    QTest::addColumn<int>("states");
    QTest::addColumn<QString>("calls");
    QTest::newRow("one state") << 128 << 1 << QStringLiteral("r1 w1 R");
    QTest::newRow("65") << 128 << 65 << QStringLiteral("r65 w64 w1 R");
    QTest::newRow("one window") << 128 << 4096 << QStringLiteral("r4096 w64*64 R");
    QTest::newRow("a window and one") << 128 << 4097 << QStringLiteral("r4096 w64*64 w1 R r1 R");
    QTest::newRow("credit and one past the window")
        << 128 << 4096 + 129 << QStringLiteral("r4096 w64*66 R r129 w1 R");
    QTest::newRow("credit of 63") << 63 << 4096 + 64 << QStringLiteral("r4096 w64*64 w63 R r64 w1 R");
    QTest::newRow("no buffer given: one ahead") << 0 << 4098 << QStringLiteral("r4096 w64*64 w1 R r2 w1 R");
}

// The samples' read goes out before the writes it waits for, and no more
// than the credit is written past it.
void TestFtdiTransferQueue::writes_within_the_credit()
{
    QFETCH(int, readBuffer);
    QFETCH(int, states);
    QFETCH(QString, calls);
    ScriptedDriver driver;
    FtdiTransferQueue queue(driver);
    queue.set_read_buffer(std::size_t(readBuffer));
    bool last = true;
    for (int i = 0; i < states; ++i)
        queue.push(quint8(i % 2 ? 0x20 : 0x00));
    queue.read_last_into(ftdi_pins::DsrLine, &last);
    QVERIFY(queue.flush());
    QCOMPARE(calls_text(driver.calls), calls);
    QCOMPARE(int(driver.sent.size()), states);
    QCOMPARE(last, states % 2 == 1); // the last state's own sample
    QVERIFY(queue.empty());
}

// DSR asserted is a low pin (0x20 clear); each read sees its own state's
// sample, also across a write's edge (states 64 and 65).
void TestFtdiTransferQueue::a_read_answers_with_its_own_state()
{
    ScriptedDriver driver;
    FtdiTransferQueue queue(driver);
    queue.set_read_buffer(128);
    bool answers[4] = {false, true, false, true};
    queue.repeat(0x20, 63);
    queue.push(0x00);
    queue.read_last_into(ftdi_pins::DsrLine, &answers[0]);
    queue.push(0x20);
    queue.read_last_into(ftdi_pins::DsrLine, &answers[1]);
    queue.push(0xDF);
    queue.read_last_into(ftdi_pins::DsrLine, &answers[2]);
    queue.push(0xFF);
    queue.read_last_into(ftdi_pins::DsrLine, &answers[3]);
    QVERIFY(queue.flush());
    QCOMPARE(driver.writes, (Sizes{64, 3}));
    QCOMPARE(answers[0], true);
    QCOMPARE(answers[1], false);
    QCOMPARE(answers[2], true);
    QCOMPARE(answers[3], false);
}

void TestFtdiTransferQueue::giving_up_data()
{
    QTest::addColumn<bool>("stall");
    QTest::addColumn<int>("failWriteAt");
    QTest::addColumn<int>("failReadAt");
    QTest::addColumn<QString>("error");
    QTest::newRow("no sample comes") << true << 0 << 0 << QStringLiteral("the adapter stopped answering");
    QTest::newRow("first write fails") << false << 1 << 0 << QStringLiteral("writing line states failed (scripted)");
    QTest::newRow("last write fails") << false << 65 << 0 << QStringLiteral("writing line states failed (scripted)");
    QTest::newRow("last read fails") << false << 0 << 2 << QStringLiteral("reading the samples failed (scripted)");
}

// Nothing is answered from a flush that failed; dropping the queue answers
// with the fallback and forgets its states.
void TestFtdiTransferQueue::giving_up()
{
    QFETCH(bool, stall);
    QFETCH(int, failWriteAt);
    QFETCH(int, failReadAt);
    QFETCH(QString, error);
    ScriptedDriver driver;
    driver.stall = stall;
    driver.failWriteAt = failWriteAt;
    driver.failReadAt = failReadAt;
    FtdiTransferQueue queue(driver);
    queue.set_read_buffer(128);
    bool answer = true;
    queue.repeat(0x00, 4097); // a read of 4096, 65 writes (the last ahead of it), a read of 1
    queue.read_last_into(ftdi_pins::DsrLine, &answer);
    answer = false;
    QVERIFY(!queue.flush());
    QCOMPARE(queue.error_text(), error);
    QCOMPARE(answer, false);
    QVERIFY(!queue.empty());
    answer = true;
    queue.drop(false);
    QCOMPARE(answer, false);
    QVERIFY(queue.empty());
}

// The families tst_ftdi_bit_bang_control fills end to end on the first port
// (FT232R, FT-X, FT232H) are not repeated here.
void TestFtdiTransferQueue::read_buffers_of_the_families_data()
{
    QTest::addColumn<int>("chipType");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("readBuffer");
    QTest::newRow("FT2232C/D") << int(TYPE_2232C) << 0 << 128;
    QTest::newRow("FT2232H") << int(TYPE_2232H) << 1 << 4096;
    QTest::newRow("FT4232H, last port") << int(TYPE_4232H) << 3 << 2048;
}

void TestFtdiTransferQueue::read_buffers_of_the_families()
{
    QFETCH(int, chipType);
    QFETCH(int, port);
    QFETCH(int, readBuffer);
    QCOMPARE(int(ftdi_chip_family(FtdiChipType(chipType), port).readBuffer), readBuffer);
}

// The clock read before and after four full writes, then before and after
// four single states: 252 states more in the first. What that difference
// gives is checked against the 5 us the bus needs and against sense.
void TestFtdiTransferQueue::timing_at_opening_data()
{
    QTest::addColumn<qint64>("fullNs");
    QTest::addColumn<qint64>("singleNs");
    QTest::addColumn<qint64>("periodNs"); // 0: refused
    QTest::addColumn<QString>("error");
    const QString untimed = QStringLiteral("the adapter's line states could not be timed");
    QTest::newRow("5.21 us, transfers taken off") << 9'312'416LL << 8'000'000LL << 5208LL << QString();
    QTest::newRow("longer than the family's: the family's") << 8'000'000LL + 252 * 20833 << 8'000'000LL << 10000LL
                                                           << QString();
    QTest::newRow("5.00 us") << 1'260'000LL << 0LL << 5000LL << QString();
    QTest::newRow("4.99 us") << 1'257'480LL << 0LL << 0LL
                             << QStringLiteral("the adapter's line states last 4.99 us, shorter than the 5 us the bus needs");
    QTest::newRow("no difference") << 8'000'000LL << 8'000'000LL << 0LL << untimed;
    QTest::newRow("singles slower") << 8'000'000LL << 8'521'640LL << 0LL << untimed;
    QTest::newRow("1 ms a state") << 252'000'000LL << 0LL << 10000LL << QString();
    QTest::newRow("just over 1 ms") << 252'000'252LL << 0LL << 0LL << untimed;
}

void TestFtdiTransferQueue::timing_at_opening()
{
    QFETCH(qint64, fullNs);
    QFETCH(qint64, singleNs);
    QFETCH(qint64, periodNs);
    QFETCH(QString, error);
    const std::vector<qint64> readings{100, 100 + fullNs, 200'000'000'000, 200'000'000'000 + singleNs};
    std::size_t next = 0;
    FtdiStateClock clock([&] { return std::chrono::nanoseconds(readings.at(next++)); });
    clock.start_from(std::chrono::nanoseconds(10000));
    ScriptedDriver driver;
    FtdiTransferQueue queue(driver);
    queue.set_read_buffer(128);
    QCOMPARE(clock.time_states(queue, 0x14), error.isEmpty());
    QCOMPARE(clock.error_text(), error);
    QCOMPARE(next, readings.size());
    QCOMPARE(driver.writes, (Sizes{64, 64, 64, 64, 1, 1, 1, 1}));
    if (periodNs)
        QCOMPARE(clock.period().count(), periodNs);
}

void TestFtdiTransferQueue::remembered_text_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("bus");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("interface");
    QTest::newRow("by bus and address") << QStringLiteral("5;;3;17;1;403;6010") << 5 << 3 << 17 << 1;
    QTest::newRow("by serial number") << QStringLiteral("12;FT0FAKE1;0;0;0;403;6001") << 12 << 0 << 0 << 0;
    QTest::newRow("six fields") << QStringLiteral("5;;3;17;1;403") << 0 << 0 << 0 << 0;
    QTest::newRow("eight fields") << QStringLiteral("5;;3;17;1;403;6010;0") << 0 << 0 << 0 << 0;
    QTest::newRow("empty") << QString() << 0 << 0 << 0 << 0;
}

// Read back into its fields, and written out again the same (bus and
// address are not interchangeable).
void TestFtdiTransferQueue::remembered_text()
{
    QFETCH(QString, text);
    QFETCH(int, port);
    QFETCH(int, bus);
    QFETCH(int, address);
    QFETCH(int, interface);
    const RememberedAdapter remembered = remembered_adapter_from_text(text);
    QCOMPARE(remembered.port, port);
    if (port == 0) {
        QCOMPARE(remembered_adapter_text(remembered), QString());
        return;
    }
    QCOMPARE(remembered.adapter.busNumber, bus);
    QCOMPARE(remembered.adapter.deviceAddress, address);
    QCOMPARE(remembered.adapter.interfaceNumber, interface);
    QCOMPARE(remembered.adapter.vendorId, quint16(0x0403));
    QCOMPARE(remembered_adapter_text(remembered), text);
}

QTEST_GUILESS_MAIN(TestFtdiTransferQueue)
#include "tst_ftdi_transfer_queue.moc"
