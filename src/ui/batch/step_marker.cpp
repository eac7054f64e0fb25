#include "ui/batch/step_marker.h"

#include <QtGlobal>

namespace zrx {

namespace {
constexpr int MarkerBlockBytes = 4;
}

bool send_tx_bytes(const BatchState &state, SerialControl &MSComm1, int count)
{
    Q_ASSERT(count >= 1 && count <= MarkerBlockBytes);
    count = qBound(1, count, MarkerBlockBytes);
    if (!MSComm1.is_open())
        return false;
    QByteArray block(MarkerBlockBytes, '\0');
    for (int i = 1; i <= count; ++i)
        block[i - 1] = static_cast<char>(state.TxByteBuffer[i]);
    return MSComm1.output(block);
}

} // namespace zrx
