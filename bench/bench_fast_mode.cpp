// The two ways to the lines side by side on one emulated USB serial adapter
// whose requests and transfers take a 1 ms round trip: one modem-control
// request per line operation, each waited for, and fast mode (whole
// transactions in synchronous bit-bang mode), whose transfers overlap: on the
// tests' fake libftdi (`fast`), and through the D2XX driver on the tests'
// fake FTDI library (`fast_d2xx`, also under Wine, where it is the only one). A figure is the program's own time, measured,
// plus what it waited for the adapter: per request 1 ms a request; in fast
// mode the fake's clock, which runs while the program waits for a round
// trip, for states on the pins (5.2 us a state) or for the step marker's
// bytes (1.04 ms a byte at 9600 baud).

#include "bus/fast_mode_serial_control.h"
#include "cli_runner.h"
#include "bus/ftdi/ftdi_bit_bang_control.h"
#include "bus/ftdi/ftdi_driver.h"
#include "bus/ftdi/ftdi_state_clock.h"
#include "bus/ftdi/ftdi_transfer_queue.h"
#include "fake_ftdi_adapter.h"
#ifdef ZRX_HAVE_FAKE_FTDI
#include "fake_usb_adapter_locator.h"
#endif
#ifdef ZRX_HAVE_FAKE_D2XX
#include "fake_d2xx.h"
#endif
#include "sim/simulated_board.h"
#include "store/memory_settings_store.h"
#include "store/settings_keys.h"
#include "support/line_trace_decoder.h"
#include "support/recording_serial_control.h"
#include "ui/batch/frm_batch.h"
#include "ui/main/entry_box.h"
#include "ui/main/frm_zrx50346.h"
#include "window_on_port.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <array>

namespace {

using namespace zrx;

enum class Path { PerRequest, Fast, FastD2xx };

std::unique_ptr<FtdiBitBangControl> fake_fast_control([[maybe_unused]] Path path)
{
#ifdef ZRX_HAVE_FAKE_D2XX
    if (path == Path::FastD2xx)
        return make_fake_d2xx_control();
#endif
#ifdef ZRX_HAVE_FAKE_FTDI
    return make_fake_ftdi_control();
#else
    return nullptr;
#endif
}

constexpr double UsbRequestSeconds = 1e-3;
constexpr qint64 UsbRoundTripNanoseconds = 1'000'000;

FakeFtdiAdapter &fresh_adapter()
{
    FakeFtdiAdapter &adapter = FakeFtdiAdapter::reset();
    adapter.transferNanoseconds = UsbRoundTripNanoseconds;
    return adapter;
}

// What the program waited for the fake adapter since the last call.
double adapter_waits(qint64 &clockSeen)
{
    const qint64 now = FakeFtdiAdapter::get().clockNanoseconds;
    return double(now - std::exchange(clockSeen, now)) * 1e-9;
}
constexpr int Com5 = 5; // /dev/ttyUSB0, where the fake adapter sits
constexpr int Iterations = 5;

void write_set(const QString &path, int set)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write("10\r\n");
    for (const int code : bench_codes(set))
        file.write(QByteArray::number(code) + "\r\n");
}

// The program on COM5, its chip holding bench codes, the window not yet
// started.
struct Program {
    explicit Program(Path path)
    {
        store.write(PortNumbEntry.section, PortNumbEntry.key, QString::number(Com5));
        store.write(BitRateEntry.section, BitRateEntry.key, QStringLiteral("9600"));
        store.write(VrefHigh0Entry.section, VrefHigh0Entry.key, QStringLiteral("10"));
        board.set_existing_ports({Com5});
        std::unique_ptr<SerialControl> port;
        SimulatedChip *chip = &board.chip();
        if (path == Path::PerRequest) {
            auto counted = std::make_unique<RecordingSerialControl>();
            counted->forward_to(&board);
            recorder = counted.get();
            port = std::move(counted);
        } else {
            chip = &fresh_adapter().chip;
            auto board = std::make_unique<SimulatedBoard>();
            board->set_existing_ports({Com5});
            auto fast = std::make_unique<FastModeSerialControl>(std::move(board), fake_fast_control(path));
            fast->set_fast_mode_wanted(true);
            port = std::move(fast);
        }
        const QList<int> codes = bench_codes(1);
        for (int i = 0; i < codes.size(); ++i)
            chip->set_register_word(i, quint16(codes[i]));
        window = std::make_unique<frmZRX50346>(std::move(port), store, BoardConnection::SerialPort, [] {});
        window->show_message = [](QWidget *, const MessageRequest &) {};
    }

