// The signals that ask a program to end close the window as its close button does, through the
// event loop, and the program then ends with status 0.
#include <QProcess>
#include <QTest>

#include <csignal>

class TerminationSignalsTest : public QObject {
    Q_OBJECT

private slots:
    void signalClosesTheWindow_data();
    void signalClosesTheWindow();
};

void TerminationSignalsTest::signalClosesTheWindow_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TerminationSignalsTest::signalClosesTheWindow() {
    QFETCH(int, signalNumber);

    QProcess probe;
    probe.start(QStringLiteral(SIGNAL_PROBE), {});
    QVERIFY(probe.waitForStarted());
    QByteArray output;
    QVERIFY(QTest::qWaitFor(
        [&] {
            probe.waitForReadyRead(10);
            output += probe.readAllStandardOutput();
            return output.contains("ready\n") || probe.state() == QProcess::NotRunning;
        },
        20000));
    QVERIFY2(output.contains("ready\n"), probe.readAllStandardError().constData());

    QCOMPARE(::kill(static_cast<pid_t>(probe.processId()), signalNumber), 0);
    QVERIFY(probe.waitForFinished(20000));
    output += probe.readAllStandardOutput();
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), 0);
    // The window's close ran: it closed the port.
    QVERIFY2(output.contains("ended, port open: no\n"), output.constData());
}

QTEST_MAIN(TerminationSignalsTest)
#include "tst_termination_signals.moc"
