#pragma once

#include <QIODevice>

namespace zrx {

// stdout or stderr as a device whose failed writes are seen: QTextStream on a
// FILE* buffers in the C library, where a full disk or a closed descriptor
// only shows up at a flush nobody checks. Every write goes straight to the
// descriptor; a failure is kept (QTextStream then reports WriteFailed and
// writes no more) and never ends the program.
class CheckedOutput : public QIODevice {
public:
    explicit CheckedOutput(int descriptor);

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    int m_descriptor;
};

// Before any file or port is opened: SIGPIPE ignored (a reader that goes
// away is a failed write, not the end of a burn), and a standard descriptor
// that was closed (`>&-`) given a stand-in that refuses writes, so that the
// log or the port never becomes "stdout".
void prepare_standard_streams();

} // namespace zrx
