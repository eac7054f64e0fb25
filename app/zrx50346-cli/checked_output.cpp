#include "checked_output.h"

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cerrno>

namespace zrx {
namespace {

qint64 write_some(int descriptor, const char *data, qint64 size)
{
#ifdef Q_OS_WIN
    constexpr qint64 LargestWrite = 1 << 30;
    return _write(descriptor, data, unsigned(qMin(size, LargestWrite)));
#else
    return ::write(descriptor, data, size_t(size));
#endif
}

} // namespace

CheckedOutput::CheckedOutput(int descriptor) : m_descriptor(descriptor)
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 CheckedOutput::readData(char *, qint64)
{
    return -1;
}

qint64 CheckedOutput::writeData(const char *data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 written = write_some(m_descriptor, data + done, size - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return -1;
        done += written;
    }
    return done;
}

} // namespace zrx
