// A port that another process holds: each kind of holder, played by a real second process on a
// pseudo-terminal, keeps the port from opening, and what it holds is left as it was. Once the
// holder is gone the port opens, a stale lock file is reclaimed.
#include "forked_child.h"
#include "port_claim.h"
#include "pseudo_terminal.h"
#include "run_time_error.h"
#include "serial_control.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::PortHolder;

namespace {

enum class Hold {
    LockFileText,
    LockFileBinary,
    OldLockFile,
    QtNamedLockFile,
    Flock,
    Exclusive,
    Open
};

// A second process that holds the device its own way until it is stopped.
class Holder {
public:
    Holder(Hold hold, const QString& devicePath) {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        const QByteArray path = devicePath.toLocal8Bit();
        child_.emplace([&] {
            // Nothing of the test's own, its end of the line least of all, may make the child
            // look like a holder: only what it opens itself.
            for (int descriptor = 3; descriptor < 1024; ++descriptor) {
                if (descriptor != ready[1])
                    ::close(descriptor);
            }
            const int device = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            bool held = true;
            if (hold == Hold::Flock)
                held = device >= 0 && ::flock(device, LOCK_EX | LOCK_NB) == 0;
            else if (hold == Hold::Exclusive)
                held = device >= 0 && ::ioctl(device, TIOCEXCL) == 0;
            else if (hold != Hold::Open && device >= 0)
                ::close(device); // a lock file alone holds the device
            const char answer = held ? '1' : '0';
            (void)!::write(ready[1], &answer, 1);
        });
        ::close(ready[1]);
        char answer = '0';
        held_ = child_->running() && ::read(ready[0], &answer, 1) == 1 && answer == '1';
        ::close(ready[0]);
    }

    bool held() const { return held_; }
    pid_t pid() const { return child_ ? child_->pid() : -1; }
    void stop() {
        if (child_)
            child_->stop();
    }

private:
    std::optional<ForkedChild> child_;
    bool held_ = false;
};

QByteArray lockContent(Hold hold, pid_t process) {
    if (hold == Hold::LockFileBinary) {
        const std::int32_t binary = process;
        return QByteArray(reinterpret_cast<const char*>(&binary), sizeof binary);
    }
    return QByteArray::number(process).rightJustified(10, ' ') + '\n';
}

std::int32_t openError(platform::SerialControl& control) {
    try {
        control.setPortOpen(true);
    } catch (const platform::RunTimeError& error) {
        return error.number();
    }
    return 0;
}

} // namespace

Q_DECLARE_METATYPE(Hold)

class PortHolderTest : public QObject {
    Q_OBJECT

private slots:
    void lockFileNamesOfADevice();
    void heldPortDoesNotOpen_data();
    void heldPortDoesNotOpen();
    void lockFileThatNamesNoProcess_data();
    void lockFileThatNamesNoProcess();
};

void PortHolderTest::lockFileNamesOfADevice() {
    QCOMPARE(platform::lockFileNames(QStringLiteral("/dev/ttyUSB0")),
             QStringList{QStringLiteral("LCK..ttyUSB0")});
    QCOMPARE(platform::lockFileNames(QStringLiteral("/dev/pts/3")),
             (QStringList{QStringLiteral("LCK..3"), QStringLiteral("LCK..pts_3")}));
}

void PortHolderTest::heldPortDoesNotOpen_data() {
    QTest::addColumn<Hold>("hold");
    QTest::addColumn<PortHolder>("holder");

    QTest::newRow("a lock file, ten ASCII digits") << Hold::LockFileText << PortHolder::LockFile;
    QTest::newRow("a lock file, the binary form") << Hold::LockFileBinary << PortHolder::LockFile;
    QTest::newRow("a lock file an hour old") << Hold::OldLockFile << PortHolder::LockFile;
    QTest::newRow("a lock file by Qt's name") << Hold::QtNamedLockFile << PortHolder::LockFile;
    QTest::newRow("flock") << Hold::Flock << PortHolder::FileLock;
    QTest::newRow("exclusive mode") << Hold::Exclusive << PortHolder::Exclusive;
    QTest::newRow("the device open, nothing more") << Hold::Open << PortHolder::OpenElsewhere;
}

