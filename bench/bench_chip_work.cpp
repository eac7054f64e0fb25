// Whole commands of the program, each on the simulated board and on a port
// that does nothing: the difference is what the simulated chip costs, the
// rest is the program's own work (conversions, boxes, sliders, files).

#include "window_on_port.h"

#include "core/bit_strings.h"
#include "core/channel_table.h"
#include "core/conversions.h"
#include "device/chip.h"
#include "store/settings_keys.h"
#include "ui/batch/frm_batch.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include <array>

namespace {

using namespace zrx;

constexpr int BatchFiles = 10;
// The machine may be busy with other work: the median of several runs is
// what the table shows.
constexpr int Repetitions = 5;

void write_set(const QString &path, const QList<int> &codes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write("10\r\n");
    for (const int code : codes)
        file.write(QByteArray::number(code) + "\r\n");
}

// read_all_channels after its opening pause, which is a fixed 0.1 s by
// design and would hide the work: 24 channel reads, Max Bank, the refresh.
void read_back_work(benchmark::State &state, Backend backend)
{
    WindowOnPort program(backend, bench_codes(1));
    Chip &chip = program.window->chip();
    for (auto _ : state) {
        for (int i = 0; i < ChannelCount; ++i) {
            chip.bus.read_register_5bit(decimal_to_binary5(i), chip.table.A0Setting);
            chip.table.ChannelCode[i + 1] = chip.bus.LastReadWord;
        }
        read_max_bank(chip);
        refresh_channels(chip.table, chip.view);
    }
}
BENCHMARK_CAPTURE(read_back_work, simulated_board, Backend::SimulatedBoard)->Unit(benchmark::kMillisecond)->Repetitions(Repetitions);
BENCHMARK_CAPTURE(read_back_work, null_port, Backend::NullPort)->Unit(benchmark::kMillisecond)->Repetitions(Repetitions);

// Every row changes, so every row is written to the chip again and every
// slider moves.
void refresh_with_panel(benchmark::State &state, Backend backend)
{
    WindowOnPort program(backend);
    program.window->findChild<QPushButton *>(QStringLiteral("Command9"))->click();
    ChannelTable &table = program.window->table();
    if (table.ControlPanelOpen != 1)
        state.SkipWithError("the control panel did not open");
    const std::array<QList<int>, 2> sets{bench_codes(1), bench_codes(2)};
    int turn = 0;
    for (auto _ : state) {
        const QList<int> &codes = sets[turn ^= 1];
        for (int c = FirstChannel; c <= LastChannel; ++c)
            table.ChannelCode[c] = codes[c - 1];
        refresh_channels(table, *program.window);
    }
}
BENCHMARK_CAPTURE(refresh_with_panel, simulated_board, Backend::SimulatedBoard)->Unit(benchmark::kMillisecond)->Repetitions(Repetitions);
BENCHMARK_CAPTURE(refresh_with_panel, null_port, Backend::NullPort)->Unit(benchmark::kMillisecond)->Repetitions(Repetitions);

// "Load From File", two sets in turn so every load changes every row.
void load_channel_file(benchmark::State &state, Backend backend)
{
    QTemporaryDir dir;
    const std::array<QString, 2> paths{dir.filePath(QStringLiteral("a.csv")), dir.filePath(QStringLiteral("b.csv"))};
    write_set(paths[0], bench_codes(1));
    write_set(paths[1], bench_codes(2));
    WindowOnPort program(backend);
    int turn = 0;
    program.window->choose_file = [&](QWidget *, const FileChoiceRequest &) { return paths[turn ^= 1]; };
    QPushButton *load = program.window->findChild<QPushButton *>(QStringLiteral("Command2"));
    for (auto _ : state)
        load->click();
}
BENCHMARK_CAPTURE(load_channel_file, simulated_board, Backend::SimulatedBoard)->Unit(benchmark::kMillisecond)->Repetitions(Repetitions);
BENCHMARK_CAPTURE(load_channel_file, null_port, Backend::NullPort)->Unit(benchmark::kMillisecond)->Repetitions(Repetitions);

// One pass of a run over ten selected files with no pause: the loads, the
// step markers and the window's own handling between files.
void batch_pass(benchmark::State &state, Backend backend)
{
    QTemporaryDir dir;
    for (int f = 0; f < BatchFiles; ++f)
        write_set(dir.filePath(QStringLiteral("set_%1.csv").arg(f)), bench_codes(f));
    WindowOnPort program(backend);
    program.store.write(DefaultDirEntry.section, DefaultDirEntry.key, dir.path());
    BatchState batchState;
    frmZRX50346 &window = *program.window;
    frm_batch batch(window.chip(), window.MSComm1(), window.settings_store(), batchState, &window);
    batch.findChild<QListWidget *>(QStringLiteral("File1"))->selectAll();
    batch.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("0"));
    int steps = 0;
    QObject::connect(&batch, &frm_batch::batch_step_done, &batch, [&] {
        if (++steps % BatchFiles == 0)
            batchState.BatchStopFlag = 1;
    });
    for (auto _ : state)
        batch.run_batch();
    if (steps != BatchFiles * int(state.iterations()))
        state.SkipWithError("a pass did not load all ten files");
}
BENCHMARK_CAPTURE(batch_pass, simulated_board, Backend::SimulatedBoard)->Unit(benchmark::kMillisecond)->Repetitions(Repetitions);
BENCHMARK_CAPTURE(batch_pass, null_port, Backend::NullPort)->Unit(benchmark::kMillisecond)->Repetitions(Repetitions);

} // namespace
