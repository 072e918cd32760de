#include "serial_control.h"

#include "run_time_error.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QMetaObject>

#include <poll.h>
#include <sys/ioctl.h>
#include <utility>

namespace platform {
namespace {

// How long closing may wait for queued characters: the whole transmit buffer takes about half
// a second at 9600 baud.
constexpr int kDrainTimeoutMs = 2000;

[[noreturn]] void raise(std::int32_t number, const QString& description) {
    throw RunTimeError(number, description);
}

} // namespace

SerialControl::SerialControl(PortMap portMap, QObject* parent)
    : QObject(parent)
    , portMap_(std::move(portMap)) {
    connect(&port_, &QSerialPort::readyRead, this, &SerialControl::onReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialControl::onErrorOccurred);
    fragmentTimer_.setSingleShot(true);
    fragmentTimer_.setTimerType(Qt::PreciseTimer);
    fragmentTimer_.setInterval(kFragmentIdleMs);
    connect(&fragmentTimer_, &QTimer::timeout, this, &SerialControl::dropFragment);
}

void SerialControl::setCommPort(std::int16_t number) {
    if (open_)
        raise(comm_error::NotValidWhileOpen,
              QStringLiteral("Operation not valid while the port is opened"));
    if (number < 1 || number > kHighestPortNumber)
        raise(comm_error::InvalidPortNumber, QStringLiteral("Invalid port number"));
    commPort_ = number;
}

void SerialControl::setPortOpen(bool open) {
    if (!open) {
        if (!open_)
            return;
        // Closed from here on: draining the queue runs Qt's own wait, which may see input, and no
        // event may come in the middle of the procedure that closes the port.
        open_ = false;
        fragmentTimer_.stop();
        qint64 unsent = 0;
        if (port_.isOpen()) {
            sendQueued();
            // Only what the device has not taken in time: no discard of the device's own queue
            // (tcflush), which on a pseudo-terminal would cut a frame where the far side's buffer
            // happens to end.
            unsent = port_.bytesToWrite();
            port_.close();
        }
        claim_.release();
        deviceLost_ = false;
        leftover_.clear();
        if (unsent > 0)
            raise(comm_error::WriteFailed,
                  QStringLiteral("Error writing to the port: %1 characters could not be sent "
                                 "before it closed")
                      .arg(unsent));
        return;
    }

    if (open_)
        raise(comm_error::PortAlreadyOpen, QStringLiteral("Port already open"));
    const std::optional<QString> device = portMap_ ? portMap_(commPort_) : std::nullopt;
    // A device that is not there (never was, or was unplugged since the ports were listed) fails
    // at once, without Qt's round trip through a lock file on disk.
    if (!device || device->isEmpty() || !QFileInfo::exists(*device))
        raise(comm_error::InvalidPortNumber, QStringLiteral("Invalid port number"));

    // Before Qt's own lock file, whose rules would take a port from a live holder.
    if (claim_.claim(*device) != PortHolder::None)
        raise(comm_error::PortAlreadyOpen, QStringLiteral("Port already open"));

    port_.setPortName(*device);
    port_.setReadBufferSize(kInBufferSize);
    port_.setBaudRate(kBaudRate);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError failure = port_.error();
        const QString reason = port_.errorString();
        port_.clearError();
        claim_.release();
        switch (failure) {
        case QSerialPort::DeviceNotFoundError:
            raise(comm_error::InvalidPortNumber, QStringLiteral("Invalid port number"));
        default:
            // Holders were turned away above, so a refusal here is the device's own (a user
            // without access to it, a file that is no terminal).
            raise(comm_error::CannotOpen,
                  QStringLiteral("The port cannot be opened: %1").arg(reason));
        }
    }
    open_ = true;
    deviceLost_ = false;
    commEvent_ = 0;
}

void SerialControl::requirePortOpen() const {
    if (!open_)
        raise(comm_error::PortNotOpen,
              QStringLiteral("Operation valid only when the port is open"));
}

