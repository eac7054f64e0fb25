#pragma once

#include "bus/serial_control.h"
#include "ui/batch/batch_state.h"

namespace zrx {

// The step marker is always a four-byte block on the transmit data line:
// bytes 1..count come from TxByteBuffer[1..count], the rest are 0. count must
// lie in 1..4. A closed port sends nothing (the channels are on the chip all
// the same); the result says whether the block went out.
bool send_tx_bytes(const BatchState &state, SerialControl &MSComm1, int count);

} // namespace zrx
