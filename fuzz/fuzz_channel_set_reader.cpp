// Any bytes as a channel-set file: the reader must hand out at most 25 finite
// values and fail with a message naming the file; the loader on a real file
// must end with finite numbers in the table, every row drawn, and the file
// closed again.
#include "core/channel_table.h"
#include "core/conversions.h"
#include "core/headless_channel_view.h"
#include "store/channel_set_file.h"
#include "store/channel_set_reader.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Last: its check() macro must not reach the headers above.
#include "fuzz_check.h"

namespace {

using namespace zrx;

void read_from_buffer(const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    ChannelSetReader reader(buffer, QStringLiteral("fuzz.csv"));
    int values = 0;
    // One more than a set holds: the 26th must always be refused.
    for (int i = 0; i <= ChannelSetReader::ValueCount; ++i) {
        const auto value = reader.next();
        if (!value)
            break;
        check(std::isfinite(*value));
        ++values;
    }
    check(values <= ChannelSetReader::ValueCount);
    check(reader.values_read() == values);
    check(!reader.error().isEmpty());
    check(reader.error().contains(QStringLiteral("fuzz.csv")));
}

void load_from_file(const QString &path, const QByteArray &bytes)
{
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        check(file.write(bytes) == bytes.size());
    }
    ChannelTable table;
    table.VrefHigh = 10;
    table.A0Setting = QStringLiteral("0");
    HeadlessChannelView view;
    int writes = 0;
    view.on_volts_changed = [&](int channel) {
        table.CurrentChannel = channel;
        volts_to_code(table, view);
        ++writes;
    };
    const ChannelSetLoadResult result = load_channel_set(path, table, view, [&writes] { ++writes; });
    check(result.valuesRead >= 0 && result.valuesRead <= ChannelSetReader::ValueCount);
    check(result.ok == (result.valuesRead == ChannelSetReader::ValueCount));
    check(result.ok == result.error.isEmpty());
    if (!result.ok)
        check(result.error.contains(path));
    check(std::isfinite(table.VrefHigh));
    for (int c = FirstChannel; c <= LastChannel; ++c) {
        check(std::isfinite(table.ChannelCode[c]));
        // Every row is drawn once anything loaded, including those the file
        // did not reach.
        check(result.valuesRead == 0 || !view.code_text(c).isEmpty());
    }
    // The file is closed again: it can be replaced at once.
    check(QFile::remove(path));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    read_from_buffer(bytes);
    load_from_file(dir.filePath(QStringLiteral("set.csv")), bytes);
    return 0;
}
