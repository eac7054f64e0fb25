#include "core/bit_strings.h"

#include <cstdio>
#include <cstdlib>

namespace zrx {
namespace {

FatalHandler &fatal_handler()
{
    static FatalHandler handler = [](const QString &message) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        std::abort();
    };
    return handler;
}

// Appends one character per weight, largest first, subtracting each weight
// that fits from the remainder.
void append_greedy(QString &bits, double &remainder, double largestWeight, int count)
{
    double weight = largestWeight;
    for (int i = 0; i < count; ++i, weight /= 2) {
        if (remainder >= weight) {
            bits += QLatin1Char('1');
            remainder -= weight;
        } else {
            bits += QLatin1Char('0');
        }
    }
}

} // namespace

void set_fatal_handler(FatalHandler handler)
{
    fatal_handler() = std::move(handler);
}

QString decmal_to_binary8(double value)
{
    if (value > 255)
        fatal_handler()(QStringLiteral("Problem in decmal_to_binary8"));
    QString bits;
    double ConvertRemainder = value;
    append_greedy(bits, ConvertRemainder, 128, 8);
    return bits;
}

QString decimal_to_binary5(double value)
{
    QString bits;
    double ConvertRemainder = value;
    append_greedy(bits, ConvertRemainder, 16, 5);
    return bits;
}

CodeStrings split_code(double code)
{
    CodeStrings result;
    result.CodeHighString = QStringLiteral("000000");
    double ConvertRemainder = code;
    append_greedy(result.CodeHighString, ConvertRemainder, 512, 2);
    append_greedy(result.CodeLowString, ConvertRemainder, 128, 8);
    return result;
}

} // namespace zrx
