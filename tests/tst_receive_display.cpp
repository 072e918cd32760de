// What each received text does to the window: frames shown slot by slot, rejected texts dropped
// whole, other serial events ignored.
#include "connected_window.h"
#include "expected_display.h"
#include "unit_link.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace {

// Every way the fake line delivers bytes, as a data column of the row names given.
void addDeliveryRows(const char* name, const std::function<void(QTestData&)>& rest) {
    const std::pair<const char*, Delivery> deliveries[] = {
        {"whole", Delivery::Whole},
        {"line pace", Delivery::LinePace},
        {"USB bursts", Delivery::UsbBursts},
    };
    for (const auto& [label, delivery] : deliveries) {
        QTestData& row = QTest::addRow("%s, %s", name, label);
        row << delivery;
        rest(row);
    }
}

// A frame whose slots are all "0" but one, which carries `character`.
QByteArray frameWith(int slot, char character) {
    QByteArray frame = "$000000000$";
    frame[slot + 1] = character;
    return frame;
}

// Each current value sizes itself to what it shows, its left edge staying where it is.
void verifySizedToTheirCaptions(const configurator::frmMain& window) {
    for (std::int16_t slot = 0; slot < configurator::kSlotCount; ++slot) {
        const QLabel* label = window.lblCurrent.Item(slot);
        QVERIFY2(kCaptionWidths.contains(label->text()), qPrintable(label->text()));
        QCOMPARE(label->width(), kCaptionWidths.value(label->text()));
        QCOMPARE(label->x(), 75);
    }
}

} // namespace

class ReceiveDisplayTest : public QObject {
    Q_OBJECT

private slots:
    void acceptedTextShowsItsValues_data();
    void acceptedTextShowsItsValues();
    void digitBounds_data();
    void digitBounds();
    void oneBadSlotReadsError_data();
    void oneBadSlotReadsError();
    void rejectedTextChangesNothing_data();
    void rejectedTextChangesNothing();
    void repeatedFrameWritesEveryCaptionAgain_data();
    void repeatedFrameWritesEveryCaptionAgain();
    void nothingCarriesOverToTheNextText();
    void shortTextIsLostWithTheFrameAfterIt();
    void fragmentGoesOnceTheLineIsQuiet_data();
    void fragmentGoesOnceTheLineIsQuiet();
    void nonReceiveEventLeavesCharactersUnread();
    void framesSentDuringStartUpWaitForIt();
};

void ReceiveDisplayTest::acceptedTextShowsItsValues_data() {
    QTest::addColumn<Delivery>("delivery");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("values");

    const auto rows = [](const char* name, const QByteArray& text, const QStringList& values) {
        addDeliveryRows(name, [&](QTestData& row) { row << text << values; });
    };
    rows("highest codes", "$421421421$",
         {"115200", "Odd", "8", "115200", "Odd", "8", "115200", "Odd", "8"});
    rows("lowest codes", "$000000000$",
         {"9600", "None", "7", "9600", "None", "7", "9600", "None", "7"});
    rows("mixed", "$421310001$", kDefaultFrameValues);
    rows("eleven marks", QByteArray(11, '$'), QStringList(9, QStringLiteral("Error")));
    // Read together, only the first counts. (At line pace each is read as it comes, as long as
    // the program keeps up: which one shows last is up to the machine's load.)
    QTest::newRow("two frames: the first counts, whole")
        << Delivery::Whole << QByteArray("$111111111$$000000000$")
        << QStringList{"19200", "Even", "8", "19200", "Even", "8", "19200", "Even", "8"};
    rows("a frame and a tail", QByteArray("$201201201$garbage\x00\xff", 20),
         {"38400", "None", "8", "38400", "None", "8", "38400", "None", "8"});
}

