#include "pipe_input.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zrx {

bool is_pipe(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

PipeInput read_pipe(const QString &path, qsizetype maxBytes, const std::function<bool()> &stop_requested)
{
    PipeInput input;
    const auto failed = [&input](const char *what) {
        input.error = QStringLiteral("%1: %2").arg(QString::fromLatin1(what), QString::fromLocal8Bit(std::strerror(errno)));
        return input;
    };
    // A FIFO opened for reading would wait for a writer, beyond any signal.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failed("cannot open it");
    for (;;) {
        if (stop_requested()) {
            input.stopped = true;
            break;
        }
        // Until a writer has come and gone, a FIFO reports nothing: no end.
        pollfd watched{fd, POLLIN, 0};
        const int ready = ::poll(&watched, 1, PollIntervalMs);
        if (ready < 0 && errno != EINTR) {
            failed("cannot wait for it");
            break;
        }
        if (ready <= 0)
            continue;
        char chunk[4096];
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got == 0)
            break; // the writer is done
        if (got < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            failed("cannot read it");
            break;
        }
        input.bytes.append(chunk, got);
        if (input.bytes.size() > maxBytes) {
            input.error = QStringLiteral("it holds more than %1 bytes, more than any channel set").arg(maxBytes);
            input.tooLong = true;
            break;
        }
    }
    ::close(fd);
    return input;
}

} // namespace zrx
