// The program under abuse: odd bytes and texts far longer than the receive buffer, garbage at
// full speed for seconds, the far side hanging up while the unit is detected, and a thousand
// writes in a row. Each time the window must stay responsive and bounded in memory, and come back
// to showing the unit's frames.
#include "connected_window.h"
#include "error_recorder.h"
#include "event_procedure.h"
#include "expected_display.h"
#include "processor_time.h"
#include "pseudo_terminal.h"
#include "unit_link.h"
#include "watchdog_clock.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <poll.h>
#include <random>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define HARDENING_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HARDENING_ASAN 1
#endif
#endif
#ifdef HARDENING_ASAN
// From the AddressSanitizer run-time; g++ ships no header for it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace {

// Heap bytes in use; under AddressSanitizer without what its quarantine holds back.
qint64 liveHeapBytes() {
#ifdef HARDENING_ASAN
    return static_cast<qint64>(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 info = mallinfo2();
    return static_cast<qint64>(info.uordblks + info.hblkhd);
#endif
}

qint64 residentBytes() {
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return static_cast<qint64>(resident) * sysconf(_SC_PAGESIZE);
}

// Bytes of every value but the frame mark, so that no stretch of them can pass for a frame
// wherever the serial control's reads happen to cut them.
QByteArray garbage(qsizetype size, unsigned seed) {
    std::minstd_rand random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes) {
        byte = static_cast<char>(random() % 256);
        if (byte == '$')
            byte = '%';
    }
    return bytes;
}

// How many characters wait on the program's side of the line for the serial control to take.
int waitingOnLine(PseudoTerminal& line) {
    int count = -1;
    if (::ioctl(line.slaveDescriptor(), FIONREAD, &count) != 0)
        return -1;
    return count;
}

// Watches the window from a 0 ms timer, so on every turn of the event loop: the most characters
// that the serial control held, and the most live heap.
struct Watcher {
    const platform::SerialControl& control;
    QTimer timer;
    qint64 mostBuffered = 0;
    qint64 mostHeap = 0;

    explicit Watcher(const platform::SerialControl& watched)
        : control(watched) {
        QObject::connect(&timer, &QTimer::timeout, [this] { look(); });
        timer.start(0);
    }
    void look() {
        mostBuffered = std::max(mostBuffered, control.InBufferCount());
        mostHeap = std::max(mostHeap, liveHeapBytes());
    }
};

// Writes garbage on the line as fast as the line takes it, from a thread of its own, so that the
// window's thread only ever reads.
class Flooder {
public:
    explicit Flooder(int descriptor)
        : descriptor_(descriptor)
        , thread_([this] { run(); }) {}
    ~Flooder() { stop(); }

    void stop() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    qint64 sent() const { return sent_; }

private:
    void run() {
        const QByteArray chunk = garbage(4096, 7);
        while (!stop_) {
            const ssize_t written = ::write(descriptor_, chunk.constData(), chunk.size());
            if (written > 0) {
                sent_ += written;
            } else if (written < 0 && errno == EAGAIN) {
                pollfd room{descriptor_, POLLOUT, 0};
                ::poll(&room, 1, 20);
            } else if (written < 0 && errno != EINTR) {
                return;
            }
        }
    }

    int descriptor_;
    std::atomic<bool> stop_{false};
    std::atomic<qint64> sent_{0};
    std::thread thread_;
};

} // namespace

class HardeningTest : public QObject {
    Q_OBJECT

private slots:
    void oddTextsThenFramesAreShown_data();
    void oddTextsThenFramesAreShown();
    void floodAtFullSpeed();
    void hangUpWhileDetected();
    void thousandClicksPutAThousandFrames();
    void fullLineRefusesWholeWrites();
};

void HardeningTest::oddTextsThenFramesAreShown_data() {
    QTest::addColumn<QByteArray>("text");

    QByteArray everyByte;
    for (int round = 0; round < 4; ++round) {
        for (int value = 0; value < 256; ++value)
            everyByte.append(static_cast<char>(value));
    }
    QByteArray high;
    for (int value = 128; value < 256; ++value)
        high.append(static_cast<char>(value));

    QTest::newRow("NUL bytes") << QByteArray(64, '\0');
    QTest::newRow("bytes above 127") << high;
    QTest::newRow("every byte value, a full receive buffer") << everyByte;
    QTest::newRow("one more than the receive buffer") << garbage(1025, 1);
    QTest::newRow("a hundred times the receive buffer") << garbage(100 * 1024, 2);
}

