#include "support/simulated_bus.h"

namespace zrx {

SimulatedBus::SimulatedBus()
{
    recorder.forward_to(&board);
    PortConfiguration configuration;
    configuration.CommPort = 1;
    configuration.Settings = QStringLiteral("9600,N,8,1");
    recorder.open_port(configuration);
    recorder.clear_trace();
}

} // namespace zrx