void ReceiveDisplayTest::acceptedTextShowsItsValues() {
    QFETCH(Delivery, delivery);
    QFETCH(QByteArray, text);
    QFETCH(QStringList, values);

    ConnectedWindow bench;
    QCOMPARE(bench.currentValues(), kNineNotAvailable);
    QVERIFY(!bench.window.tmrConnection.isActive());

    bench.unit.setDelivery(delivery);
    bench.unit.deliver(text);
    QTRY_VERIFY(bench.detected());
    QCOMPARE(bench.currentValues(), values);
    QCOMPARE(bench.window.txtStatus->palette().color(QPalette::Text), QColor(0, 255, 0));
    QVERIFY(bench.window.cmdProgram->isEnabled());
    QVERIFY(bench.window.frmPortC->isEnabled());
    QVERIFY(bench.window.tmrConnection.isActive());
    verifySizedToTheirCaptions(bench.window);
}

void ReceiveDisplayTest::digitBounds_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<char>("digit");
    QTest::addColumn<QString>("shown");

    for (const int slot : {0, 3, 6}) {
        QTest::addRow("speed slot %d, 4", slot) << slot << '4' << "115200";
        for (const char digit : {'5', '9'})
            QTest::addRow("speed slot %d, %c", slot, digit) << slot << digit << "Error";
    }
    for (const int slot : {1, 4, 7}) {
        QTest::addRow("parity slot %d, 2", slot) << slot << '2' << "Odd";
        for (const char digit : {'3', '9'})
            QTest::addRow("parity slot %d, %c", slot, digit) << slot << digit << "Error";
    }
    for (const int slot : {2, 5, 8}) {
        QTest::addRow("data-bits slot %d, 1", slot) << slot << '1' << "8";
        for (const char digit : {'2', '9'})
            QTest::addRow("data-bits slot %d, %c", slot, digit) << slot << digit << "Error";
    }
}

void ReceiveDisplayTest::digitBounds() {
    QFETCH(int, slot);
    QFETCH(char, digit);
    QFETCH(QString, shown);

    ConnectedWindow bench;
    bench.unit.send(frameWith(slot, digit));
    QTRY_VERIFY(bench.detected());
    QCOMPARE(bench.window.lblCurrent.Item(std::int16_t(slot))->text(), shown);
}

void ReceiveDisplayTest::oneBadSlotReadsError_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<char>("character");

    QTest::newRow("a letter") << 3 << 'A';
    QTest::newRow("a blank") << 5 << ' ';
    QTest::newRow("a mark") << 7 << '$';
    QTest::newRow("just below 0") << 0 << '/';
    QTest::newRow("just above 9") << 1 << ':';
    QTest::newRow("NUL") << 2 << '\0';
    // Latin-1 superscript two: a digit to Unicode, but not one of "0" to "9".
    QTest::newRow("superscript two") << 4 << '\xb2';
    QTest::newRow("byte 255") << 8 << '\xff';
}

void ReceiveDisplayTest::oneBadSlotReadsError() {
    QFETCH(int, slot);
    QFETCH(char, character);

    ConnectedWindow bench;
    bench.unit.send(frameWith(slot, character));
    QTRY_VERIFY(bench.detected());
    const QStringList lowest{"9600", "None", "7", "9600", "None", "7", "9600", "None", "7"};
    QStringList expected = lowest;
    expected[slot] = QStringLiteral("Error");
    QCOMPARE(bench.currentValues(), expected);
    QVERIFY(bench.window.tmrConnection.isActive());
}

void ReceiveDisplayTest::rejectedTextChangesNothing_data() {
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("a digit first") << QByteArray("1$421310001$");
    QTest::newRow("a closing mark, then a frame") << QByteArray("$$421310001$");
    QTest::newRow("no closing mark") << QByteArray("$4213100012");
    QTest::newRow("garbage") << QByteArray("\x00\x80\xff garbage text", 16);
}

void ReceiveDisplayTest::rejectedTextChangesNothing() {
    QFETCH(QByteArray, text);

    // Not detected: a rejected text does not bring the detected state, nor start the watchdog.
    {
        ConnectedWindow bench;
        QVERIFY(bench.sendAndHandle(text));
        QVERIFY(!bench.detected());
        QCOMPARE(bench.currentValues(), kNineNotAvailable);
        QVERIFY(!bench.window.tmrConnection.isActive());
        QCOMPARE(bench.window.com232.InBufferCount(), qint64(0));
    }
    // Detected: the values stand and the watchdog's count goes on.
    {
        ConnectedWindow bench;
        QVERIFY(bench.showFrame());
        const QStringList shown = bench.currentValues();
        QTest::qWait(200);
        const int remaining = bench.window.tmrConnection.remainingTime();
        QVERIFY(bench.sendAndHandle(text));
        QVERIFY(bench.detected());
        QCOMPARE(bench.currentValues(), shown);
        // Restarted, it would have a full count ahead of it again.
        QVERIFY(bench.window.tmrConnection.remainingTime() <= remaining);
    }
}

