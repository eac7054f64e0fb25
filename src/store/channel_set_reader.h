#pragma once

#include <QFile>
#include <QString>

#include <memory>
#include <optional>

namespace zrx {

// Hands out the values of a channel-set file one at a time, so a loader can
// send each channel to the chip as soon as it arrives.
//
// A comma and a line end both end a value; blanks, and blank lines, before a
// value are skipped; each value is read with leading_number. Only the first 25
// values are ever read: the device is closed as soon as the 25th is out or a
// fault is found, so a huge or foreign file costs no more than that.
class ChannelSetReader {
public:
    static constexpr int ValueCount = 25;
    // More than any number the save writes (the longest, a negative number
    // near the smallest double in plain decimals, takes 340 characters); a
    // longer value means the file is not a channel set, and reading it
    // further would only cost time.
    static constexpr int MaxValueLength = 512;
    // Blanks and line ends allowed before one value.
    static constexpr int MaxFillerLength = 4096;

    // Opens the file at path; a failure shows in the first next().
    explicit ChannelSetReader(const QString &path);
    // Reads from a device the caller has opened and owns; name names it in
    // messages.
    ChannelSetReader(QIODevice &device, const QString &name);
    ~ChannelSetReader();
    ChannelSetReader(const ChannelSetReader &) = delete;
    ChannelSetReader &operator=(const ChannelSetReader &) = delete;

    // The next value, or nothing after a fault, which error() then describes.
    std::optional<double> next();

    QString error() const { return m_error; }
    int values_read() const { return m_valuesRead; }
    // The line the value last handed out stood on, counted from 1.
    int line_of_last_value() const { return m_lastValueLine; }
    // That value as the file wrote it, blanks around it included.
    QByteArray last_value_text() const { return m_lastValueText; }

    // Keeps the file open after the 25th value, for line_after_set(). Call
    // it before the first next().
    void read_past_set() { m_readPastSet = true; }
    // After the 25th value: reads on to the start of a 26th value, which no
    // loader uses, and gives its line; 0 when the file ends first (or a
    // fault, which error() then describes, stops the reading). Then closes.
    int line_after_set();

    // Stops reading and closes a file the reader opened itself.
    void close();

private:
    enum class Read { Char, End, Fault };
    Read read_char(char &c);
    void unread_char(char c);
    bool skip_filler();
    std::optional<double> fail(const QString &message);

    std::unique_ptr<QFile> m_file;
    QIODevice *m_device = nullptr;
    QString m_name;
    QString m_error;
    int m_valuesRead = 0;
    int m_line = 1;
    int m_lastValueLine = 0;
    QByteArray m_lastValueText;
    bool m_atStart = true;
    bool m_readPastSet = false;
};

} // namespace zrx
