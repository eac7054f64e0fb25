#include "store/channel_set_reader.h"

#include <QBuffer>
#include <QTest>

using namespace zrx;

namespace {

// Reads the whole buffer the way a loader does: up to 25 values.
struct Outcome {
    QList<double> values;
    QString error;
    int valuesRead = 0;
};

Outcome read_all(const QByteArray &content)
{
    QBuffer buffer;
    buffer.setData(content);
    buffer.open(QIODevice::ReadOnly);
    ChannelSetReader reader(buffer, QStringLiteral("set.csv"));
    Outcome outcome;
    for (int i = 0; i < ChannelSetReader::ValueCount; ++i) {
        const auto value = reader.next();
        if (!value)
            break;
        outcome.values.append(*value);
    }
    outcome.error = reader.error();
    outcome.valuesRead = reader.values_read();
    return outcome;
}

// 10, 1, 2, ... 24: a reference and a code per channel that shows its place.
QList<double> numbered_values()
{
    QList<double> values{10.0};
    for (int c = 1; c <= 24; ++c)
        values.append(c);
    return values;
}

QByteArray joined(const QList<double> &values, const QByteArray &separator)
{
    QByteArrayList texts;
    for (double v : values)
        texts.append(QByteArray::number(v));
    return texts.join(separator);
}

// Bytes without end, counting how many were asked for: a reader that does
// not stop in time shows up as a large count, not as a slow test.
class EndlessDevice final : public QIODevice {
public:
    explicit EndlessDevice(QByteArray pattern) : m_pattern(std::move(pattern)) { open(ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 pulled() const { return m_pulled; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        for (qint64 i = 0; i < maxSize; ++i)
            data[i] = m_pattern[(m_pulled + i) % m_pattern.size()];
        m_pulled += maxSize;
        return maxSize;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_pattern;
    qint64 m_pulled = 0;
};

} // namespace

class TestChannelSetReader : public QObject {
    Q_OBJECT
private slots:
    void layouts_that_load_data();
    void layouts_that_load();
    void single_values_data();
    void single_values();
    void faults_name_value_and_line_data();
    void faults_name_value_and_line();
    void endless_input_costs_little_data();
    void endless_input_costs_little();
    void missing_file();
};

void TestChannelSetReader::layouts_that_load_data()
{
    QTest::addColumn<QByteArray>("content");
    const QList<double> v = numbered_values();
    QTest::newRow("one per line, CR LF") << joined(v, "\r\n") + "\r\n";
    QTest::newRow("one per line, LF") << joined(v, "\n");
    QTest::newRow("one per line, CR") << joined(v, "\r");
    QTest::newRow("one line, commas") << joined(v, ",") + "\r\n";
    QTest::newRow("commas and line ends mixed") << joined(v.mid(0, 10), ",") + "\r\n" + joined(v.mid(10), "\r\n");
    QTest::newRow("trailing comma on each line") << joined(v, ",\r\n");
    QTest::newRow("blanks and tabs before values") << joined(v, ",  \t ");
    QTest::newRow("blank lines between values") << joined(v, "\r\n\r\n \r\n");
    QTest::newRow("blanks after values") << joined(v, "  ,");
    QTest::newRow("units after numbers") << joined(v, "V\r\n");
    QTest::newRow("byte order mark") << "\xEF\xBB\xBF" + joined(v, "\r\n");
    QTest::newRow("anything after the 25th") << joined(v, "\r\n") + "\r\nnot,a,number\r\n\x01\x02";
    QTest::newRow("25th value without line end") << joined(v, "\r\n");
}

void TestChannelSetReader::layouts_that_load()
{
    QFETCH(QByteArray, content);
    const Outcome outcome = read_all(content);
    QCOMPARE(outcome.error, QString());
    QCOMPARE(outcome.values, numbered_values());
    QCOMPARE(outcome.valuesRead, 25);
}

void TestChannelSetReader::single_values_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("with leading zero") << QByteArray("0.5") << 0.5;
    QTest::newRow("without leading zero") << QByteArray(".5") << 0.5;
    QTest::newRow("negative") << QByteArray("-.25") << -0.25;
    QTest::newRow("hexadecimal") << QByteArray("&H3FF") << 1023.0;
    QTest::newRow("unit") << QByteArray("5V") << 5.0;
    QTest::newRow("zero") << QByteArray("0") << 0.0;
    QTest::newRow("a decimal comma ends the value") << QByteArray("4,5") << 4.0;
}

// The first value of a file is the reference; later values follow the same rule.
void TestChannelSetReader::single_values()
{
    QFETCH(QByteArray, text);
    QFETCH(double, value);
    const Outcome outcome = read_all(text + "\r\n" + joined(numbered_values().mid(1), "\r\n") + "\r\n1");
    QCOMPARE(outcome.error, QString());
    QCOMPARE(outcome.values.value(0), value);
}

void TestChannelSetReader::faults_name_value_and_line_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("valuesRead");
    const QList<double> v = numbered_values();
    QTest::newRow("empty file") << QByteArray() << "set.csv holds none of the 25 values of a channel set" << 0;
    QTest::newRow("blank lines only") << QByteArray("\r\n  \r\n") << "set.csv holds none of the 25 values of a channel set" << 0;
    QTest::newRow("24 values") << joined(v.mid(0, 24), "\r\n") + "\r\n"
                               << "set.csv holds only 24 of the 25 values of a channel set" << 24;
    QTest::newRow("1 value") << QByteArray("10") << "set.csv holds only 1 of the 25 values of a channel set" << 1;
    QTest::newRow("word on line 3") << QByteArray("10\r\n1\r\nabc\r\n")
                                    << "Value 3 on line 3 of set.csv (\"abc\") is not a number" << 2;
    QTest::newRow("letter before digits") << QByteArray("V5\r\n")
                                          << "Value 1 on line 1 of set.csv (\"V5\") is not a number" << 0;
    QTest::newRow("sign alone") << QByteArray("10,-,3")
                                << "Value 2 on line 1 of set.csv (\"-\") is not a number" << 1;
    QTest::newRow("point alone") << QByteArray("10,.")
                                 << "Value 2 on line 1 of set.csv (\".\") is not a number" << 1;
    QTest::newRow("&H without digits") << QByteArray("10,&HG")
                                       << "Value 2 on line 1 of set.csv (\"&HG\") is not a number" << 1;
    QTest::newRow("empty between commas") << QByteArray("10,1,,3")
                                          << "Value 3 on line 1 of set.csv (\"\") is not a number" << 2;
    QTest::newRow("comma starting a line") << QByteArray("10\r\n,3")
                                           << "Value 2 on line 2 of set.csv (\"\") is not a number" << 1;
    QTest::newRow("lines counted across blank lines") << QByteArray("10\r\n\r\n\n\rx1")
                                                      << "Value 2 on line 5 of set.csv (\"x1\") is not a number" << 1;
    QTest::newRow("control characters shown as ?") << QByteArray("10\n\x01\x7f" "a")
                                                   << "Value 2 on line 2 of set.csv (\"??a\") is not a number" << 1;
    QTest::newRow("long word shortened")
        << QByteArray("10\n") + QByteArray(60, 'z')
        << "Value 2 on line 2 of set.csv (\"" + QString(40, u'z') + "...\") is not a number" << 1;
    QTest::newRow("value of 512 characters is read") << QByteArray(512, '7') + "\nx"
                                                     << "Value 2 on line 2 of set.csv (\"x\") is not a number" << 1;
    QTest::newRow("value of 513 characters")
        << QByteArray("10\n") + QByteArray(513, '7')
        << "Value 2 on line 2 of set.csv is longer than 512 characters" << 1;
}

void TestChannelSetReader::faults_name_value_and_line()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, error);
    QFETCH(int, valuesRead);
    const Outcome outcome = read_all(content);
    QCOMPARE(outcome.error, error);
    QCOMPARE(outcome.valuesRead, valuesRead);
    QCOMPARE(outcome.values.size(), valuesRead);
}