void SerialControl::setOutput(const QString& text) {
    requirePortOpen();
    // The device may have gone away before the event loop had a turn to tell.
    if (deviceLost_ || deviceHungUp())
        raiseDeviceLost();
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar character : text) {
        if (character.unicode() > 0xFF)
            raise(error::InvalidPropertyValue, QStringLiteral("Invalid property value"));
        bytes.append(static_cast<char>(character.unicode()));
    }
    if (port_.bytesToWrite() + bytes.size() > kOutBufferSize)
        raise(comm_error::TransmitBufferFull, QStringLiteral("Transmit buffer full"));
    if (port_.write(bytes) != bytes.size())
        raise(comm_error::WriteFailed, QStringLiteral("Error writing to the port"));
    // Hand the bytes to the device now rather than on the next turn of the event loop. A flush
    // that fails on a full line leaves them queued; one that fails on a device that has gone
    // loses them, and that must not pass unseen.
    if (!port_.flush() && (deviceLost_ || deviceHungUp()))
        raiseDeviceLost();
}

void SerialControl::raiseDeviceLost() const {
    raise(comm_error::DeviceLost, QStringLiteral("The device is no longer available"));
}

QString SerialControl::Input() {
    requirePortOpen();
    fragmentTimer_.stop();
    QByteArray waiting = std::exchange(leftover_, {});
    if (port_.isOpen())
        waiting += port_.readAll();
    return QString::fromLatin1(waiting);
}

qint64 SerialControl::InBufferCount() const {
    return leftover_.size() + (port_.isOpen() ? port_.bytesAvailable() : 0);
}

void SerialControl::sendQueued() {
    const QDeadlineTimer deadline(kDrainTimeoutMs);
    while (port_.bytesToWrite() > 0 && !deadline.hasExpired() &&
           port_.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
    }
}

bool SerialControl::deviceHungUp() const {
    pollfd device{static_cast<int>(port_.handle()), POLLIN | POLLOUT, 0};
    return ::poll(&device, 1, 0) > 0 && (device.revents & (POLLHUP | POLLERR | POLLNVAL));
}

void SerialControl::raiseEvent(std::int16_t cause) noexcept {
    commEvent_ = cause;
    emit OnComm();
}

void SerialControl::onReadyRead() noexcept {
    if (!open_ || deviceLost_)
        return;
    if (port_.bytesAvailable() >= kReceiveThreshold) {
        fragmentTimer_.stop();
        raiseEvent(kCommEvReceive);
    } else {
        // The line's quiet time counts from its last character.
        fragmentTimer_.start();
    }
}

void SerialControl::dropFragment() noexcept {
    if (!open_ || deviceLost_ || !port_.isOpen())
        return;
    // Characters that the device holds and Qt has not taken yet mean the line is not quiet: this
    // thread was only late to look.
    int unread = 0;
    if (::ioctl(static_cast<int>(port_.handle()), FIONREAD, &unread) == 0 && unread > 0) {
        fragmentTimer_.start();
        return;
    }
    const qint64 waiting = port_.bytesAvailable();
    if (waiting > 0 && waiting < kReceiveThreshold)
        port_.skip(waiting);
}

void SerialControl::onErrorOccurred(QSerialPort::SerialPortError error) noexcept {
    if (!open_ || deviceLost_)
        return;
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError &&
        error != QSerialPort::WriteError)
        return;
    // Qt reports a full output queue (EAGAIN) as a resource error too: only a device that has
    // hung up is gone. A write that fails otherwise is a device that refuses data for good.
    if (error != QSerialPort::WriteError && !deviceHungUp()) {
        port_.clearError(); // reports NoError, which ends up above
        resumeReading();
        return;
    }
    // The device is gone. Qt may report the same failure on every turn of the event loop, so
    // stop listening on it for good. The notifier that reported this is still on the stack, and
    // the failure may come in the middle of another event procedure's Output, so the close and
    // the event wait for the next turn.
    deviceLost_ = true;
    QMetaObject::invokeMethod(this, &SerialControl::closeLostDevice, Qt::QueuedConnection);
}

void SerialControl::resumeReading() noexcept {
    // A read that found nothing (another reader of the device took the characters between the
    // poll and the read, or a signal cut it short) makes Qt stop watching the device for input;
    // only a read of its own buffer or a new buffer size starts it again, and the characters that
    // would lead to such a read never come. Setting the same size restarts the watch at once.
    port_.setReadBufferSize(kInBufferSize);
}

void SerialControl::closeLostDevice() noexcept {
    if (!deviceLost_ || !port_.isOpen())
        return;
    fragmentTimer_.stop();
    leftover_ += port_.readAll();
    port_.close();
    claim_.release();
    raiseEvent(kCommEventLost);
}

} // namespace platform
