#include "port_claim.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {
namespace {

// How long a lock file that names no process counts as being written.
constexpr qint64 kUnreadableLockLifeSeconds = 10;

bool processRuns(pid_t process) {
    // A process of another user answers with EPERM, but it runs.
    return ::kill(process, 0) == 0 || errno == EPERM;
}

// The process id that a lock file names, or 0 when it names none that can be read.
pid_t lockingProcess(const QByteArray& content) {
    if (content.size() == static_cast<qsizetype>(sizeof(std::int32_t))) {
        std::int32_t binary = 0;
        std::memcpy(&binary, content.constData(), sizeof binary);
        return binary > 0 ? static_cast<pid_t>(binary) : 0;
    }
    // Ten digits padded with blanks and a newline (UUCP), or a first line of digits (Qt's).
    const QByteArray firstLine = content.left(content.indexOf('\n')).trimmed();
    bool number = false;
    const long long process = firstLine.toLongLong(&number);
    return number && process > 0 && process <= INT_MAX ? static_cast<pid_t>(process) : 0;
}

// Whether a process other than this one has the device open.
bool openElsewhere(const QStringList& devicePaths) {
    DIR* processes = ::opendir("/proc");
    if (!processes)
        return false;
    const QByteArray self = QByteArray::number(::getpid());
    bool found = false;
    while (!found) {
        const dirent* process = ::readdir(processes);
        if (!process)
            break;
        if (process->d_name[0] < '1' || process->d_name[0] > '9' || self == process->d_name)
            continue;
        const QByteArray descriptors = QByteArray("/proc/") + process->d_name + "/fd";
        DIR* open = ::opendir(descriptors.constData());
        if (!open)
            continue; // gone meanwhile, or another user's
        while (const dirent* descriptor = ::readdir(open)) {
            if (descriptor->d_name[0] == '.')
                continue;
            char target[PATH_MAX];
            const QByteArray link = descriptors + '/' + descriptor->d_name;
            const ssize_t length = ::readlink(link.constData(), target, sizeof target);
            if (length <= 0)
                continue;
            if (devicePaths.contains(QString::fromLocal8Bit(target, length))) {
                found = true;
                break;
            }
        }
        ::closedir(open);
    }
    ::closedir(processes);
    return found;
}

} // namespace

QStringList lockFileNames(const QString& devicePath) {
    const QString uucp = QStringLiteral("LCK..") + QFileInfo(devicePath).fileName();
    QString below = devicePath;
    if (below.startsWith(QLatin1String("/dev/")))
        below.remove(0, 5);
    const QString qt = QStringLiteral("LCK..") + below.replace(QLatin1Char('/'), QLatin1Char('_'));
    return qt == uucp ? QStringList{uucp} : QStringList{uucp, qt};
}

PortClaim::PortClaim(QString lockDirectory)
    : lockDirectory_(std::move(lockDirectory)) {}

PortClaim::~PortClaim() {
    release();
}

PortHolder PortClaim::lockFileHolder(const QString& devicePath) const {
    for (const QString& name : lockFileNames(devicePath)) {
        QFile lock(QDir(lockDirectory_).filePath(name));
        if (!lock.exists())
            continue;
        if (!lock.open(QIODevice::ReadOnly))
            return PortHolder::LockFile;
        const pid_t process = lockingProcess(lock.read(64));
        lock.close();
        // One that names no process may be in the middle of being written: leave it be for a
        // while, but not for ever, or a crash while writing it would bar the port for good.
        if (process == 0 && QFileInfo(lock).lastModified().secsTo(QDateTime::currentDateTime()) <
                                kUnreadableLockLifeSeconds)
            return PortHolder::LockFile;
        if (process != 0 && processRuns(process))
            return PortHolder::LockFile;
        // Its process is gone, whatever the lock's age: the lock is stale.
        lock.remove();
    }
    return PortHolder::None;
}

PortHolder PortClaim::claim(const QString& devicePath) {
    release();
    if (const PortHolder holder = lockFileHolder(devicePath); holder != PortHolder::None)
        return holder;

    const QByteArray path = QFile::encodeName(devicePath);
    const int descriptor = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return errno == EBUSY ? PortHolder::Exclusive : PortHolder::None;
    const auto refuse = [descriptor](PortHolder holder) {
        ::close(descriptor);
        return holder;
    };
    // Something that is no terminal fails its own open anyway; asking who else has it open
    // walks every process's descriptors, which start-up should not pay for nothing.
    if (!::isatty(descriptor))
        return refuse(PortHolder::None);
    int exclusive = 0;
    if (::ioctl(descriptor, TIOCGEXCL, &exclusive) == 0 && exclusive != 0)
        return refuse(PortHolder::Exclusive);
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return refuse(PortHolder::FileLock);
    QStringList paths{devicePath};
    char resolved[PATH_MAX];
    if (::realpath(path.constData(), resolved))
        paths << QFile::decodeName(resolved);
    if (openElsewhere(paths))
        return refuse(PortHolder::OpenElsewhere);
    descriptor_ = descriptor;
    return PortHolder::None;
}

void PortClaim::release() noexcept {
    if (descriptor_ >= 0)
        ::close(descriptor_);
    descriptor_ = -1;
}

} // namespace platform
