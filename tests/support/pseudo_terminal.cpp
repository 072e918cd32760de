#include "pseudo_terminal.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

void makeRaw(int descriptor) {
    termios settings{};
    if (tcgetattr(descriptor, &settings) != 0)
        throw std::runtime_error("tcgetattr failed");
    cfmakeraw(&settings);
    if (tcsetattr(descriptor, TCSANOW, &settings) != 0)
        throw std::runtime_error("tcsetattr failed");
}

} // namespace

PseudoTerminal::PseudoTerminal() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    makeRaw(master_);
    makeRaw(slave_);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    devicePath_ = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal() {
    hangUp();
}

void PseudoTerminal::send(const QByteArray& bytes) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t written =
            ::write(master_, bytes.constData() + sent, static_cast<size_t>(bytes.size() - sent));
        if (written > 0) {
            sent += written;
        } else if (written < 0 && errno == EAGAIN) {
            // The program reads only from its event loop; let it.
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        } else if (written < 0 && errno != EINTR) {
            throw std::runtime_error("write to pseudo-terminal failed");
        }
    }
}

QByteArray PseudoTerminal::readWaiting() {
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(master_, buffer, sizeof buffer);
        if (got <= 0)
            break;
        bytes.append(buffer, got);
    }
    return bytes;
}

QByteArray PseudoTerminal::receive(qsizetype count, int timeoutMs) {
    QByteArray bytes;
    QDeadlineTimer deadline(timeoutMs);
    while (bytes.size() < count && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        pollfd waiting{master_, POLLIN, 0};
        if (::poll(&waiting, 1, 5) > 0 && (waiting.revents & POLLIN))
            bytes += readWaiting();
    }
    return bytes;
}

QByteArray PseudoTerminal::receiveFor(int timeoutMs) {
    return receive(std::numeric_limits<qsizetype>::max(), timeoutMs);
}

qsizetype PseudoTerminal::clog() {
    const int filler =
        ::open(devicePath_.toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY);
    if (filler < 0)
        throw std::runtime_error("cannot open the line to clog it");
    const QByteArray fill(4096, 'f');
    qsizetype filled = 0;
    // The kernel moves data on between its buffers behind the writer's back: full means a
    // pause brought no more room.
    for (qsizetype round = -1; round != 0;) {
        round = 0;
        for (ssize_t written; (written = ::write(filler, fill.constData(), fill.size())) > 0;)
            round += written;
        filled += round;
        QThread::msleep(20);
    }
    ::close(filler);
    return filled;
}

int PseudoTerminal::unreadByProgram() const {
    int count = -1;
    if (slave_ < 0 || ::ioctl(slave_, FIONREAD, &count) != 0)
        return -1;
    return count;
}

void PseudoTerminal::hangUp() {
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    master_ = slave_ = -1;
}
