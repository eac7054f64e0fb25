#pragma once

#include "store/channel_set_file.h"

#include <QString>

namespace zrx {

// The status line's word on a loaded file's codes outside 0..1024: which
// lines held them and what the chip was sent for each. Empty when none were.
QString out_of_range_text(const QString &fileName, const QList<OutOfRangeCode> &codes);

// Everything the status line says of a file that loaded: the codes outside
// 0..1024, the values that were not plain numbers and what they were read as,
// and where the values past the 25th begin; parts joined by "; ". Empty for
// a file that held 25 plain numbers in range and nothing more.
QString loaded_file_notes(const QString &fileName, const ChannelSetLoadResult &result);

} // namespace zrx
