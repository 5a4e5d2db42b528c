#include "TerminationSignals.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int Pipe[2] = {-1, -1};
const int Watched[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(Pipe[1], &byte, 1);
    errno = saved;
}

bool ignored(int number)
{
    struct sigaction current { };
    return ::sigaction(number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

} // namespace

void TerminationSignals::prepareProcess()
{
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGXFSZ, SIG_IGN);
    ::signal(SIGPIPE, SIG_IGN);
    sigset_t blocked;
    sigemptyset(&blocked);
    for (int number : Watched)
        sigaddset(&blocked, number);
    ::sigprocmask(SIG_UNBLOCK, &blocked, nullptr);
}

TerminationSignals::TerminationSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, Pipe) != 0)
        return; // the default action, ending the process, still applies
    m_notifier = std::make_unique<QSocketNotifier>(Pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &TerminationSignals::drain);
    struct sigaction action { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // A second signal, should the close itself hang, takes the default action.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int number : Watched) {
        if (!ignored(number) && ::sigaction(number, &action, nullptr) == 0)
            m_handled.push_back(number);
    }
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (int number : m_handled)
        ::signal(number, SIG_DFL);
    m_notifier.reset();
    ::close(Pipe[0]);
    ::close(Pipe[1]);
    Pipe[0] = Pipe[1] = -1;
}

void TerminationSignals::drain()
{
    char bytes[16];
    while (::read(Pipe[0], bytes, sizeof bytes) > 0) { }
    emit requested();
}