void PortHolderTest::heldPortDoesNotOpen() {
    QFETCH(Hold, hold);
    QFETCH(PortHolder, holder);

    PseudoTerminal line;
    QTemporaryDir locks;
    QVERIFY(locks.isValid());
    Holder second(hold, line.devicePath());
    QVERIFY(second.held());

    // The lock file, when the holder has one.
    QString lockPath;
    QByteArray content;
    const bool withLockFile = holder == PortHolder::LockFile;
    if (withLockFile) {
        const QStringList names = platform::lockFileNames(line.devicePath());
        lockPath = QDir(locks.path())
                       .filePath(hold == Hold::QtNamedLockFile ? names.last() : names.first());
        content = lockContent(hold, second.pid());
        QFile lock(lockPath);
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(content);
        lock.close();
        if (hold == Hold::OldLockFile) {
            const timespec anHourAgo[2] = {{::time(nullptr) - 3600, 0},
                                           {::time(nullptr) - 3600, 0}};
            QVERIFY(::utimensat(AT_FDCWD, qPrintable(lockPath), anHourAgo, 0) == 0);
        }
    }

    platform::PortClaim claim(locks.path());
    QCOMPARE(claim.claim(line.devicePath()), holder);
    claim.release();

    platform::SerialControl control(platform::portMapFromList({line.devicePath()}));
    control.setLockDirectory(locks.path());
    QCOMPARE(openError(control), platform::comm_error::PortAlreadyOpen);
    QVERIFY(!control.PortOpen());
    if (withLockFile) {
        QFile lock(lockPath);
        QVERIFY2(lock.open(QIODevice::ReadOnly), "a live holder's lock file was deleted");
        QCOMPARE(lock.readAll(), content);
    }

    // The holder goes away; a lock file of its own stays behind, stale, and is reclaimed.
    second.stop();
    if (hold == Hold::Exclusive) {
        // Exclusive mode stays with the device until its last opener closes it, which the test's
        // own side of the line never does here.
        QCOMPARE(::ioctl(line.slaveDescriptor(), TIOCNXCL), 0);
    }
    QCOMPARE(openError(control), 0);
    QVERIFY(control.PortOpen());
    if (withLockFile)
        QVERIFY(!QFile::exists(lockPath));

    // Held by this program now, in a way that other programs see: an flock, and exclusive mode.
    const int other = ::open(qPrintable(line.devicePath()), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(other >= 0);
    QVERIFY(::flock(other, LOCK_EX | LOCK_NB) != 0);
    ::close(other);
    QCOMPARE(platform::PortClaim(locks.path()).claim(line.devicePath()), PortHolder::Exclusive);
    control.setPortOpen(false);
}

// A lock file that names no process may be in the middle of being written, or be what a crash
// left behind while it was: it bars the port for a few seconds, not for good.
void PortHolderTest::lockFileThatNamesNoProcess_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("held");

    QTest::newRow("empty, just written") << QByteArray() << 0 << true;
    QTest::newRow("no number, just written") << QByteArray("lock\n") << 0 << true;
    QTest::newRow("empty, a minute old") << QByteArray() << 60 << false;
    QTest::newRow("no number, a minute old") << QByteArray("lock\n") << 60 << false;
}

void PortHolderTest::lockFileThatNamesNoProcess() {
    QFETCH(QByteArray, content);
    QFETCH(int, ageSeconds);
    QFETCH(bool, held);

    PseudoTerminal line;
    QTemporaryDir locks;
    QVERIFY(locks.isValid());
    const QString lockPath =
        QDir(locks.path()).filePath(platform::lockFileNames(line.devicePath()).first());
    QFile lock(lockPath);
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(content);
    lock.close();
    const timespec written[2] = {{::time(nullptr) - ageSeconds, 0},
                                 {::time(nullptr) - ageSeconds, 0}};
    QVERIFY(::utimensat(AT_FDCWD, qPrintable(lockPath), written, 0) == 0);

    platform::PortClaim claim(locks.path());
    QCOMPARE(claim.claim(line.devicePath()), held ? PortHolder::LockFile : PortHolder::None);
    QCOMPARE(QFile::exists(lockPath), held);
}

QTEST_MAIN(PortHolderTest)
#include "tst_port_holder.moc"