    // What the adapter took since the last call.
    double adapter_seconds()
    {
        if (recorder) {
            const LineTrace trace = recorder->take_trace();
            return (count_line_writes(trace) + count_dsr_reads(trace)) * UsbRequestSeconds;
        }
        return adapter_waits(clockSeen);
    }

    MemorySettingsStore store;
    SimulatedBoard board;
    RecordingSerialControl *recorder = nullptr; // the per-request path's count, owned by the window
    qint64 clockSeen = 0;
    std::unique_ptr<frmZRX50346> window;
};

template <typename Work>
void time_with_adapter(benchmark::State &state, Program &program, Work work)
{
    for (auto _ : state) {
        program.adapter_seconds();
        QElapsedTimer own;
        own.start();
        work();
        const double ownSeconds = double(own.nsecsElapsed()) * 1e-9;
        state.SetIterationTime(ownSeconds + program.adapter_seconds());
    }
}

// From a new window to the end of its start-up read-back: the port scan,
// opening (in fast mode, taking the adapter over), the read-back with its
// 0.1 s pause and the write-back of every row it changes.
void fast_mode_start_up(benchmark::State &state, Path path)
{
    for (auto _ : state) {
        QElapsedTimer own;
        own.start();
        Program program(path);
        program.window->start_up();
        const double ownSeconds = double(own.nsecsElapsed()) * 1e-9;
        state.SetIterationTime(ownSeconds + program.adapter_seconds());
    }
}

// In fast mode also the states' own time on the pins, per click: the bus
// work (the figure less the 0.1 s pause) is held against it.
void fast_mode_read_dac(benchmark::State &state, Path path)
{
    Program program(path);
    program.window->start_up();
    QPushButton *readDac = program.window->findChild<QPushButton *>(QStringLiteral("Command5"));
    qint64 onPins = 0;
    time_with_adapter(state, program, [&] {
        const qint64 before = FakeFtdiAdapter::get().wireNanoseconds;
        readDac->click();
        onPins += FakeFtdiAdapter::get().wireNanoseconds - before;
    });
    if (path != Path::PerRequest)
        state.counters["states_ms"] = double(onPins) * 1e-6 / double(state.iterations());
}

// What the state clock's timing adds to an opening: the adapter in
// synchronous bit-bang mode, then the timing alone, charged like the rest.
void fast_mode_opening_timing(benchmark::State &state, Path path)
{
    FakeFtdiAdapter &adapter = fresh_adapter();
    UsbAdapter usb;
    usb.vendorId = 0x0403;
    usb.serialNumber = adapter.serialNumber;
    std::unique_ptr<FtdiDriver> driver;
#ifdef ZRX_HAVE_FAKE_D2XX
    if (path == Path::FastD2xx)
        driver = std::make_unique<D2xxFtdiDriver>(&fake_d2xx_library);
#endif
#ifdef ZRX_HAVE_FAKE_FTDI
    if (path == Path::Fast) {
        driver = make_ftdi_driver();
        usb.busNumber = adapter.busNumber;
        usb.deviceAddress = adapter.deviceAddress;
    }
#endif
    if (!driver || !driver->open(usb) || !driver->set_bit_bang_rate(FtdiBitBangRate)
        || !driver->set_sync_bit_bang(0x14)) {
        state.SkipWithError("the fake adapter did not open");
        return;
    }
    FtdiTransferQueue queue(*driver);
    queue.set_read_buffer(driver->chip_family().readBuffer);
    FtdiStateClock clock(&FakeFtdiAdapter::clock);
    for (auto _ : state) {
        clock.start_from(driver->chip_family().statePeriod);
        qint64 clockSeen = adapter.clockNanoseconds;
        QElapsedTimer own;
        own.start();
        if (!clock.time_states(queue, 0x14))
            state.SkipWithError("the timing failed");
        state.SetIterationTime(double(own.nsecsElapsed()) * 1e-9 + adapter_waits(clockSeen));
    }
    driver->close();
}

// One character typed into a voltage box, or taken out again: one frame.
void fast_mode_keystroke(benchmark::State &state, Path path)
{
    Program program(path);
    program.window->start_up();
    program.window->show();
    auto *box = program.window->findChild<EntryBox *>(QStringLiteral("Text1_2"));
    box->setFocus(Qt::OtherFocusReason);
    box->setText(QStringLiteral("2.5"));
    box->setCursorPosition(3);
    int turn = 0;
    time_with_adapter(state, program, [&] { QTest::keyClick(box, (turn ^= 1) ? Qt::Key_1 : Qt::Key_Backspace); });
}

