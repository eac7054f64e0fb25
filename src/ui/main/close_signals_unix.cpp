#include "ui/main/close_signals.h"

#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace zrx {
namespace {

int SignalPipe[2] = {-1, -1};
constexpr int Caught[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction Previous[std::size(Caught)];

void note_signal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[0], &byte, 1);
}

} // namespace

CloseSignals::CloseSignals(QWidget *window) : QObject(window), m_window(window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, SignalPipe) != 0)
        return;
    m_notifier = new QSocketNotifier(SignalPipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(SignalPipe[1], &byte, 1);
        m_window->close();
    });
    struct sigaction action = {};
    action.sa_handler = note_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(Caught); ++i)
        sigaction(Caught[i], &action, &Previous[i]);
}

CloseSignals::~CloseSignals()
{
    if (!m_notifier)
        return;
    for (std::size_t i = 0; i < std::size(Caught); ++i)
        sigaction(Caught[i], &Previous[i], nullptr);
    delete m_notifier;
    ::close(SignalPipe[0]);
    ::close(SignalPipe[1]);
    SignalPipe[0] = SignalPipe[1] = -1;
}

} // namespace zrx
