#include "checked_output.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace zrx {

void prepare_standard_streams()
{
    std::signal(SIGPIPE, SIG_IGN);
    // A descriptor opened read-only takes no write: output to it fails, and
    // is told by the exit code, as output to a closed one would be.
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) == -1 && errno == EBADF) {
            const int standIn = ::open("/dev/null", O_RDONLY);
            if (standIn >= 0 && standIn != descriptor) {
                ::dup2(standIn, descriptor);
                ::close(standIn);
            }
        }
    }
}

} // namespace zrx
