#include "hidden_serial_devices.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void writeFile(const char* path, const std::string& text) {
    std::ofstream file(path);
    file << text;
    file.close();
    if (!file)
        throw std::runtime_error(std::string("cannot write ") + path);
}

// As root a mount namespace is enough; anyone else needs a user namespace to mount in.
void enterPrivateMountNamespace() {
    if (geteuid() == 0) {
        if (unshare(CLONE_NEWNS) != 0)
            fail("unshare(CLONE_NEWNS)");
    } else {
        const uid_t uid = geteuid();
        const gid_t gid = getegid();
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            fail("unshare(CLONE_NEWUSER | CLONE_NEWNS)");
        writeFile("/proc/self/setgroups", "deny");
        writeFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
        writeFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
    }
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        fail("making the mounts private");
}

// The ttyS, ttyUSB and ttyACM nodes, and any other tty with a device behind it.
QStringList serialDevices() {
    QStringList devices;
    const QStringList patterns{QStringLiteral("ttyS*"), QStringLiteral("ttyUSB*"),
                               QStringLiteral("ttyACM*")};
    for (const QString& name : QDir(QStringLiteral("/dev")).entryList(patterns, QDir::System))
        devices << QStringLiteral("/dev/") + name;
    const QDir classes(QStringLiteral("/sys/class/tty"));
    for (const QString& name :
         classes.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
        const QString node = QStringLiteral("/dev/") + name;
        if (QFileInfo::exists(classes.filePath(name + QStringLiteral("/device"))) &&
            QFileInfo::exists(node) && !devices.contains(node))
            devices << node;
    }
    return devices;
}

bool isDevNull(const QString& path) {
    struct stat status {};
    return ::stat(path.toLocal8Bit().constData(), &status) == 0 && S_ISCHR(status.st_mode) &&
           major(status.st_rdev) == 1 && minor(status.st_rdev) == 3;
}

} // namespace

QStringList hideSerialDevices() {
    enterPrivateMountNamespace();
    const QStringList devices = serialDevices();
    for (const QString& device : devices) {
        if (mount("/dev/null", device.toLocal8Bit().constData(), nullptr, MS_BIND, nullptr) != 0)
            fail("hiding " + device.toStdString() + " behind /dev/null");
    }
    for (const QString& device : devices) {
        if (!isDevNull(device))
            throw std::runtime_error(device.toStdString() + " is still not /dev/null");
    }
    // Qt's serial lock files go to /var/lock, which is /run/lock on Debian.
    QStringList lockDirectories{QStringLiteral("/run/lock")};
    const QString varLock = QFileInfo(QStringLiteral("/var/lock")).canonicalFilePath();
    if (!varLock.isEmpty() && !lockDirectories.contains(varLock))
        lockDirectories << varLock;
    for (const QString& directory : lockDirectories) {
        if (QFileInfo(directory).isDir() && mount("tmpfs", directory.toLocal8Bit().constData(),
                                                  "tmpfs", MS_NOSUID | MS_NODEV, "mode=1777") != 0)
            fail("mounting a private " + directory.toStdString());
    }
    return devices;
}
