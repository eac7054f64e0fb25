#pragma once

#include <QByteArrayView>
#include <QString>

namespace zrx {

// Whether a value of a channel-set file is one number written out to its end
// in a form the file takes: plain decimals (10, -7.9, .5, 512.) or &H
// hexadecimal (&H3FF), with blanks around it allowed. leading_number reads far
// more ("0x3FF" as 0, "12abc" as 12, "512 513" as 512513); a value it reads
// only in part is not what the file meant.
bool is_plain_number(QByteArrayView value);

// A value of a file as a message may show it: in quotes, at most 40
// characters, control characters (escape sequences included) as "?", so
// nothing from a file can steer the terminal.
QString quoted_file_value(QByteArrayView value);

} // namespace zrx
