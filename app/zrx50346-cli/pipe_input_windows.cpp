#include "pipe_input.h"

namespace zrx {

// Files on Windows are files: a named pipe is no path a shell hands a tool.
bool is_pipe(const QString &)
{
    return false;
}

PipeInput read_pipe(const QString &, qsizetype, const std::function<bool()> &)
{
    PipeInput input;
    input.error = QStringLiteral("pipes are not read on Windows");
    return input;
}

} // namespace zrx
