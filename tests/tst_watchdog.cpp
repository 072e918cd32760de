// The link watchdog in real time: one expiry per silence, never sooner than 3000 ms after the
// last accepted text, and untouched by anything but accepted texts.
#include "connected_window.h"
#include "expected_display.h"
#include "watchdog_clock.h"

#include <QTest>

#include <utility>

namespace {

// A connected window whose watchdog is timed.
struct WatchedWindow : ConnectedWindow {
    WatchdogClock watchdog{window};

    explicit WatchedWindow(QByteArray settings = "421310001")
        : ConnectedWindow(std::move(settings)) {}

    // Sends the unit's frame and returns when the window had handled it, and so had restarted
    // the watchdog; -1 when it was not handled in time.
    double sendFrameAt() {
        if (!sendAndHandle(unit.frame()))
            return -1;
        return watchdog.lastHandled();
    }

    // Waits for the next expiry and returns its time, or -1 when none came in time.
    double waitForExpiry(int timeoutMs) {
        const qsizetype before = watchdog.expiries().size();
        if (!QTest::qWaitFor([&] { return watchdog.expiries().size() > before; }, timeoutMs))
            return -1;
        return watchdog.expiries().back();
    }
};

// The ways the fake line delivers bytes, as the data column "delivery".
void addDeliveryColumn() {
    QTest::addColumn<Delivery>("delivery");
    QTest::newRow("whole") << Delivery::Whole;
    QTest::newRow("line pace") << Delivery::LinePace;
    QTest::newRow("USB bursts") << Delivery::UsbBursts;
}

QString after(double from, double to) {
    return QStringLiteral("expired %1 ms after the restart").arg(to - from, 0, 'f', 3);
}

} // namespace

class WatchdogTest : public QObject {
    Q_OBJECT

private slots:
    void oneFrameThenSilenceGivesOneExpiry();
    void framesLessThanThreeSecondsApartKeepDetected();
    void lateFrameMovesTheExpiry_data() { addDeliveryColumn(); }
    void lateFrameMovesTheExpiry();
    void rejectedTextsAndWritesDoNotMoveTheExpiry_data() { addDeliveryColumn(); }
    void rejectedTextsAndWritesDoNotMoveTheExpiry();
    void rejectedTextsAloneNeverStartIt();
    void withoutAnAcceptedTextNothingExpires();
    void nextFrameAfterAnExpiryBringsEverythingBack();
};

void WatchdogTest::oneFrameThenSilenceGivesOneExpiry() {
    WatchedWindow bench;

    const double restarted = bench.sendFrameAt();
    QVERIFY(restarted >= 0);
    QVERIFY(bench.detected());
    const double expired = bench.waitForExpiry(4000);
    QVERIFY(expired >= 0);
    QVERIFY2(expired - restarted >= 3000, qPrintable(after(restarted, expired)));
    QVERIFY(!bench.detected());
    QCOMPARE(bench.currentValues(), kNineNotAvailable);
    QVERIFY(!bench.window.cmdProgram->isEnabled());
    QVERIFY(!bench.window.tmrConnection.isActive());

    // The silence goes on: no further expiry. The port, caption and choosers stay as they were.
    QTest::qWait(3500);
    QCOMPARE(bench.watchdog.expiries().size(), 1);
    QVERIFY(bench.window.com232.PortOpen());
    QVERIFY(bench.window.windowTitle().endsWith(QStringLiteral("comm 1")));
    QCOMPARE(bench.window.cmbNew.Item(0)->currentIndex(), 0);
}

void WatchdogTest::framesLessThanThreeSecondsApartKeepDetected() {
    WatchedWindow bench;
    bench.unit.startSending(2000);
    QTest::qWait(7000);
    QCOMPARE(bench.watchdog.expiries().size(), 0);
    QVERIFY(bench.detected());
}

