// The link watchdog in real time: one expiry per silence, never sooner than 3000 ms after the
// last accepted text, and untouched by anything but accepted texts.
#include "connected_window.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

namespace {

// A connected window whose watchdog expiries are counted and timed on a monotonic clock.
struct WatchedWindow : ConnectedWindow {
    QSignalSpy expiries{&window.tmrConnection, &QTimer::timeout};
    QElapsedTimer clock;

    explicit WatchedWindow(QByteArray settings = "421310001")
        : ConnectedWindow(std::move(settings)) {
        clock.start();
    }

    // Sends the unit's frame and returns the time just before it went out.
    qint64 sendFrameAt() {
        const qint64 sent = clock.elapsed();
        unit.sendFrame();
        return sent;
    }

    // Waits for the next expiry and returns its time, or -1 when none came in time.
    qint64 waitForExpiry(int timeoutMs) {
        const qsizetype before = expiries.count();
        if (!QTest::qWaitFor([&] { return expiries.count() > before; }, timeoutMs))
            return -1;
        return clock.elapsed();
    }
};

} // namespace

class WatchdogTest : public QObject {
    Q_OBJECT

private slots:
    void oneFrameThenSilenceGivesOneExpiry();
    void framesLessThanThreeSecondsApartKeepDetected();
    void lateFrameMovesTheExpiry();
    void rejectedTextsAndWritesDoNotMoveTheExpiry();
    void rejectedTextsAloneNeverStartIt();
    void nextFrameAfterAnExpiryBringsEverythingBack();
};

void WatchdogTest::oneFrameThenSilenceGivesOneExpiry() {
    WatchedWindow bench;

    const qint64 sent = bench.sendFrameAt();
    QTRY_VERIFY(bench.detected());
    const qint64 expired = bench.waitForExpiry(4000);
    QVERIFY(expired >= 0);
    QVERIFY2(expired - sent >= 3000,
             qPrintable(QStringLiteral("expired after %1 ms").arg(expired - sent)));
    QVERIFY(!bench.detected());
    QCOMPARE(bench.currentValues(), QStringList(9, QStringLiteral("N/A")));
    QVERIFY(!bench.window.cmdProgram->isEnabled());
    QVERIFY(!bench.window.tmrConnection.isActive());

    // The silence goes on: no further expiry. The port, caption and choosers stay as they were.
    QTest::qWait(3500);
    QCOMPARE(bench.expiries.count(), 1);
    QVERIFY(bench.window.com232.portOpen());
    QVERIFY(bench.window.windowTitle().endsWith(QStringLiteral("comm 1")));
    QCOMPARE(bench.window.cmbNew.Item(0)->currentIndex(), 0);
}

void WatchdogTest::framesLessThanThreeSecondsApartKeepDetected() {
    WatchedWindow bench;
    bench.unit.startSending(2000);
    QTest::qWait(7000);
    QCOMPARE(bench.expiries.count(), 0);
    QVERIFY(bench.detected());
}

void WatchdogTest::lateFrameMovesTheExpiry() {
    WatchedWindow bench;

    bench.sendFrameAt();
    QTest::qWait(2800);
    QCOMPARE(bench.expiries.count(), 0);
    const qint64 last = bench.sendFrameAt();
    const qint64 expired = bench.waitForExpiry(4000);
    QVERIFY(expired >= 0);
    QVERIFY(expired - last >= 3000);
}

void WatchdogTest::rejectedTextsAndWritesDoNotMoveTheExpiry() {
    WatchedWindow bench;

    const qint64 sent = bench.sendFrameAt();
    QTRY_VERIFY(bench.detected());
    for (int round = 0; round < 4; ++round) {
        QTest::qWait(500);
        bench.unit.send("1$421310001$");
        bench.window.cmdProgram->click();
    }
    const qint64 expired = bench.waitForExpiry(3000);
    QVERIFY(expired >= 0);
    // Restarted by any of them, the count would have run on to at least 5000 ms.
    QVERIFY2(expired - sent >= 3000 && expired - sent < 4500,
             qPrintable(QStringLiteral("expired after %1 ms").arg(expired - sent)));
    QVERIFY(bench.unit.waitForWritten(4 * 11));
}

void WatchdogTest::rejectedTextsAloneNeverStartIt() {
    WatchedWindow bench;
    for (int round = 0; round < 7; ++round)
        bench.sendAndSettle("x421310001$", 500);
    QVERIFY(!bench.window.tmrConnection.isActive());
    QCOMPARE(bench.expiries.count(), 0);
    QCOMPARE(bench.window.txtStatus->text(), configurator::kUnitNotDetected);
}

void WatchdogTest::nextFrameAfterAnExpiryBringsEverythingBack() {
    WatchedWindow bench("000000000");
    bench.sendFrameAt();
    QVERIFY(bench.waitForExpiry(4000) >= 0);

    bench.unit.setSettings("421310001");
    const qint64 sent = bench.sendFrameAt();
    QTRY_VERIFY(bench.detected());
    QCOMPARE(bench.currentValues(),
             (QStringList{"115200", "Odd", "8", "57600", "Even", "7", "9600", "None", "8"}));
    QVERIFY(bench.window.frmPortA->isEnabled());
    QVERIFY(bench.window.tmrConnection.isActive());
    const qint64 expired = bench.waitForExpiry(4000);
    QVERIFY(expired - sent >= 3000);
    QCOMPARE(bench.expiries.count(), 2);
}

QTEST_MAIN(WatchdogTest)
#include "tst_watchdog.moc"
