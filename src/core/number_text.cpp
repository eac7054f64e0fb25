#include "core/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace zrx {
namespace {

constexpr double LargestValue = std::numeric_limits<double>::max();

// Characters that leading_number skips wherever they stand.
bool is_skipped(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool is_decimal_digit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

int digit_value(char16_t c, int base)
{
    int value = -1;
    if (c >= u'0' && c <= u'9')
        value = c - u'0';
    else if (c >= u'a' && c <= u'f')
        value = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        value = c - u'A' + 10;
    return value < base ? value : -1;
}

// Walks the text while skipping blanks, so that "5 . 5" reads like "5.5".
class Cursor {
public:
    explicit Cursor(QStringView text) : m_text(text) { skip(); }
    bool at_end() const { return m_pos >= m_text.size(); }
    char16_t peek() const { return at_end() ? u'\0' : m_text[m_pos].unicode(); }
    void advance()
    {
        ++m_pos;
        skip();
    }

private:
    void skip()
    {
        while (m_pos < m_text.size() && is_skipped(m_text[m_pos].unicode()))
            ++m_pos;
    }
    QStringView m_text;
    qsizetype m_pos = 0;
};

double parse_radix_integer(Cursor &cursor, int base)
{
    double value = 0.0;
    for (int digit; (digit = digit_value(cursor.peek(), base)) >= 0; cursor.advance())
        value = std::min(value * base + digit, LargestValue);
    return value;
}

// The power of ten of a number's first significant digit, from its ASCII
// text ("-123.4e5" gives 7, ".0012" gives -3), saturating far beyond the
// range of a double. Only called for numbers that have a nonzero digit.
long long decimal_exponent(const std::string &number)
{
    constexpr long long Saturated = 1'000'000'000;
    const std::size_t ePos = number.find('e');
    const std::string mantissa = number.substr(0, ePos);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    long long exponent = first < point ? (long long)(point - first) - 1 : -(long long)(first - point);
    if (ePos != std::string::npos) {
        long long written = 0;
        const bool negative = ePos + 1 < number.size() && number[ePos + 1] == '-';
        for (std::size_t i = ePos + 1; i < number.size(); ++i) {
            if (is_decimal_digit(char16_t(number[i])))
                written = std::min(written * 10 + (number[i] - '0'), Saturated);
        }
        exponent += negative ? -written : written;
    }
    return exponent;
}

// Collects the accepted characters of a decimal number in ASCII and lets
// from_chars do the correctly rounded conversion.
double parse_decimal(Cursor &cursor)
{
    std::string number;
    if (cursor.peek() == u'+' || cursor.peek() == u'-') {
        if (cursor.peek() == u'-')
            number += '-';
        cursor.advance();
    }
    bool anyDigit = false;
    bool seenPoint = false;
    for (;;) {
        const char16_t c = cursor.peek();
        if (is_decimal_digit(c)) {
            number += char(c);
            anyDigit = true;
        } else if (c == u'.' && !seenPoint) {
            number += '.';
            seenPoint = true;
        } else {
            break;
        }
        cursor.advance();
    }
    if (!anyDigit)
        return 0.0;

    const char16_t e = cursor.peek();
    if (e == u'e' || e == u'E' || e == u'd' || e == u'D') {
        cursor.advance();
        std::string exponent = "e";
        if (cursor.peek() == u'+' || cursor.peek() == u'-') {
            exponent += char(cursor.peek());
            cursor.advance();
        }
        bool exponentDigit = false;
        while (is_decimal_digit(cursor.peek())) {
            exponent += char(cursor.peek());
            exponentDigit = true;
            cursor.advance();
        }
        if (exponentDigit)
            number += exponent;
    }

    double value = 0.0;
    const char *first = number.data();
    const auto [end, error] = std::from_chars(first, first + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // Either far too large or far too small: keep the sign, stay finite.
        value = decimal_exponent(number) < 0 ? 0.0 : LargestValue;
        if (number.front() == '-')
            value = -value;
    }
    return value;
}

} // namespace

double leading_number(QStringView text)
{
    Cursor cursor(text);
    if (cursor.peek() == u'&') {
        cursor.advance();
        const char16_t kind = cursor.peek();
        if (kind == u'h' || kind == u'H') {
            cursor.advance();
            return parse_radix_integer(cursor, 16);
        }
        if (kind == u'o' || kind == u'O') {
            cursor.advance();
            return parse_radix_integer(cursor, 8);
        }
        return 0.0;
    }
    return parse_decimal(cursor);
}

double leading_number(QByteArrayView latin1Text)
{
    return leading_number(QString::fromLatin1(latin1Text));
}

QString number_text(double value)
{
    if (std::isnan(value) || value == 0.0)
        return QStringLiteral(" 0");
    if (std::isinf(value))
        value = value < 0 ? -LargestValue : LargestValue;

    // Fifteen significant digits as d.dddddddddddddde±x, then laid out again
    // in plain decimal notation.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                      std::chars_format::scientific, 14);
    const std::string scientific(buffer, result.ptr);
    const auto ePos = scientific.find('e');
    std::string digits = scientific.substr(0, 1) + scientific.substr(2, ePos - 2);
    const int exponent = std::stoi(scientific.substr(ePos + 1));
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string text;
    if (exponent < 0) {
        text = "." + std::string(size_t(-exponent - 1), '0') + digits;
    } else if (size_t(exponent) + 1 >= digits.size()) {
        text = digits + std::string(size_t(exponent) + 1 - digits.size(), '0');
    } else {
        text = digits.substr(0, size_t(exponent) + 1) + "." + digits.substr(size_t(exponent) + 1);
    }
    return QString::fromLatin1((value < 0 ? "-" : " ") + text);
}

QString format_volts(double volts)
{
    return number_text(std::floor(1000.0 * volts) / 1000.0);
}

QString format_code(double code)
{
    if (std::isnan(code))
        return QStringLiteral("0");
    const double magnitude = std::min(std::nearbyint(std::fabs(code)), 9007199254740992.0);
    const QString digits = QString::number(static_cast<qulonglong>(magnitude), 16).toUpper();
    return code < 0 && magnitude > 0 ? QLatin1Char('-') + digits : digits;
}

} // namespace zrx
