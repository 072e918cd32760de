// "Write to Unit": the frame that one click sends, and what it leaves alone.
#include "connected_window.h"
#include "error_recorder.h"
#include "expected_display.h"
#include "serial_control.h"

#include <QTest>

namespace {

// Chooser entries by slot, -1 for "leave on New Value".
using Choices = QList<int>;

} // namespace

class WriteToUnitTest : public QObject {
    Q_OBJECT

private slots:
    void clickSendsOneFrame_data();
    void clickSendsOneFrame();
    void dataBitsChoosersShowEightAfterAWrite();
    void twoClicksSendTheFrameTwice();
    void chosenValueIsSentAgainWhateverTheUnitReports();
    void writeChangesNothingElse();
    void disabledButtonSendsNothing();
    void wholeRoadThroughTheUnit();
    void writeToAVanishedDeviceIsARunTimeError_data();
    void writeToAVanishedDeviceIsARunTimeError();
    void framesStuckAtTheCloseAreARunTimeError();
};

void WriteToUnitTest::clickSendsOneFrame_data() {
    QTest::addColumn<QByteArray>("reported");
    QTest::addColumn<Choices>("choices");
    QTest::addColumn<QByteArray>("sent");

    const Choices none(9, -1);
    QTest::newRow("first write, all on New Value, port C at 7 bits")
        << QByteArray("001111420") << none << QByteArray("$001111421$");
    Choices portBSpeed = none;
    portBSpeed[3] = 4; // "57600"
    QTest::newRow("a chosen value overrides the current one")
        << QByteArray("001111420") << portBSpeed << QByteArray("$001311421$");
    Choices every = {5, 3, -1, 1, 2, -1, 2, 1, -1};
    QTest::newRow("every speed and parity chosen")
        << QByteArray("000000000") << every << QByteArray("$421011101$");
    QTest::newRow("Error on New Value sends 0")
        << QByteArray("9x1Z2170:") << none << QByteArray("$001021001$");
}

void WriteToUnitTest::clickSendsOneFrame() {
    QFETCH(QByteArray, reported);
    QFETCH(Choices, choices);
    QFETCH(QByteArray, sent);

    ConnectedWindow bench(reported);
    QVERIFY(bench.showFrame());
    for (std::int16_t slot = 0; slot < configurator::kSlotCount; ++slot) {
        if (choices[slot] >= 0)
            bench.window.cmbNew.Item(slot)->setCurrentIndex(choices[slot]);
    }
    QTest::mouseClick(bench.window.cmdProgram, Qt::LeftButton);
    QVERIFY(bench.unit.waitForWritten(11));
    QCOMPARE(bench.unit.line().receiveFor(100), QByteArray());
    QCOMPARE(bench.unit.written(), sent);
}

void WriteToUnitTest::dataBitsChoosersShowEightAfterAWrite() {
    ConnectedWindow bench("001111420");
    QVERIFY(bench.showFrame());
    bench.window.cmdProgram->click();
    for (const std::int16_t slot : {2, 5, 8}) {
        QCOMPARE(bench.window.cmbNew.Item(slot)->currentText(), QStringLiteral("8"));
        QVERIFY(!bench.window.cmbNew.Item(slot)->isEnabled());
    }
    // They keep showing it through a change of state.
    bench.window.SetUnitDetected(false);
    bench.window.SetUnitDetected(true);
    QCOMPARE(bench.window.cmbNew.Item(8)->currentText(), QStringLiteral("8"));
}

void WriteToUnitTest::twoClicksSendTheFrameTwice() {
    ConnectedWindow bench("421310001");
    QVERIFY(bench.showFrame());
    bench.window.cmbNew.Item(1)->setCurrentIndex(1);
    bench.window.cmdProgram->click();
    bench.window.cmdProgram->click();
    QVERIFY(bench.unit.waitForWritten(22));
    QCOMPARE(bench.unit.written(), QByteArray("$401311001$$401311001$"));
}

void WriteToUnitTest::chosenValueIsSentAgainWhateverTheUnitReports() {
    // The unit keeps reporting what it likes and never takes a write; port A's speed and port
    // C's parity stay chosen throughout.
    ConnectedWindow bench("001111420");
    QVERIFY(bench.showFrame());
    bench.window.cmbNew.Item(0)->setCurrentIndex(5); // "115200"
    bench.window.cmbNew.Item(7)->setCurrentIndex(1); // "None"

    const QList<std::pair<QByteArray, QByteArray>> rounds = {
        {"001111420", "$401111401$"},
        {"421310001", "$421311001$"},
        {"9Z1Z1Z2Z2", "$401011201$"},
        {"000000000", "$401001001$"},
    };
    for (const auto& [reported, sent] : rounds) {
        bench.unit.setSettings(reported);
        QVERIFY(bench.showFrame());
        bench.unit.clearWritten();
        bench.window.cmdProgram->click();
        QVERIFY(bench.unit.waitForWritten(11));
        QCOMPARE(bench.unit.written(), sent);
        QCOMPARE(bench.window.cmbNew.Item(0)->currentText(), QStringLiteral("115200"));
        QCOMPARE(bench.window.cmbNew.Item(7)->currentText(), QStringLiteral("None"));
    }
}