void ReceiveDisplayTest::repeatedFrameWritesEveryCaptionAgain_data() {
    QTest::addColumn<bool>("marked");
    QTest::newRow("captions marked in between") << true;
    QTest::newRow("not detected in between") << false;
}

void ReceiveDisplayTest::repeatedFrameWritesEveryCaptionAgain() {
    QFETCH(bool, marked);

    ConnectedWindow bench;
    QVERIFY(bench.showFrame());
    QCOMPARE(bench.currentValues(), kDefaultFrameValues);

    // Whatever stands in the captions, the same frame again writes all nine.
    if (marked) {
        for (std::int16_t slot = 0; slot < configurator::kSlotCount; ++slot)
            bench.window.lblCurrent.Item(slot)->setCaption(QStringLiteral("N/A"));
        bench.window.lblCurrent.Item(4)->setCaption(QStringLiteral("Error"));
    } else {
        bench.window.SetUnitDetected(false);
    }
    QVERIFY(bench.showFrame());
    QCOMPARE(bench.currentValues(), kDefaultFrameValues);
    verifySizedToTheirCaptions(bench.window);
}

void ReceiveDisplayTest::nothingCarriesOverToTheNextText() {
    ConnectedWindow bench;
    QVERIFY(bench.showFrame());
    // Two frames come in one read: the second is lost with the rest of that text.
    QVERIFY(bench.sendAndHandle("$111111111$$000000000$"));
    QCOMPARE(bench.window.lblCurrent.Item(0)->text(), QStringLiteral("19200"));
    // A text that starts inside a frame is dropped whole, and leaves nothing behind.
    QVERIFY(bench.sendAndHandle("21310001$$000000000$"));
    QCOMPARE(bench.window.lblCurrent.Item(0)->text(), QStringLiteral("19200"));
    QCOMPARE(bench.window.com232.InBufferCount(), qint64(0));
    QVERIFY(bench.sendAndHandle("$000000000$"));
    QCOMPARE(bench.window.lblCurrent.Item(0)->text(), QStringLiteral("9600"));
}

void ReceiveDisplayTest::shortTextIsLostWithTheFrameAfterIt() {
    ConnectedWindow bench;
    // Too short to raise a receive event, and the frame follows it on a busy line: they are read
    // together, so the text starts "$42131$4213…" and is dropped.
    bench.unit.setDelivery(Delivery::LinePace);
    bench.unit.deliver("$42131$421310001$");
    QVERIFY(bench.unit.waitDelivered());
    QVERIFY2(bench.unit.widestGapMs() < platform::SerialControl::kFragmentIdleMs,
             "the line pace was not kept");
    QTRY_VERIFY(bench.handledEvents == 1 && bench.unit.line().unreadByProgram() == 0 &&
                bench.window.com232.InBufferCount() == 0);
    QVERIFY(!bench.detected());
    QCOMPARE(bench.currentValues(), kNineNotAvailable);

    QVERIFY(bench.showFrame());
}

void ReceiveDisplayTest::fragmentGoesOnceTheLineIsQuiet_data() {
    QTest::addColumn<Delivery>("delivery");
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<bool>("detectedBefore");
    QTest::addColumn<bool>("withTheFrame");

    const QByteArray tail = QByteArray("$000000000$").right(6);
    const auto rows = [](const char* name, const QByteArray& fault, bool detected, bool with) {
        addDeliveryRows(name, [&](QTestData& row) { row << fault << detected << with; });
    };
    rows("a stray byte between frames", FakeUnit::strayByte(), true, false);
    rows("a stray byte right before a frame", FakeUnit::strayByte(), true, true);
    rows("the port opened in the middle of a frame", tail, false, false);
    rows("the middle of a frame, then a frame at once", tail, false, true);
}

