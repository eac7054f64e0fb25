#pragma once

#include "core/channel_table.h"
#include "core/channel_view.h"

#include <QList>
#include <QString>

#include <functional>

namespace zrx {

// The directory part of a path, with its trailing separator ("/", and "\" on
// Windows too); empty without one.
QString dir_of_path(const QString &path);

// Writes VrefHigh and ChannelCode[1..24], one per line with CR LF, through
// write_file_atomically: a failed save leaves any old file as it was. On
// failure returns false and puts the message for the user, naming the file
// and the system's reason, in *error.
//
// Numbers are plain decimals without a blank and without a zero before the
// point (10, 4.5, .5, 512), the form the program shows everywhere else.
// A path where something other than a regular file stands (a folder, a
// device, a FIFO, a socket) is refused: the save would replace it.
bool save_channel_set(const QString &path, const ChannelTable &table, QString *error);

// A code outside 0..1024 as the file held it; the load keeps it in the
// table as read, and the chip gets it saturated. 1024 is no such code: it is
// the full scale the window saves for a voltage at Vsup, sent as 1023.
struct OutOfRangeCode {
    int line = 0;
    double code = 0;
};

// A value that leading_number read only in part ("0x3FF" as 0, "12abc" as
// 12): what the file says and what was loaded.
struct NotPlainValue {
    int line = 0;
    QString shown; // the value as written, in quotes, made safe to show
    double readAs = 0;
};

struct ChannelSetLoadResult {
    bool ok = false;
    QString error;     // for a person: which file and what is wrong
    int valuesRead = 0; // values taken from the file before the end or fault
    QList<OutOfRangeCode> outOfRange; // in the order of the file
    QList<NotPlainValue> notPlain;    // in the order of the file
    int lineAfterSet = 0; // where values past the 25th begin, ignored; 0: none
};

// Reads a channel set and plays it onto the table and the chip as it arrives:
// the reference into VrefHigh and the Vsup box, then for each channel its code,
// CurrentChannel, write_current_channel() and refresh_channels(); at the end one
// more refresh_channels(). A fault stops the load and keeps what was loaded,
// and the last refresh still runs so the rows match the table.
ChannelSetLoadResult load_channel_set(const QString &path, ChannelTable &table, ChannelView &view,
                                      const std::function<void()> &write_current_channel);

} // namespace zrx
