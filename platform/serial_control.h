#pragma once

#include "port_claim.h"
#include "port_map.h"

#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include <cstdint>

namespace platform {

// Causes of an OnComm event, as CommEvent gives them.
inline constexpr std::int16_t kCommEvReceive = 2;    // the receive threshold is reached
inline constexpr std::int16_t kCommEventLost = 1100; // the device went away (hang-up, unplug)

// Errors that the serial control raises.
namespace comm_error {
inline constexpr std::int32_t NotValidWhileOpen = 8000;
inline constexpr std::int32_t InvalidPortNumber = 8002;
inline constexpr std::int32_t PortAlreadyOpen = 8005;
inline constexpr std::int32_t CannotOpen = 8012;
inline constexpr std::int32_t PortNotOpen = 8018;
inline constexpr std::int32_t TransmitBufferFull = 8019;
inline constexpr std::int32_t WriteFailed = 8020;
inline constexpr std::int32_t DeviceLost = 8021;
} // namespace comm_error

// The window's serial communications control: one port at a time, chosen by number through a
// port map, with fixed line settings. A receive event (OnComm with CommEvent 2) comes each time
// data arrives while at least the receive threshold of characters waits. Characters map one to
// one to bytes (Latin-1) in both directions.
class SerialControl : public QObject {
    Q_OBJECT

public:
    static constexpr qint32 kBaudRate = 9600;
    static constexpr qint64 kReceiveThreshold = 11;
    static constexpr qint64 kInBufferSize = 1024;
    static constexpr qint64 kOutBufferSize = 512;
    static constexpr std::int16_t kHighestPortNumber = 255;
    // Characters that wait below the receive threshold while the line has been quiet this long
    // are a fragment (a stray byte, or the tail of a frame that the port opened in the middle
    // of), not the start of a frame, and are dropped. A frame takes 11.5 ms at 9600 baud and a
    // unit pauses far longer between frames; a USB adapter's latency timer delivers the bytes of
    // one frame in bursts up to 16 ms apart.
    static constexpr int kFragmentIdleMs = 50;

    explicit SerialControl(PortMap portMap, QObject* parent = nullptr);

    // Where other programs' lock files for serial devices are looked for: kLockDirectory unless
    // told otherwise.
    void setLockDirectory(const QString& directory) { claim_.setLockDirectory(directory); }

    // Selects the port that the next open uses. Not allowed while a port is open.
    void setCommPort(std::int16_t number);

    // true opens the selected port and fails when it does not exist, cannot be opened or is
    // held by another process (see PortClaim) or opener; a failed open leaves the port closed.
    // false sends what is still queued, waiting for the device for a while, then closes the
    // port; characters that the device did not take by then fail it, after the port is closed.
    void setPortOpen(bool open);
    bool PortOpen() const noexcept { return open_; }

    // Queues the whole text for sending, in order, nothing added.
    void setOutput(const QString& text);

    // Every character waiting, oldest first; the receive buffer is empty afterwards.
    QString Input();

    // How many characters wait in the receive buffer.
    qint64 InBufferCount() const;

    // The cause of the event being raised.
    std::int16_t CommEvent() const noexcept { return commEvent_; }

signals:
    void OnComm();

private:
    void onReadyRead() noexcept;
    void dropFragment() noexcept;
    void onErrorOccurred(QSerialPort::SerialPortError error) noexcept;
    void raiseEvent(std::int16_t cause) noexcept;
    void requirePortOpen() const;
    [[noreturn]] void raiseDeviceLost() const;
    void resumeReading() noexcept;
    void closeLostDevice() noexcept;
    void sendQueued();
    bool deviceHungUp() const;

    PortMap portMap_;
    PortClaim claim_;
    QSerialPort port_;
    // Runs only while characters wait below the receive threshold.
    QTimer fragmentTimer_;
    // What had arrived when the device went away, kept for Input.
    QByteArray leftover_;
    std::int16_t commPort_ = 1;
    std::int16_t commEvent_ = 0;
    bool open_ = false;
    bool deviceLost_ = false;
};

} // namespace platform