void HardeningTest::oddTextsThenFramesAreShown() {
    QFETCH(QByteArray, text);

    ErrorRecorder recorder;
    ConnectedWindow bench;
    QCOMPARE(waitingOnLine(bench.unit.line()), 0);
    Watcher watcher(bench.window.com232);

    bench.unit.send(text);
    // All of it is taken in; only a rest too short for a receive event may wait. The last bytes
    // written may not have reached the program's side of the line yet when the count is first
    // asked, so give them a moment first.
    QTest::qWait(200);
    QTRY_VERIFY(waitingOnLine(bench.unit.line()) == 0 &&
                bench.window.com232.InBufferCount() < configurator::kFrameLength);
    QVERIFY(!bench.detected());
    QCOMPARE(bench.currentValues(), kNineNotAvailable);
    QVERIFY(!bench.window.tmrConnection.isActive());

    // The first frame may be read together with what was left over; the next one starts a text.
    bench.unit.startSending(100);
    QTRY_VERIFY(bench.detected());
    QCOMPARE(bench.currentValues(), kDefaultFrameValues);

    QVERIFY2(watcher.mostBuffered <= platform::SerialControl::kInBufferSize,
             qPrintable(QStringLiteral("%1 characters buffered").arg(watcher.mostBuffered)));
    QVERIFY2(recorder.errors().isEmpty(), qPrintable(recorder.describe()));
}

void HardeningTest::floodAtFullSpeed() {
    ErrorRecorder recorder;
    ConnectedWindow bench;
    WatchdogClock watchdog(bench.window);

    // Warm up: a frame shown and an expiry, so that every caption has been drawn once.
    QVERIFY(bench.showFrame());
    QTRY_VERIFY_WITH_TIMEOUT(!bench.detected(), 4000);
    QCOMPARE(watchdog.expiries().size(), 1);
    QTest::qWait(100);
    const qint64 heapBefore = liveHeapBytes();
    const qint64 residentBefore = residentBytes();

    // A timer of the test's own: how far apart its ticks come while the line floods.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    qint64 widestGap = 0;
    int ticks = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        widestGap = std::max(widestGap, now - lastTick);
        lastTick = now;
        ++ticks;
    });

    QVERIFY(bench.showFrame());
    const double lastFrame = watchdog.lastHandled();
    Watcher watcher(bench.window.com232);
    lastTick = clock.elapsed();
    ticker.start(20);
    Flooder flooder(bench.unit.line().masterDescriptor());

    // A second into the flood the panels are still enabled: a key press still moves a chooser.
    QTest::qWait(1000);
    QCoreApplication::postEvent(bench.window.cmbNew.Item(0),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
    QTRY_COMPARE(bench.window.cmbNew.Item(0)->currentIndex(), 1);

    // The garbage restarts nothing: the watchdog runs out 3 s after the last frame.
    QTRY_VERIFY_WITH_TIMEOUT(watchdog.expiries().size() > 1, 6000);
    const double expiredAfter = watchdog.expiries().back() - lastFrame;
    QVERIFY(!bench.detected());
    QTest::qWait(1000);
    const qint64 residentDuring = residentBytes();
    QTest::qWait(1000);
    flooder.stop();
    ticker.stop();
    const qint64 residentAfter = residentBytes();

    qInfo("flood: %lld bytes in %.1f s; ticks %d, widest gap %lld ms; expiry %.1f ms after the "
          "last frame; at most %lld characters buffered; live heap %+lld KiB at most, resident "
          "%+lld KiB (%+lld KiB over the last second)",
          flooder.sent(), (watchdog.now() - lastFrame) / 1000.0, ticks, widestGap, expiredAfter,
          watcher.mostBuffered, (watcher.mostHeap - heapBefore) / 1024,
          (residentAfter - residentBefore) / 1024, (residentAfter - residentDuring) / 1024);

    QVERIFY2(flooder.sent() > 100 * platform::SerialControl::kInBufferSize,
             "the flood never got going");
    QVERIFY2(watcher.mostBuffered <= platform::SerialControl::kInBufferSize,
             qPrintable(QStringLiteral("%1 characters buffered").arg(watcher.mostBuffered)));
    // Generous bounds: they tell a starved event loop from a busy one, not fast from slow.
    QVERIFY2(widestGap < 1000, qPrintable(QStringLiteral("ticks %1 ms apart").arg(widestGap)));
    QVERIFY2(
        expiredAfter >= configurator::kWatchdogIntervalMs && expiredAfter < 4500,
        qPrintable(
            QStringLiteral("expired %1 ms after the last frame").arg(expiredAfter, 0, 'f', 3)));
    QCOMPARE(watchdog.expiries().size(), 2);
    // The flood passes hundreds of megabytes through the control; none of it may pile up.
    QVERIFY2(watcher.mostHeap - heapBefore < 8 * 1024 * 1024,
             qPrintable(QStringLiteral("live heap grew by %1 KiB")
                            .arg((watcher.mostHeap - heapBefore) / 1024)));

    // After the flood the unit's frames are shown again.
    bench.unit.startSending(100);
    QTRY_VERIFY(bench.detected());
    QCOMPARE(bench.currentValues(), kDefaultFrameValues);
    QVERIFY2(recorder.errors().isEmpty(), qPrintable(recorder.describe()));
}

