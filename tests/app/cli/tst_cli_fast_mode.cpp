// The tool with --fast on the fake FTDI adapter against its per-request path
// on the simulated board: the same bytes on the wire, the same output.
#include "cli_runner.h"

#include "bus/fast_mode_serial_control.h"
#include "fake_usb_adapter_locator.h"
#include "sim/simulated_board.h"
#include "support/line_trace_decoder.h"
#include "support/recording_serial_control.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace zrx;

namespace {

// COM5 (/dev/ttyUSB0), its chip holding the same codes either way.
struct Tool {
    explicit Tool(bool fast) : fast(fast)
    {
        SimulatedChip &chip = fast ? FakeFtdiAdapter::reset().chip : board.chip();
        for (int i = 0; i < 24; ++i)
            chip.set_register_word(i, quint16(i * 43 + 7));
    }
    int run(const QString &commandLine)
    {
        return runner.run(QProcess::splitCommand(QStringLiteral("zrx50346-cli --port COM5 ") + commandLine));
    }
    QStringList wire() const { return decode_transactions(fast ? FakeFtdiAdapter::get().line_trace() : recorder->trace()); }

    bool fast;
    SimulatedBoard board;
    RecordingSerialControl *recorder = nullptr;
    QString out, err;
    QTextStream outStream{&out}, errStream{&err};
    CliRunner runner{outStream, errStream,
                     [this](const PortChoice &) -> std::unique_ptr<SerialControl> {
                         if (fast)
                             return std::make_unique<FastModeSerialControl>(std::make_unique<SimulatedBoard>(),
                                                                            make_fake_ftdi_control());
                         auto control = std::make_unique<RecordingSerialControl>();
                         control->forward_to(&board);
                         recorder = control.get();
                         return control;
                     },
                     [] { return QList<PortListing>{}; }};
};

} // namespace

class TestCliFastMode : public QObject {
    Q_OBJECT
private slots:
    void same_traffic_data();
    void same_traffic();
    void fallback_with_its_reason();

private:
    QTemporaryDir m_dir;
};

void TestCliFastMode::same_traffic_data()
{
    QFile file(m_dir.filePath(QStringLiteral("set.csv")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("10\n" + QByteArray("300\n").repeated(24));
    const QString set = file.fileName();
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<int>("code");
    // Writes, reads, the reset and OTP frames: what write, read and load
    // --verify send is a part of it. The acknowledges come back with the
    // transfer, as the read bits do.
    QTest::newRow("program-otp FILE") << QStringLiteral("program-otp --yes ") + set << 0;
    QTest::newRow("batch with markers") << QStringLiteral("batch --delay 0 --cycles 2 ") + set + QLatin1Char(' ') + set
                                        << 0;
    QTest::newRow("write where no chip acknowledges") << QStringLiteral("write 1 code:5 --a0 1") << 4;
}

void TestCliFastMode::same_traffic()
{
    QFETCH(QString, commandLine);
    QFETCH(int, code);
    Tool plain(false), fast(true);
    QCOMPARE(plain.run(commandLine), code);
    QCOMPARE(fast.run(commandLine + QStringLiteral(" --fast")), code);
    QVERIFY(!plain.wire().isEmpty());
    QCOMPARE(fast.wire(), plain.wire());
    QCOMPARE(fast.out, plain.out);
    QCOMPARE(fast.err, plain.err);
    QCOMPARE(plain.err.isEmpty(), code == 0);
    QVERIFY(!FakeFtdiAdapter::get().usbOpen && FakeFtdiAdapter::get().driverGivenBack);
}

void TestCliFastMode::fallback_with_its_reason()
{
    Tool tool(true);
    FakeFtdiAdapter::get().refuseOpen = true;
    QCOMPARE(tool.run(QStringLiteral("reset --fast --json")), 0);
    const QString reason = QStringLiteral("the adapter could not be opened over USB (libusb_open() failed; see the "
                                          "user guide for the udev rule)");
    QCOMPARE(tool.err, QStringLiteral("fast mode off: %1\n").arg(reason));
    const QJsonObject fastMode = QJsonDocument::fromJson(tool.out.toUtf8()).object().value("fastMode").toObject();
    QCOMPARE(fastMode, (QJsonObject{{"active", false}, {"reason", reason}}));
}

QTEST_GUILESS_MAIN(TestCliFastMode)
#include "tst_cli_fast_mode.moc"
