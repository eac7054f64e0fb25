#include "store/channel_set_reader.h"

#include "core/number_text.h"
#include "store/plain_number.h"

#include <QDir>

namespace zrx {
namespace {

bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

bool is_line_end(char c)
{
    return c == '\r' || c == '\n';
}

bool is_digit_of(char c, int base)
{
    if (c >= '0' && c <= '9')
        return c - '0' < base;
    const char lower = char(c | 0x20);
    return base == 16 && lower >= 'a' && lower <= 'f';
}

// Whether leading_number finds a number at the start of the text, rather than
// giving 0 for want of one. "5V" has one; "V5", "-", "." and "" have none.
bool starts_with_number(QByteArrayView text)
{
    QByteArray packed;
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') // the characters leading_number skips
            packed += c;
    }
    const auto at = [&packed](qsizetype i) { return i < packed.size() ? packed[i] : '\0'; };
    qsizetype i = 0;
    if (packed.startsWith('&')) {
        const char kind = char(at(1) | 0x20);
        const int base = kind == 'h' ? 16 : kind == 'o' ? 8 : 0;
        return base != 0 && is_digit_of(at(2), base);
    }
    if (at(i) == '+' || at(i) == '-')
        ++i;
    if (at(i) == '.')
        ++i;
    return is_digit_of(at(i), 10);
}

} // namespace

ChannelSetReader::ChannelSetReader(const QString &path)
    : m_file(std::make_unique<QFile>(path)), m_name(QDir::toNativeSeparators(path))
{
    if (m_file->open(QIODevice::ReadOnly))
        m_device = m_file.get();
    else
        m_error = QStringLiteral("Cannot open %1: %2").arg(m_name, m_file->errorString());
}

ChannelSetReader::ChannelSetReader(QIODevice &device, const QString &name)
    : m_device(&device), m_name(name)
{
}

ChannelSetReader::~ChannelSetReader()
{
    close();
}

void ChannelSetReader::close()
{
    m_device = nullptr;
    if (m_file)
        m_file->close();
}

ChannelSetReader::Read ChannelSetReader::read_char(char &c)
{
    if (m_device->getChar(&c))
        return Read::Char;
    // Reading past the end sets no error; only a failing disk or network does.
    if (m_file && m_file->error() != QFileDevice::NoError)
        return Read::Fault;
    return Read::End;
}

void ChannelSetReader::unread_char(char c)
{
    m_device->ungetChar(c);
}

std::optional<double> ChannelSetReader::fail(const QString &message)
{
    m_error = message;
    close();
    return std::nullopt;
}

// Moves to the first character of the next value, counting lines. False at
// the end of the file or on a fault (with m_error set).
bool ChannelSetReader::skip_filler()
{
    char c = 0;
    for (int skipped = 0;; ++skipped) {
        const Read result = read_char(c);
        if (result == Read::Fault) {
            fail(QStringLiteral("Cannot read %1: %2").arg(m_name, m_device->errorString()));
            return false;
        }
        if (result == Read::End)
            return false;
        if (!is_blank(c) && !is_line_end(c)) {
            unread_char(c);
            return true;
        }
        if (skipped == MaxFillerLength) {
            fail(QStringLiteral("%1 is not a channel set: more than %2 blanks before value %3 on line %4")
                     .arg(m_name)
                     .arg(MaxFillerLength)
                     .arg(m_valuesRead + 1)
                     .arg(m_line));
            return false;
        }
        if (c == '\n') {
            ++m_line;
        } else if (c == '\r') {
            ++m_line;
            // CR LF is one line end, a lone CR one too.
            char after = 0;
            if (read_char(after) == Read::Char && after != '\n')
                unread_char(after);
        }
    }
}

std::optional<double> ChannelSetReader::next()
{
    if (!m_device) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("%1: a channel set has only %2 values").arg(m_name).arg(ValueCount);
        return std::nullopt;
    }

    if (m_atStart) {
        m_atStart = false;
        // A spreadsheet may start its text with a UTF-8 byte order mark.
        const QByteArray head = m_device->peek(3);
        if (head == QByteArrayLiteral("\xEF\xBB\xBF"))
            m_device->skip(3);
    }

    const int number = m_valuesRead + 1;
    if (!skip_filler()) {
        if (!m_error.isEmpty())
            return std::nullopt;
        if (m_valuesRead == 0)
            return fail(QStringLiteral("%1 holds none of the %2 values of a channel set")
                            .arg(m_name)
                            .arg(ValueCount));
        return fail(QStringLiteral("%1 holds only %2 of the %3 values of a channel set")
                        .arg(m_name)
                        .arg(m_valuesRead)
                        .arg(ValueCount));
    }

    const int line = m_line;
    QByteArray value;
    char c = 0;
    for (;;) {
        const Read result = read_char(c);
        if (result == Read::Fault)
            return fail(QStringLiteral("Cannot read %1: %2").arg(m_name, m_device->errorString()));
        if (result == Read::End || c == ',')
            break;
        if (is_line_end(c)) {
            // The line end belongs to the filler before the next value, where
            // it is counted.
            unread_char(c);
            break;
        }
        if (value.size() == MaxValueLength)
            return fail(QStringLiteral("Value %1 on line %2 of %3 is longer than %4 characters")
                            .arg(number)
                            .arg(line)
                            .arg(m_name)
                            .arg(MaxValueLength));
        value += c;
    }

    if (!starts_with_number(value))
        return fail(QStringLiteral("Value %1 on line %2 of %3 (%4) is not a number")
                        .arg(number)
                        .arg(line)
                        .arg(m_name, quoted_file_value(value)));

    ++m_valuesRead;
    m_lastValueLine = line;
    m_lastValueText = value;
    if (m_valuesRead == ValueCount && !m_readPastSet)
        close(); // whatever follows is not read
    return leading_number(QByteArrayView(value));
}

int ChannelSetReader::line_after_set()
{
    const bool found = m_device && m_valuesRead == ValueCount && skip_filler();
    const int line = found ? m_line : 0;
    close();
    return line;
}

} // namespace zrx
