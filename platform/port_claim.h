#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Another process's hold on a serial device, as far as this process can see it.
enum class PortHolder {
    None,
    // A lock file in the lock directory whose process still runs (or that cannot be read).
    LockFile,
    // An flock(2) on the device.
    FileLock,
    // The device is in exclusive mode (TIOCEXCL).
    Exclusive,
    // Another process simply has the device open.
    OpenElsewhere,
};

// Where programs that share serial devices leave their lock files.
inline const QString kLockDirectory = QStringLiteral("/var/lock");

// The names that lock files for the device go by: the UUCP one, "LCK.." and the device's own
// name (LCK..ttyUSB0), and Qt's, "LCK.." and the path below /dev with '/' as '_' (LCK..pts_3).
QStringList lockFileNames(const QString& devicePath);

// Holds a serial device against other processes while this process has it open, and finds out
// beforehand whether another process holds it: by a lock file with a live process id (the ten
// ASCII digits of the UUCP convention, Qt's own text, or the older four-byte binary form), by
// flock, by exclusive mode, or by having it open at all. A lock file whose process is gone is
// removed. The claim itself is an flock on a descriptor of its own, which other programs see.
class PortClaim {
public:
    explicit PortClaim(QString lockDirectory = kLockDirectory);
    ~PortClaim();
    PortClaim(const PortClaim&) = delete;
    PortClaim& operator=(const PortClaim&) = delete;

    void setLockDirectory(const QString& directory) { lockDirectory_ = directory; }

    // Claims the device unless another process holds it, and says who does. A device that
    // cannot be opened at all is not claimed and counts as held by nobody: its own open fails.
    PortHolder claim(const QString& devicePath);
    void release() noexcept;

private:
    PortHolder lockFileHolder(const QString& devicePath) const;

    QString lockDirectory_;
    int descriptor_ = -1;
};

} // namespace platform
