#include "core/bit_strings.h"

#include <QTest>

using namespace zrx;

class TestBitStrings : public QObject {
    Q_OBJECT
private slots:
    void binary8_data();
    void binary8();
    void binary8_refuses_above_255();
    void binary5_data();
    void binary5();
    void split_code_data();
    void split_code();
};

void TestBitStrings::binary8_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("bits");
    QTest::newRow("0") << 0.0 << "00000000";
    QTest::newRow("23") << 23.0 << "00010111";
    QTest::newRow("255") << 255.0 << "11111111";
    QTest::newRow("fraction dropped") << 100.7 << "01100100";
    QTest::newRow("negative") << -5.0 << "00000000";
}

void TestBitStrings::binary8()
{
    QFETCH(double, value);
    QFETCH(QString, bits);
    QCOMPARE(decmal_to_binary8(value), bits);
}

void TestBitStrings::binary8_refuses_above_255()
{
    QStringList messages;
    set_fatal_handler([&](const QString &message) { messages << message; });
    decmal_to_binary8(255);
    QVERIFY(messages.isEmpty());
    decmal_to_binary8(256);
    QCOMPARE(messages, QStringList{QStringLiteral("Problem in decmal_to_binary8")});
}

void TestBitStrings::binary5_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("bits");
    QTest::newRow("0") << 0.0 << "00000";
    QTest::newRow("23") << 23.0 << "10111";
    QTest::newRow("31") << 31.0 << "11111";
    QTest::newRow("40 saturates") << 40.0 << "11111";
}

void TestBitStrings::binary5()
{
    QFETCH(double, value);
    QFETCH(QString, bits);
    QCOMPARE(decimal_to_binary5(value), bits);
}

void TestBitStrings::split_code_data()
{
    QTest::addColumn<double>("code");
    QTest::addColumn<QString>("high");
    QTest::addColumn<QString>("low");
    QTest::newRow("0") << 0.0 << "00000000" << "00000000";
    QTest::newRow("300") << 300.0 << "00000001" << "00101100";
    QTest::newRow("512") << 512.0 << "00000010" << "00000000";
    QTest::newRow("1023") << 1023.0 << "00000011" << "11111111";
    QTest::newRow("1024 saturates") << 1024.0 << "00000011" << "11111111";
    QTest::newRow("65535 saturates") << 65535.0 << "00000011" << "11111111";
    QTest::newRow("negative") << -1.0 << "00000000" << "00000000";
    QTest::newRow("fraction dropped") << 300.9 << "00000001" << "00101100";
}

void TestBitStrings::split_code()
{
    QFETCH(double, code);
    QFETCH(QString, high);
    QFETCH(QString, low);
    const CodeStrings strings = zrx::split_code(code);
    QCOMPARE(strings.CodeHighString, high);
    QCOMPARE(strings.CodeLowString, low);
}

QTEST_GUILESS_MAIN(TestBitStrings)
#include "tst_bit_strings.moc"
