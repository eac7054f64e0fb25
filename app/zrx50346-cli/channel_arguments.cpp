#include "channel_arguments.h"

#include "command_line.h"
#include "core/bit_strings.h"
#include "core/channel_table.h"

#include <QRegularExpression>

namespace zrx {

std::optional<int> channel_of_label(const QString &label)
{
    for (int channel = FirstChannel; channel <= LastChannel; ++channel) {
        if (label.compare(channel_label(channel), Qt::CaseInsensitive) == 0)
            return channel;
    }
    return std::nullopt;
}

std::optional<ChannelValue> parse_channel_value(const QString &text, QString *error)
{
    static const QRegularExpression codeText(QStringLiteral("^code:(0x[0-9a-f]+|\\d+)$"),
                                             QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch match = codeText.match(text); match.hasMatch()) {
        const QString digits = match.captured(1);
        bool ok = false;
        const bool hex = digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
        const int code = hex ? digits.mid(2).toInt(&ok, 16) : digits.toInt(&ok, 10);
        if (!ok || code < 0 || code > 1023) {
            *error = QStringLiteral("%1 is out of range: codes are 0..1023 (0x000..0x3FF)").arg(text);
            return std::nullopt;
        }
        return CodeValue{code};
    }
    if (is_volts_text(text))
        return VoltsValue{text};
    *error = QStringLiteral("\"%1\" is neither volts (5.5, 5.5V) nor a code (code:563, code:0x233)").arg(text);
    return std::nullopt;
}

int packed_code(double code)
{
    const CodeStrings strings = split_code(code);
    return strings.CodeHighString.toInt(nullptr, 2) * 256 + strings.CodeLowString.toInt(nullptr, 2);
}

} // namespace zrx
