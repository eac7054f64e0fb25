#include "core/number_text.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>

using namespace zrx;

class TestNumberText : public QObject {
    Q_OBJECT
private slots:
    void leading_number_data();
    void leading_number();
    void leading_number_is_total();
    void number_text_data();
    void number_text();
    void format_volts_data();
    void format_volts();
    void format_code_data();
    void format_code();
};

void TestNumberText::leading_number_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("integer") << "5" << 5.0;
    QTest::newRow("spaced 5 . 5 V") << "5 . 5 V" << 5.5;
    QTest::newRow("tabs and line feeds") << "\t1\n2 3" << 123.0;
    QTest::newRow("carriage return stops") << "12\r3" << 12.0;
    QTest::newRow("leading blank") << " 9.99" << 9.99;
    QTest::newRow("no zero before point") << " .009" << 0.009;
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("second point stops") << "1.2.3" << 1.2;
    QTest::newRow("negative") << "-1" << -1.0;
    QTest::newRow("spaced sign") << "- 2.5" << -2.5;
    QTest::newRow("plus") << "+7" << 7.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("comma is no decimal point") << "4,5" << 4.0;
    QTest::newRow("exponent E") << "1E3" << 1000.0;
    QTest::newRow("exponent d, negative") << "25d-1" << 2.5;
    QTest::newRow("exponent without digits") << "3E+" << 3.0;
    QTest::newRow("unit after number") << "19200 baud" << 19200.0;
    QTest::newRow("hex") << "&HFF" << 255.0;
    QTest::newRow("hex lower, stops at g") << "&h1fg" << 31.0;
    QTest::newRow("octal") << "&O17" << 15.0;
    QTest::newRow("hex without digits") << "&H" << 0.0;
    QTest::newRow("ampersand alone") << "&5" << 0.0;
    QTest::newRow("huge exponent stays finite") << "1E999999" << std::numeric_limits<double>::max();
    QTest::newRow("tiny exponent") << "-1E-999999" << 0.0;
    // Out of range is decided by the number's size, not by how it is written.
    QTest::newRow("tiny without exponent") << "." + QString(330, QLatin1Char('0')) + "1" << 0.0;
    QTest::newRow("tiny negative without exponent") << "-." + QString(330, QLatin1Char('0')) + "1" << 0.0;
    QTest::newRow("huge with negative exponent") << "1" + QString(400, QLatin1Char('0')) + "E-1"
                                                 << std::numeric_limits<double>::max();
    QTest::newRow("huge negative") << "-1" + QString(400, QLatin1Char('0')) << -std::numeric_limits<double>::max();
    QTest::newRow("long digits brought back in range") << "." + QString(400, QLatin1Char('0')) + "5E402" << 50.0;
    QTest::newRow("fullwidth digit is no digit") << QString::fromUtf8("\xef\xbc\x95") << 0.0;
}

void TestNumberText::leading_number()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(zrx::leading_number(text), expected);
}

// Random byte strings, long runs and odd mixes must each give a finite number.
void TestNumberText::leading_number_is_total()
{
    QRandomGenerator random(20261207);
    const char alphabet[] = "0123456789.+-eEdDhHoO& \t\n\r,xX";
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes(random.bounded(0, 64), '\0');
        for (char &b : bytes)
            b = random.bounded(2) ? alphabet[random.bounded(int(sizeof alphabet) - 1)]
                                  : char(random.bounded(256));
        const double value = zrx::leading_number(QByteArrayView(bytes));
        QVERIFY2(std::isfinite(value), bytes.toHex().constData());
    }
    const QString longDigits = QString(200000, QLatin1Char('9'));
    QVERIFY(std::isfinite(zrx::leading_number(longDigits)));
    QCOMPARE(zrx::leading_number(QString(100000, QLatin1Char(' ')) + "42"), 42.0);
    QCOMPARE(zrx::leading_number(QStringLiteral("&H") + QString(5000, QLatin1Char('F'))),
             std::numeric_limits<double>::max());
}

void TestNumberText::number_text_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("5") << 5.0 << " 5";
    QTest::newRow("4.5") << 4.5 << " 4.5";
    QTest::newRow("0.009") << 0.009 << " .009";
    QTest::newRow("zero") << 0.0 << " 0";
    QTest::newRow("negative zero") << -0.0 << " 0";
    QTest::newRow("-0.5") << -0.5 << "-.5";
    QTest::newRow("10") << 10.0 << " 10";
    QTest::newRow("15 significant digits") << 1.0 / 3.0 << " .333333333333333";
    QTest::newRow("no exponent, large") << 1e20 << " 100000000000000000000";
    QTest::newRow("no exponent, small") << 1.5e-7 << " .00000015";
    QTest::newRow("rounding carries") << 9.9999999999999999 << " 10";
    QTest::newRow("9.99") << 9.99 << " 9.99";
}

void TestNumberText::number_text()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(zrx::number_text(value), expected);
}

void TestNumberText::format_volts_data()
{
    QTest::addColumn<double>("volts");
    QTest::addColumn<QString>("expected");
    QTest::newRow("5") << 5.0 << " 5";
    QTest::newRow("code 1023 at 10 V") << 9.990234375 << " 9.99";
    QTest::newRow("code 1 at 10 V") << 0.009765625 << " .009";
    QTest::newRow("code 563 at 10 V") << 5.498046875 << " 5.498";
    QTest::newRow("floors towards minus infinity") << -0.0005 << "-.001";
}

void TestNumberText::format_volts()
{
    QFETCH(double, volts);
    QFETCH(QString, expected);
    QCOMPARE(zrx::format_volts(volts), expected);
}

void TestNumberText::format_code_data()
{
    QTest::addColumn<double>("code");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0") << 0.0 << "0";
    QTest::newRow("512") << 512.0 << "200";
    QTest::newRow("1023") << 1023.0 << "3FF";
    QTest::newRow("1024") << 1024.0 << "400";
    QTest::newRow("silent chip") << 65535.0 << "FFFF";
    QTest::newRow("word above ten bits") << double(0x8123) << "8123";
    QTest::newRow("fraction rounds half to even") << 100.5 << "64";
    QTest::newRow("negative") << -3.0 << "-3";
}

void TestNumberText::format_code()
{
    QFETCH(double, code);
    QFETCH(QString, expected);
    QCOMPARE(zrx::format_code(code), expected);
}

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_number_text.moc"
