// Reads of the device that fail for a moment, as they do on a real line when a second reader of
// the same device takes the characters first, or a signal cuts a read short: reception goes on.
#include "connected_window.h"
#include "error_recorder.h"
#include "forked_child.h"
#include "read_failure.h"

#include <QTest>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A second process that reads the program's side of the line for as long as it runs, taking
// whatever it can before the program does.
class SecondReader {
public:
    explicit SecondReader(int descriptor)
        : child_([descriptor] {
            ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) | O_NONBLOCK);
            char buffer[64];
            for (;;) {
                pollfd waiting{descriptor, POLLIN, 0};
                if (::poll(&waiting, 1, 100) > 0)
                    (void)!::read(descriptor, buffer, 1);
            }
        }) {}
    bool running() const { return child_.running(); }
    void stop() { child_.stop(); }

private:
    ForkedChild child_;
};

} // namespace

class ReadFailureTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { failNextReads("", 0, 0); }
    void failedReadDoesNotStopReception_data();
    void failedReadDoesNotStopReception();
    void secondReaderOfTheLine();
};

void ReadFailureTest::failedReadDoesNotStopReception_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("failures");
    QTest::addColumn<Delivery>("delivery");

    QTest::newRow("EAGAIN, whole frames") << EAGAIN << 1 << Delivery::Whole;
    QTest::newRow("EAGAIN, at line pace") << EAGAIN << 1 << Delivery::LinePace;
    QTest::newRow("EAGAIN three times, in USB bursts") << EAGAIN << 3 << Delivery::UsbBursts;
    QTest::newRow("EINTR, whole frames") << EINTR << 1 << Delivery::Whole;
}

void ReadFailureTest::failedReadDoesNotStopReception() {
    QFETCH(int, error);
    QFETCH(int, failures);
    QFETCH(Delivery, delivery);

    ErrorRecorder recorder;
    ConnectedWindow bench("000000000");
    bench.unit.setDelivery(delivery);
    QVERIFY(bench.showFrame());

    failNextReads(qPrintable(bench.unit.devicePath()), error, failures);
    bench.unit.setSettings("421310001");
    bench.unit.sendFrame();
    QTRY_COMPARE(readFailuresLeft(), 0);
    QTRY_COMPARE(bench.window.lblCurrent.Item(0)->text(), QStringLiteral("115200"));

    // And on it goes: the next frames are read as they come, and nothing is left on the line.
    bench.unit.setSettings("111111111");
    bench.unit.sendFrame();
    QTRY_COMPARE(bench.window.lblCurrent.Item(0)->text(), QStringLiteral("19200"));
    QVERIFY(bench.unit.waitDelivered());
    QTRY_COMPARE(bench.unit.line().unreadByProgram(), 0);
    QVERIFY(bench.detected());
    QVERIFY2(recorder.errors().isEmpty(), qPrintable(recorder.describe()));
}

void ReadFailureTest::secondReaderOfTheLine() {
    ErrorRecorder recorder;
    ConnectedWindow bench("000000000");
    QVERIFY(bench.showFrame());

    // For two seconds a second process takes characters from under the program's reads while the
    // unit sends fast; whatever that does to the frames, the program must still listen after.
    {
        SecondReader reader(bench.unit.line().slaveDescriptor());
        QVERIFY(reader.running());
        bench.unit.startSending(5);
        QTest::qWait(2000);
        bench.unit.stopSending();
        reader.stop();
    }
    // Only the last of three frames shows 115200, so once it shows, every byte sent was read.
    for (const char* settings : {"111111111", "111111111", "421310001"}) {
        QTest::qWait(2 * platform::SerialControl::kFragmentIdleMs);
        bench.unit.setSettings(settings);
        bench.unit.sendFrame();
    }
    QTRY_COMPARE(bench.window.lblCurrent.Item(0)->text(), QStringLiteral("115200"));
    QCOMPARE(bench.unit.line().unreadByProgram(), 0);
    QVERIFY2(recorder.errors().isEmpty(), qPrintable(recorder.describe()));
}

QTEST_MAIN(ReadFailureTest)
#include "tst_read_failure.moc"
