// The bus's own cost per line operation, with a port behind it that does
// nothing. On real hardware each operation is one driver request of several
// microseconds, so the bus code should stay well under 100 ns of it.

#include "bench_counters.h"

#include "bus/bus_log.h"
#include "bus/logging_serial_control.h"
#include "bus/modem_line_bus.h"
#include "null_serial_control.h"
#include "core/bit_strings.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using zrx::ModemLineBus;
using zrx::NullSerialControl;

// Line operations of the measured work, from the bus's own tables.
constexpr int BitCellOperations = 6;
constexpr int PointerWriteOperations = 118;
constexpr int WordReadOperations = 172 + 16;
constexpr int RegistersReadBack = 25;

void line_operation(benchmark::State &state)
{
    NullSerialControl port;
    ModemLineBus bus(port);
    int bit = 0;
    for (auto _ : state) {
        bus.bit_cell(bit);
        bit ^= 1;
    }
    zrx::report_per_line_operation(state, BitCellOperations);
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
    zrx::report_per_line_operation(state, PointerWriteOperations);
}
BENCHMARK(pointer_write);

// The traffic of a read-back (registers 0x00..0x17 and 0x3F) on any port.
void read_back_traffic_on(benchmark::State &state, zrx::SerialControl &port)
{
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
    zrx::report_per_line_operation(state, RegistersReadBack * (PointerWriteOperations + WordReadOperations));
}

void read_back_traffic(benchmark::State &state)
{
    NullSerialControl port;
    read_back_traffic_on(state, port);
}
BENCHMARK(read_back_traffic)->Unit(benchmark::kMicrosecond);

// The same with the bus log decoding every line operation on the way, as the
// program runs; the log wraps round many times over.
void read_back_traffic_logged(benchmark::State &state)
{
    zrx::BusLog log;
    zrx::LoggingSerialControl port(std::make_unique<NullSerialControl>(), log);
    zrx::PortConfiguration configuration;
    configuration.CommPort = 1;
    port.open_port(configuration);
    read_back_traffic_on(state, port);
}
BENCHMARK(read_back_traffic_logged)->Unit(benchmark::kMicrosecond);

} // namespace
