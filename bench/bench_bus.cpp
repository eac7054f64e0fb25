// The bus's own cost per line operation, with a port behind it that does
// nothing. On real hardware each operation is one driver request of several
// microseconds, so the bus code should stay well under 100 ns of it.

#include "bus/modem_line_bus.h"
#include "bus/null_serial_control.h"
#include "core/bit_strings.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using zrx::ModemLineBus;
using zrx::NullSerialControl;

// Line operations of the measured work, from the bus's own tables.
constexpr int BitCellOperations = 6;
constexpr int PointerWriteOperations = 118;
constexpr int WordReadOperations = 172 + 16;
constexpr int RegistersReadBack = 25;

// Turns the time of an iteration into the time of one line operation.
void report_per_line_operation(benchmark::State &state, int operationsPerIteration)
{
    state.counters["per_line_op"] = benchmark::Counter(
        double(operationsPerIteration) * double(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void line_operation(benchmark::State &state)
{
    NullSerialControl port;
    ModemLineBus bus(port);
    int bit = 0;
    for (auto _ : state) {
        bus.bit_cell(bit);
        bit ^= 1;
    }
    report_per_line_operation(state, BitCellOperations);
}
BENCHMARK(line_operation);

void pointer_write(benchmark::State &state)
{
    NullSerialControl port;
    ModemLineBus bus(port);
    const QString address = ModemLineBus::device_address(QStringLiteral("0"), false);
    const QString pointer = QStringLiteral("00000101");
    for (auto _ : state)
        bus.bus_write_pointer(address, pointer);
    report_per_line_operation(state, PointerWriteOperations);
}
BENCHMARK(pointer_write);

// The read-back of registers 0x00..0x17 and 0x3F, without its opening pause.
void read_back(benchmark::State &state)
{
    NullSerialControl port;
    ModemLineBus bus(port);
    const QString a0 = QStringLiteral("0");
    std::vector<QString> registers;
    for (int r = 0; r < RegistersReadBack - 1; ++r)
        registers.push_back(zrx::decimal_to_binary5(r));
    const QString maxBank = QStringLiteral("111111");
    for (auto _ : state) {
        for (const QString &r : registers)
            bus.read_register_5bit(r, a0);
        bus.read_register_6bit(maxBank, a0);
        benchmark::DoNotOptimize(bus.LastReadWord);
    }
    report_per_line_operation(state, RegistersReadBack * (PointerWriteOperations + WordReadOperations));
}
BENCHMARK(read_back)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
