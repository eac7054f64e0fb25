#include "null_serial_control.h"

namespace zrx {

OpenOutcome NullSerialControl::open_port(const PortConfiguration &configuration)
{
    m_portNumber = configuration.CommPort;
    m_open = true;
    return OpenOutcome::Opened;
}

} // namespace zrx
