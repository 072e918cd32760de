// What each received text does to the window: frames shown slot by slot, rejected texts dropped
// whole, other serial events ignored.
#include "connected_window.h"
#include "expected_display.h"
#include "unit_link.h"

#include <QSignalSpy>
#include <QTest>

namespace {

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
    void nonReceiveEventLeavesCharactersUnread();
    void framesSentDuringStartUpWaitForIt();
};

void ReceiveDisplayTest::acceptedTextShowsItsValues_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("values");

    QTest::newRow("highest codes")
        << QByteArray("$421421421$")
        << QStringList{"115200", "Odd", "8", "115200", "Odd", "8", "115200", "Odd", "8"};
    QTest::newRow("lowest codes") << QByteArray("$000000000$")
                                  << QStringList{"9600", "None", "7",    "9600", "None",
                                                 "7",    "9600", "None", "7"};
    QTest::newRow("mixed") << QByteArray("$421310001$") << kDefaultFrameValues;
    QTest::newRow("eleven marks") << QByteArray(11, '$') << QStringList(9, QStringLiteral("Error"));
    QTest::newRow("two frames: the first counts")
        << QByteArray("$111111111$$000000000$")
        << QStringList{"19200", "Even", "8", "19200", "Even", "8", "19200", "Even", "8"};
    QTest::newRow("a frame and a tail")
        << QByteArray("$201201201$garbage\x00\xff", 20)
        << QStringList{"38400", "None", "8", "38400", "None", "8", "38400", "None", "8"};
}

void ReceiveDisplayTest::acceptedTextShowsItsValues() {
    QFETCH(QByteArray, text);
    QFETCH(QStringList, values);

    ConnectedWindow bench;
    QCOMPARE(bench.currentValues(), kNineNotAvailable);
    QVERIFY(!bench.window.tmrConnection.isActive());

    bench.unit.send(text);
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
    // Too short to raise a receive event: it waits, and nothing changes.
    bench.unit.send("$42131");
    QTRY_COMPARE(bench.window.com232.InBufferCount(), qint64(6));
    QCOMPARE(bench.handledEvents, 0);
    QCOMPARE(bench.currentValues(), kNineNotAvailable);

    // The next frame is read together with it, so the text starts "$42131$4213…" and is dropped.
    QVERIFY(bench.sendAndHandle("$421310001$"));
    QVERIFY(!bench.detected());
    QCOMPARE(bench.window.com232.InBufferCount(), qint64(0));

    QVERIFY(bench.showFrame());
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