void HardeningTest::hangUpWhileDetected() {
    ErrorRecorder recorder;
    ConnectedWindow bench;
    WatchdogClock watchdog(bench.window);

    QVERIFY(bench.showFrame());
    const double lastFrame = watchdog.lastHandled();
    bench.unit.hangUp();
    QTRY_COMPARE(bench.window.com232.CommEvent(), platform::kCommEventLost);
    QVERIFY(bench.detected());

    // Waiting on a dead line must not spin.
    double before = processorSeconds();
    QTest::qWait(1000);
    const double whileDetected = processorSeconds() - before;

    QTRY_VERIFY_WITH_TIMEOUT(!watchdog.expiries().isEmpty(), 4000);
    const double expiredAfter = watchdog.expiries().front() - lastFrame;
    QVERIFY(!bench.detected());
    QCOMPARE(bench.currentValues(), kNineNotAvailable);

    before = processorSeconds();
    QTest::qWait(1000);
    const double afterExpiry = processorSeconds() - before;
    qInfo("hang-up: processor %.3f s over a second while detected, %.3f s after the expiry; "
          "expiry %.1f ms after the last frame",
          whileDetected, afterExpiry, expiredAfter);
    QVERIFY2(whileDetected < 0.25 && afterExpiry < 0.25, "the window keeps the processor busy");
    QVERIFY2(
        expiredAfter >= configurator::kWatchdogIntervalMs && expiredAfter < 4500,
        qPrintable(
            QStringLiteral("expired %1 ms after the last frame").arg(expiredAfter, 0, 'f', 3)));
    QCOMPARE(watchdog.expiries().size(), 1);

    // The window closes as usual, and quickly: nothing is left to send on the dead line.
    QElapsedTimer closing;
    closing.start();
    QVERIFY(bench.window.close());
    QVERIFY(closing.elapsed() < 1000);
    QVERIFY(!bench.window.com232.PortOpen());
    QVERIFY(!platform::programEnded());
    QVERIFY2(recorder.errors().isEmpty(), qPrintable(recorder.describe()));
}

void HardeningTest::thousandClicksPutAThousandFrames() {
    constexpr int kClicks = 1000;
    ErrorRecorder recorder;
    ConnectedWindow bench; // reports "421310001"
    QList<QByteArray> frames;
    connect(&bench.unit, &FakeUnit::frameWritten,
            [&](const QByteArray& frame) { frames << frame; });
    bench.unit.startSending(500);
    QTRY_VERIFY(bench.detected());

    QByteArray expected;
    for (int click = 0; click < kClicks; ++click) {
        // Port A's speed and parity change from click to click, so each frame tells its place.
        const int speed = click % 5;
        const int parity = (click / 5) % 3;
        bench.window.cmbNew.Item(0)->setCurrentIndex(speed + 1);
        bench.window.cmbNew.Item(1)->setCurrentIndex(parity + 1);
        expected += '$' + QByteArray::number(speed) + QByteArray::number(parity) + "1311001$";
        QTest::mouseClick(bench.window.cmdProgram, Qt::LeftButton);
        // A person's next click comes after the event loop has had its turn.
        QCoreApplication::processEvents();
    }

    QVERIFY(bench.unit.waitForWritten(expected.size(), 5000));
    QCOMPARE(bench.unit.line().receiveFor(200), QByteArray());
    QVERIFY2(recorder.errors().isEmpty(), qPrintable(recorder.describe()));
    QCOMPARE(bench.unit.written().size(), expected.size());
    QCOMPARE(frames.size(), kClicks);
    for (int click = 0; click < kClicks; ++click)
        QCOMPARE(frames[click], expected.mid(click * 11, 11));
}

void HardeningTest::fullLineRefusesWholeWrites() {
    // A far side that stops reading: once the line holds all it can, what does not fit waits in
    // the transmit buffer, and a write that would overfill it is refused whole. The port stays
    // open, and when the far side reads again every frame that was taken comes out whole.
    ErrorRecorder recorder;
    PseudoTerminal line;
    configurator::frmMain window(platform::portMapFromList({line.devicePath()}));
    window.load();
    window.show();
    const QByteArray frame = "$421310001$";
    QTimer keepDetected;
    connect(&keepDetected, &QTimer::timeout, [&] { line.send(frame); });
    keepDetected.start(500);
    line.send(frame);
    QTRY_COMPARE(window.txtStatus->text(), configurator::kUnitDetected);

    int clicks = 0;
    while (recorder.errors().isEmpty() && clicks < 20000) {
        QTest::mouseClick(window.cmdProgram, Qt::LeftButton);
        ++clicks;
        QCoreApplication::processEvents();
    }
    qInfo("full line: the write of click %d failed", clicks);
    QVERIFY(!recorder.errors().isEmpty());
    QCOMPARE(recorder.errors().front().number(), platform::comm_error::TransmitBufferFull);
    QVERIFY(window.com232.PortOpen());

    const qsizetype taken = (clicks - 1) * configurator::kFrameLength;
    const QByteArray written = line.receive(taken, 10000);
    QCOMPARE(written.size(), taken);
    QCOMPARE(line.receiveFor(200), QByteArray());
    for (qsizetype at = 0; at < taken; at += configurator::kFrameLength)
        QCOMPARE(written.mid(at, configurator::kFrameLength), QByteArray("$421311001$"));
    QCOMPARE(recorder.errors().size(), 1);
}

QTEST_MAIN(HardeningTest)
#include "tst_hardening.moc"