void WatchdogTest::lateFrameMovesTheExpiry() {
    QFETCH(Delivery, delivery);
    WatchedWindow bench;
    bench.unit.setDelivery(delivery);

    const double first = bench.sendFrameAt();
    QVERIFY(first >= 0);
    QTest::qWait(2800);
    QCOMPARE(bench.watchdog.expiries().size(), 0);
    const double last = bench.sendFrameAt();
    QVERIFY(last >= 0);
    const double expired = bench.waitForExpiry(4000);
    QVERIFY(expired >= 0);
    QVERIFY2(expired - last >= 3000, qPrintable(after(last, expired)));
}

void WatchdogTest::rejectedTextsAndWritesDoNotMoveTheExpiry() {
    QFETCH(Delivery, delivery);
    WatchedWindow bench;
    bench.unit.setDelivery(delivery);

    const double restarted = bench.sendFrameAt();
    QVERIFY(restarted >= 0);
    QVERIFY(bench.detected());
    for (int round = 0; round < 4; ++round) {
        QTest::qWait(500);
        QVERIFY(bench.sendAndHandle("1$421310001$"));
        bench.window.cmdProgram->click();
    }
    const double expired = bench.waitForExpiry(3000);
    QVERIFY(expired >= 0);
    // Restarted by any of them, the count would have run on to at least 5000 ms.
    QVERIFY2(expired - restarted >= 3000 && expired - restarted < 4500,
             qPrintable(after(restarted, expired)));
    QVERIFY(bench.unit.waitForWritten(4 * 11));
}

void WatchdogTest::rejectedTextsAloneNeverStartIt() {
    WatchedWindow bench;
    for (int round = 0; round < 7; ++round) {
        QVERIFY(bench.sendAndHandle("x421310001$"));
        QTest::qWait(500);
    }
    QVERIFY(!bench.window.tmrConnection.isActive());
    QCOMPARE(bench.watchdog.expiries().size(), 0);
    QCOMPARE(bench.window.txtStatus->text(), configurator::kUnitNotDetected);
}

void WatchdogTest::withoutAnAcceptedTextNothingExpires() {
    // Side by side, for longer than the watchdog's interval: a window whose search found no
    // port, and one whose port stays silent.
    configurator::frmMain noPort(platform::portMapFromList({}));
    WatchdogClock noPortWatchdog(noPort);
    noPort.start();
    WatchedWindow silent;

    QTest::qWait(3500);
    for (const auto& [window, watchdog] :
         {std::pair(&noPort, &noPortWatchdog), std::pair(&silent.window, &silent.watchdog)}) {
        QCOMPARE(watchdog->expiries().size(), 0);
        QCOMPARE(watchdog->handledEvents(), 0);
        QVERIFY(!window->tmrConnection.isActive());
        QCOMPARE(window->txtStatus->text(), configurator::kUnitNotDetected);
        QCOMPARE(currentValuesOf(*window), kNineNotAvailable);
    }
    QVERIFY(noPort.windowTitle().endsWith(QStringLiteral(" - No Comm Ports Available")));
    QVERIFY(silent.window.windowTitle().endsWith(QStringLiteral(" - Connected via comm 1")));
}

void WatchdogTest::nextFrameAfterAnExpiryBringsEverythingBack() {
    WatchedWindow bench("000000000");
    QVERIFY(bench.sendFrameAt() >= 0);
    QVERIFY(bench.waitForExpiry(4000) >= 0);

    bench.unit.setSettings("421310001");
    const double restarted = bench.sendFrameAt();
    QVERIFY(restarted >= 0);
    QVERIFY(bench.detected());
    QCOMPARE(bench.currentValues(), kDefaultFrameValues);
    QVERIFY(bench.window.frmPortA->isEnabled());
    QVERIFY(bench.window.tmrConnection.isActive());
    const double expired = bench.waitForExpiry(4000);
    QVERIFY(expired >= 0);
    QVERIFY2(expired - restarted >= 3000, qPrintable(after(restarted, expired)));
    QCOMPARE(bench.watchdog.expiries().size(), 2);
}

QTEST_MAIN(WatchdogTest)
#include "tst_watchdog.moc"
