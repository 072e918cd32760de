#include "termination_signals.h"

#include <QWidget>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

int readEnd = -1;
// Read by the handler, which may run on any thread at any moment.
std::atomic<int> writeEnd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void writeSignalNumber(int signalNumber) {
    const int savedErrno = errno;
    const char number = static_cast<char>(signalNumber);
    if (const int end = writeEnd.load(); end >= 0)
        (void)!::write(end, &number, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QWidget& window)
    : window_(window) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    readEnd = ends[0];
    writeEnd = ends[1];
    notifier_ = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::drain);
    struct sigaction action {};
    action.sa_handler = writeSignalNumber;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        struct sigaction current {};
        ::sigaction(kSignals[i], nullptr, &current);
        if (current.sa_handler == SIG_IGN)
            continue;
        handled_[i] = ::sigaction(kSignals[i], &action, &previousActions_[i]) == 0;
    }
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_)
        return;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (handled_[i])
            ::sigaction(kSignals[i], &previousActions_[i], nullptr);
    }
    delete notifier_;
    ::close(writeEnd.exchange(-1));
    ::close(std::exchange(readEnd, -1));
}

void TerminationSignals::drain() {
    char numbers[16];
    bool any = false;
    for (ssize_t got; (got = ::read(readEnd, numbers, sizeof numbers)) > 0;)
        any = true;
    if (any)
        window_.close();
}

} // namespace platform
