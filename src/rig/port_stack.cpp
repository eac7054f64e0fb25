#include "rig/port_stack.h"

#include "bus/real_serial_control.h"
#include "rig/fast_port.h"
#include "sim/demo_board.h"
#include "store/settings.h"

namespace zrx {

RealPortParts system_port_parts(const PortDeviceTable &devices)
{
    return {std::make_unique<RealSerialControl>(devices), make_fast_port(devices)};
}

PortStack real_port_stack(RealPortParts parts)
{
    auto port = std::make_unique<FastModeSerialControl>(std::move(parts.perRequest), std::move(parts.fast));
    FastModeSerialControl *fastMode = port.get();
    return {std::move(port), fastMode};
}

PortStack tool_port_stack(bool simulated, const PortDeviceTable &devices)
{
    if (!simulated)
        return real_port_stack(system_port_parts(devices));
    // Opened by the command, as a real port is.
    auto board = std::make_unique<SimulatedBoard>();
    load_demo_codes(board->chip());
    return {std::move(board), nullptr};
}

PortStack window_port_stack(bool simulated, SettingsStore &store)
{
    if (simulated)
        return {make_demo_board(), nullptr};
    return window_port_stack(system_port_parts(default_port_devices()), store);
}

PortStack window_port_stack(RealPortParts parts, SettingsStore &store)
{
    if (FastPortControl *fast = parts.fast.get()) {
        fast->set_remembered_adapter(load_fast_mode_adapter(store));
        QObject::connect(fast, &FastPortControl::adapter_taken, fast,
                         [&store](const QString &adapter) { save_fast_mode_adapter(store, adapter); });
    }
    PortStack stack = real_port_stack(std::move(parts));
    stack.fastMode->set_fast_mode_wanted(load_fast_mode(store));
    return stack;
}

void end_window_port(FastModeSerialControl *fastMode, SettingsStore &store)
{
    if (!fastMode)
        return;
    save_fast_mode(store, fastMode->fast_mode_wanted());
    fastMode->close_port();
}

} // namespace zrx
