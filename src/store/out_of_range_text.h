#pragma once

#include "store/channel_set_file.h"

#include <QString>

namespace zrx {

// The status line's word on a loaded file's codes outside 0..1023: which
// lines held them and what the chip was sent for each. Empty when none were.
QString out_of_range_text(const QString &fileName, const QList<OutOfRangeCode> &codes);

} // namespace zrx