void ReceiveDisplayTest::fragmentGoesOnceTheLineIsQuiet() {
    QFETCH(Delivery, delivery);
    QFETCH(QByteArray, fault);
    QFETCH(bool, detectedBefore);
    QFETCH(bool, withTheFrame);

    ConnectedWindow bench("000000000");
    bench.unit.setDelivery(delivery);
    if (detectedBefore) {
        QVERIFY(bench.showFrame());
        QTest::qWait(200);
    }
    const QStringList shown = bench.currentValues();
    const int remaining = bench.window.tmrConnection.remainingTime();

    // The fault, alone or with the next frame at once: whatever waits after it is a fragment.
    bench.unit.setSettings("421310001");
    bench.unit.deliver(withTheFrame ? fault + bench.unit.frame() : fault);
    QVERIFY(bench.unit.waitDelivered());
    // A fragment cannot go before the line has been quiet for a while.
    QElapsedTimer quiet;
    quiet.start();
    QTRY_VERIFY(quiet.elapsed() > 2 * platform::SerialControl::kFragmentIdleMs &&
                bench.unit.line().unreadByProgram() == 0 &&
                bench.window.com232.InBufferCount() == 0);
    // Dropped without a trace: nothing in the window changed, the watchdog was not restarted.
    QCOMPARE(bench.currentValues(), shown);
    QCOMPARE(bench.detected(), detectedBefore);
    QCOMPARE(bench.window.tmrConnection.isActive(), detectedBefore);
    if (detectedBefore)
        QVERIFY(bench.window.tmrConnection.remainingTime() < remaining);

    // The unit's next frames, with the pauses that a unit makes between them: the second one at
    // the latest is shown.
    bool shownAgain = bench.currentValues() == kDefaultFrameValues;
    for (int frame = 0; frame < 2 && !shownAgain; ++frame) {
        QTest::qWait(4 * platform::SerialControl::kFragmentIdleMs);
        bench.unit.sendFrame();
        QVERIFY(bench.unit.waitDelivered());
        shownAgain =
            QTest::qWaitFor([&] { return bench.currentValues() == kDefaultFrameValues; }, 500);
    }
    QCOMPARE(bench.currentValues(), kDefaultFrameValues);
    QVERIFY(bench.detected());
    QVERIFY2(bench.unit.widestGapMs() < platform::SerialControl::kFragmentIdleMs,
             "the line pace was not kept");
}

void ReceiveDisplayTest::nonReceiveEventLeavesCharactersUnread() {
    ConnectedWindow bench;
    QVERIFY(bench.showFrame());
    const QStringList shown = bench.currentValues();
    bench.unit.send("12345");
    QTRY_COMPARE(bench.window.com232.InBufferCount(), qint64(5));

    // The far side hangs up: the control raises an event that is not the receive event.
    QSignalSpy events(&bench.window.com232, &platform::SerialControl::OnComm);
    bench.unit.hangUp();
    QTRY_COMPARE(events.count(), 1);
    QCOMPARE(bench.window.com232.CommEvent(), platform::kCommEventLost);
    QTest::qWait(50);
    QCOMPARE(bench.window.com232.InBufferCount(), qint64(5));
    QVERIFY(bench.detected());
    QCOMPARE(bench.currentValues(), shown);
}

void ReceiveDisplayTest::framesSentDuringStartUpWaitForIt() {
    FakeUnit unit;
    configurator::frmMain window(platform::portMapFromList({unit.devicePath()}));
    window.load();
    // The frame reaches the open port before the event loop has run once.
    unit.sendFrame();
    QCOMPARE(window.txtStatus->text(), configurator::kUnitNotDetected);
    QCOMPARE(currentValuesOf(window), kNineNotAvailable);
    QCOMPARE(window.cmbNew.Item(0)->currentIndex(), 0);

    // That one frame is shown once the window is up.
    window.show();
    QTRY_COMPARE(window.txtStatus->text(), configurator::kUnitDetected);
    QCOMPARE(window.lblCurrent.Item(0)->text(), QStringLiteral("115200"));
}

QTEST_MAIN(ReceiveDisplayTest)
#include "tst_receive_display.moc"
