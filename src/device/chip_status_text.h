#pragma once

#include "device/chip.h"

#include <QString>

namespace zrx {

// What the words of the last read-back say about the chip: empty unless
// every one of them read FFFF, the only sign of a chip that does not answer.
QString chip_status_text(const ReadBackRecord &record);

} // namespace zrx
