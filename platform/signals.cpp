#include "platform/signals.h"

#include <QSocketNotifier>

#include <atomic>
#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace platform {

#ifdef Q_OS_UNIX
namespace {
std::atomic<int> g_wakeFd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "the handler reads it");

void wake(int signalNumber)
{
    const int saved = errno;
    const char byte = char(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_wakeFd.load(), &byte, 1);
    errno = saved;
}
} // namespace

struct SignalWatcher::Saved {
    int fds[2] = {-1, -1}; // read end, write end
    std::vector<std::pair<int, struct sigaction>> handlers;
};

SignalWatcher::SignalWatcher(std::initializer_list<int> signalNumbers, QObject *parent)
    : QObject(parent), m_saved(std::make_unique<Saved>())
{
    int *fds = m_saved->fds;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return;
    for (int i = 0; i < 2; ++i) {
        ::fcntl(fds[i], F_SETFL, ::fcntl(fds[i], F_GETFL) | O_NONBLOCK); // a flood of signals never blocks the handler
        ::fcntl(fds[i], F_SETFD, FD_CLOEXEC);
    }
    g_wakeFd = fds[1];
    m_notifier = std::make_unique<QSocketNotifier>(fds[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this, fds] {
        char bytes[16];
        ssize_t n;
        while ((n = ::read(fds[0], bytes, sizeof bytes)) > 0)
            for (ssize_t i = 0; i < n; ++i) {
                m_happened = true;
                emit caught(int(quint8(bytes[i])));
            }
    });
    struct sigaction action = {};
    action.sa_handler = wake;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : signalNumbers) {
        struct sigaction old = {};
        ::sigaction(s, &action, &old);
        m_saved->handlers.emplace_back(s, old);
    }
}

SignalWatcher::~SignalWatcher()
{
    for (const auto &[s, old] : m_saved->handlers) ::sigaction(s, &old, nullptr);
    if (!m_notifier) return;
    g_wakeFd = -1;
    m_notifier.reset();
    ::close(m_saved->fds[0]);
    ::close(m_saved->fds[1]);
}
#else
struct SignalWatcher::Saved {};
SignalWatcher::SignalWatcher(std::initializer_list<int>, QObject *parent) : QObject(parent) {}
SignalWatcher::~SignalWatcher() = default;
#endif

} // namespace platform
