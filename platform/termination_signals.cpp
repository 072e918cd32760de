#include "termination_signals.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};

int pipeEnds[2] = {-1, -1};
struct sigaction previousActions[kSignals.size()];

extern "C" void writeSignalNumber(int signalNumber) {
    const int savedErrno = errno;
    const char number = static_cast<char>(signalNumber);
    (void)!::write(pipeEnds[1], &number, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent) {
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::drain);
    struct sigaction action {};
    action.sa_handler = writeSignalNumber;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &previousActions[i]);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_)
        return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &previousActions[i], nullptr);
    delete notifier_;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void TerminationSignals::drain() {
    char numbers[16];
    for (ssize_t got; (got = ::read(pipeEnds[0], numbers, sizeof numbers)) > 0;) {
        for (ssize_t i = 0; i < got; ++i)
            emit received(numbers[i]);
    }
}

} // namespace platform