void TestChannelSetReader::endless_input_costs_little_data()
{
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<bool>("loads");
    QTest::newRow("one endless value") << QByteArray("7") << false;
    QTest::newRow("endless blanks") << QByteArray(" ") << false;
    QTest::newRow("endless line ends") << QByteArray("\r\n") << false;
    QTest::newRow("endless values") << QByteArray("512,") << true;
    QTest::newRow("endless long lines") << QByteArray(200, '5') + "\r\n" << true;
}

void TestChannelSetReader::endless_input_costs_little()
{
    QFETCH(QByteArray, pattern);
    QFETCH(bool, loads);
    EndlessDevice device(pattern);
    ChannelSetReader reader(device, QStringLiteral("endless"));
    int values = 0;
    while (values < ChannelSetReader::ValueCount && reader.next())
        ++values;
    QCOMPARE(values == ChannelSetReader::ValueCount, loads);
    QCOMPARE(reader.error().isEmpty(), loads);
    // One device buffer or two, not the endless rest.
    QVERIFY2(device.pulled() <= 64 * 1024, QByteArray::number(device.pulled()));
}

void TestChannelSetReader::missing_file()
{
    ChannelSetReader reader(QStringLiteral("/nonexistent-dir/set.csv"));
    QVERIFY(!reader.next());
    QVERIFY2(reader.error().startsWith(QStringLiteral("Cannot open ")), qPrintable(reader.error()));
    QVERIFY(reader.error().size() > QStringLiteral("Cannot open /nonexistent-dir/set.csv: ").size());
    QCOMPARE(reader.values_read(), 0);
}

QTEST_GUILESS_MAIN(TestChannelSetReader)
#include "tst_channel_set_reader.moc"