void fast_mode_file_load(benchmark::State &state, Path path)
{
    QTemporaryDir dir;
    const std::array<QString, 2> paths{dir.filePath(QStringLiteral("a.csv")), dir.filePath(QStringLiteral("b.csv"))};
    write_set(paths[0], 2);
    write_set(paths[1], 3);
    Program program(path);
    program.window->start_up();
    int turn = 0;
    program.window->choose_file = [&](QWidget *, const FileChoiceRequest &) { return paths[turn ^= 1]; };
    QPushButton *load = program.window->findChild<QPushButton *>(QStringLiteral("Command2"));
    time_with_adapter(state, program, [&] { load->click(); });
}

// "Single Step Down" between two selected files: a load and the step marker.
void fast_mode_batch_step(benchmark::State &state, Path path)
{
    QTemporaryDir dir;
    write_set(dir.filePath(QStringLiteral("set_a.csv")), 4);
    write_set(dir.filePath(QStringLiteral("set_b.csv")), 5);
    Program program(path);
    program.store.write(DefaultDirEntry.section, DefaultDirEntry.key, dir.path());
    program.window->start_up();
    BatchState batchState;
    frmZRX50346 &window = *program.window;
    frm_batch batch(window.chip(), window.MSComm1(), window.settings_store(), batchState, &window);
    batch.findChild<QListWidget *>(QStringLiteral("File1"))->selectAll();
    time_with_adapter(state, program, [&] { batch.single_step(StepDirection::Down); });
}

// The command-line tool's "program-otp FILE --yes" on COM5 with its checks:
// the file's channels written, the burn, the reset and the Max Bank read.
void fast_mode_cli_program_otp(benchmark::State &state, Path path)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("set.csv"));
    write_set(file, 2);
    SimulatedBoard board;
    RecordingSerialControl *recorder = nullptr;
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    CliRunner runner(outStream, errStream,
                     [&](const PortChoice &) -> std::unique_ptr<SerialControl> {
                         if (path != Path::PerRequest)
                             return std::make_unique<FastModeSerialControl>(std::make_unique<SimulatedBoard>(),
                                                                            fake_fast_control(path));
                         auto counted = std::make_unique<RecordingSerialControl>();
                         counted->forward_to(&board);
                         recorder = counted.get();
                         return counted;
                     },
                     [] { return QList<PortListing>{}; });
    QStringList arguments{QStringLiteral("zrx50346-cli"), QStringLiteral("program-otp"), QStringLiteral("--yes"), file,
                          QStringLiteral("--port"), QStringLiteral("COM5")};
    if (path != Path::PerRequest)
        arguments << QStringLiteral("--fast");
    fresh_adapter();
    qint64 clockSeen = 0;
    for (auto _ : state) {
        QElapsedTimer own;
        own.start();
        if (runner.run(arguments) != 0)
            state.SkipWithError("program-otp failed");
        const double ownSeconds = double(own.nsecsElapsed()) * 1e-9;
        double adapterSeconds = adapter_waits(clockSeen);
        if (recorder) {
            const LineTrace trace = recorder->take_trace();
            adapterSeconds = (count_line_writes(trace) + count_dsr_reads(trace)) * UsbRequestSeconds;
        }
        state.SetIterationTime(ownSeconds + adapterSeconds);
    }
}

} // namespace

#define FAST_MODE_RUN(name, capture, path)                                                                           \
    BENCHMARK_CAPTURE(name, capture, path)->UseManualTime()->Iterations(Iterations)->Unit(benchmark::kMillisecond)
#ifdef ZRX_HAVE_FAKE_FTDI
#define FAST_MODE_LIBFTDI(name) FAST_MODE_RUN(name, fast, Path::Fast);
#else
#define FAST_MODE_LIBFTDI(name)
#endif
#ifdef ZRX_HAVE_FAKE_D2XX
#define FAST_MODE_D2XX(name) FAST_MODE_RUN(name, fast_d2xx, Path::FastD2xx);
#else
#define FAST_MODE_D2XX(name)
#endif
#define FAST_MODE_BENCHMARK(name)                                                                                    \
    FAST_MODE_RUN(name, per_request, Path::PerRequest);                                                              \
    FAST_MODE_LIBFTDI(name)                                                                                          \
    FAST_MODE_D2XX(name)

FAST_MODE_BENCHMARK(fast_mode_start_up)
FAST_MODE_BENCHMARK(fast_mode_read_dac)
FAST_MODE_BENCHMARK(fast_mode_keystroke)
FAST_MODE_BENCHMARK(fast_mode_file_load)
FAST_MODE_BENCHMARK(fast_mode_batch_step)
FAST_MODE_BENCHMARK(fast_mode_cli_program_otp)
FAST_MODE_LIBFTDI(fast_mode_opening_timing)
FAST_MODE_D2XX(fast_mode_opening_timing)
