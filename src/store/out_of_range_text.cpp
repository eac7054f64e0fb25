#include "store/out_of_range_text.h"

#include "core/bit_strings.h"
#include "core/number_text.h"

#include <QStringList>

namespace zrx {
namespace {

// What the frame carries for the code: the very strings the write sends.
int code_sent(double code)
{
    const CodeStrings strings = split_code(code);
    return strings.CodeHighString.toInt(nullptr, 2) * 256 + strings.CodeLowString.toInt(nullptr, 2);
}

} // namespace

QString out_of_range_text(const QString &fileName, const QList<OutOfRangeCode> &codes)
{
    if (codes.isEmpty())
        return {};
    QStringList lines;
    for (const OutOfRangeCode &code : codes)
        lines << QStringLiteral("line %1 (%2, sent as %3)")
                     .arg(code.line)
                     .arg(number_text(code.code).trimmed())
                     .arg(code_sent(code.code));
    return QStringLiteral("Codes outside 0..1024 in %1: %2").arg(fileName, lines.join(QStringLiteral(", ")));
}

QString loaded_file_notes(const QString &fileName, const ChannelSetLoadResult &result)
{
    QStringList parts;
    if (!result.outOfRange.isEmpty())
        parts << out_of_range_text(fileName, result.outOfRange);
    if (!result.notPlain.isEmpty()) {
        QStringList values;
        for (const NotPlainValue &value : result.notPlain)
            values << QStringLiteral("line %1 (%2, read as %3)")
                          .arg(value.line)
                          .arg(value.shown, number_text(value.readAs).trimmed());
        parts << QStringLiteral("Not plain numbers in %1: %2").arg(fileName, values.join(QStringLiteral(", ")));
    }
    if (result.lineAfterSet > 0)
        parts << QStringLiteral("Values after the 25th in %1 ignored, from line %2 on").arg(fileName).arg(result.lineAfterSet);
    return parts.join(QStringLiteral("; "));
}

} // namespace zrx