void WriteToUnitTest::writeChangesNothingElse() {
    ConnectedWindow bench("421310001");
    QVERIFY(bench.showFrame());
    bench.window.cmbNew.Item(0)->setCurrentIndex(2);
    bench.window.cmbNew.Item(7)->setCurrentIndex(3);
    QTest::qWait(300);
    const QStringList values = bench.currentValues();
    const QString caption = bench.window.windowTitle();
    const int remaining = bench.window.tmrConnection.remainingTime();

    bench.window.cmdProgram->click();
    QVERIFY(bench.unit.waitForWritten(11));
    QCOMPARE(bench.currentValues(), values);
    QVERIFY(bench.detected());
    QVERIFY(bench.window.cmdProgram->isEnabled());
    QVERIFY(bench.window.frmPortB->isEnabled());
    QCOMPARE(bench.window.windowTitle(), caption);
    QCOMPARE(bench.window.cmbNew.Item(0)->currentIndex(), 2);
    QCOMPARE(bench.window.cmbNew.Item(7)->currentIndex(), 3);
    QCOMPARE(bench.window.cmbNew.Item(3)->currentIndex(), 0);
    // The watchdog goes on counting from the last frame.
    QVERIFY(bench.window.tmrConnection.isActive());
    QVERIFY(bench.window.tmrConnection.remainingTime() <= remaining);
}

void WriteToUnitTest::disabledButtonSendsNothing() {
    ConnectedWindow bench;
    QVERIFY(!bench.window.cmdProgram->isEnabled());
    QTest::mouseClick(bench.window.cmdProgram, Qt::LeftButton);
    bench.window.cmdProgram->click();
    QCOMPARE(bench.unit.line().receiveFor(200), QByteArray());
    QCOMPARE(bench.window.cmbNew.Item(2)->currentIndex(), 0);
}

void WriteToUnitTest::wholeRoadThroughTheUnit() {
    ConnectedWindow bench("001111420");
    bench.unit.setAdoptWrites(true);

    // Frames in: values shown.
    bench.unit.startSending(500);
    QTRY_VERIFY(bench.detected());
    QTRY_COMPARE(bench.currentValues(),
                 (QStringList{"9600", "None", "8", "19200", "Even", "8", "115200", "Odd", "7"}));

    // A write: the unit takes it and reports the new values, which the window shows.
    bench.window.cmbNew.Item(0)->setCurrentIndex(5);
    bench.window.cmbNew.Item(7)->setCurrentIndex(1);
    bench.window.cmdProgram->click();
    QVERIFY(bench.unit.waitForWritten(11));
    QCOMPARE(bench.unit.written(), QByteArray("$401111401$"));
    QTRY_COMPARE(bench.currentValues(),
                 (QStringList{"115200", "None", "8", "19200", "Even", "8", "115200", "None", "8"}));

    // Silence: not detected. Frames again: detected.
    bench.unit.stopSending();
    QTRY_VERIFY_WITH_TIMEOUT(!bench.detected(), 4500);
    QCOMPARE(bench.currentValues(), kNineNotAvailable);
    bench.unit.startSending(500);
    QTRY_VERIFY(bench.detected());
    QCOMPARE(bench.window.lblCurrent.Item(0)->text(), QStringLiteral("115200"));
}

void WriteToUnitTest::writeToAVanishedDeviceIsARunTimeError_data() {
    QTest::addColumn<bool>("seenFirst");
    QTest::newRow("after the window has seen the hang-up") << true;
    // The click comes before the event loop has had a turn: the frame must not vanish unseen.
    QTest::newRow("at once, before the event loop has seen it") << false;
}

void WriteToUnitTest::writeToAVanishedDeviceIsARunTimeError() {
    QFETCH(bool, seenFirst);
    ErrorRecorder recorder;
    ConnectedWindow bench;
    QVERIFY(bench.showFrame());
    bench.unit.hangUp();
    if (seenFirst)
        QTRY_COMPARE(bench.window.com232.CommEvent(), platform::kCommEventLost);
    bench.window.cmdProgram->click();

    QCOMPARE(recorder.errors().size(), 1);
    QCOMPARE(recorder.errors().front().number(), platform::comm_error::DeviceLost);
}

void WriteToUnitTest::framesStuckAtTheCloseAreARunTimeError() {
    ErrorRecorder recorder;
    ConnectedWindow bench;
    QVERIFY(bench.showFrame());
    // The far side stops reading; two clicks wait in the queue when the window closes.
    bench.unit.line().clog();
    bench.window.cmdProgram->click();
    bench.window.cmdProgram->click();
    bench.window.close();

    QCOMPARE(recorder.errors().size(), 1);
    QCOMPARE(recorder.errors().front().number(), platform::comm_error::WriteFailed);
    QVERIFY(!bench.window.com232.PortOpen());
}

QTEST_MAIN(WriteToUnitTest)
#include "tst_write_to_unit.moc"
