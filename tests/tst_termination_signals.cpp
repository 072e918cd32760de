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
    void signalIgnoredAtStartStaysIgnored();
};

namespace {

// Starts the probe through a shell that first runs `prelude`, and waits until its event loop
// runs; returns what it printed, empty when it never got there.
QByteArray startProbe(QProcess& probe, const QString& prelude = QString()) {
    probe.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"), prelude + QStringLiteral(" exec \"$0\""),
                 QStringLiteral(SIGNAL_PROBE)});
    if (!probe.waitForStarted())
        return {};
    QByteArray output;
    (void)QTest::qWaitFor(
        [&] {
            probe.waitForReadyRead(10);
            output += probe.readAllStandardOutput();
            return output.contains("ready\n") || probe.state() == QProcess::NotRunning;
        },
        20000);
    return output.contains("ready\n") ? output : QByteArray();
}

} // namespace

void TerminationSignalsTest::signalClosesTheWindow_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TerminationSignalsTest::signalClosesTheWindow() {
    QFETCH(int, signalNumber);

    QProcess probe;
    QByteArray output = startProbe(probe);
    QVERIFY2(!output.isEmpty(), probe.readAllStandardError().constData());

    QCOMPARE(::kill(static_cast<pid_t>(probe.processId()), signalNumber), 0);
    QVERIFY(probe.waitForFinished(20000));
    output += probe.readAllStandardOutput();
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), 0);
    // The window's close ran: it closed the port.
    QVERIFY2(output.contains("ended, port open: no\n"), output.constData());
}

// A program started with a signal ignored (nohup, a background job of a shell without job
// control) was asked to carry on through it.
void TerminationSignalsTest::signalIgnoredAtStartStaysIgnored() {
    QProcess probe;
    QVERIFY2(!startProbe(probe, QStringLiteral("trap '' HUP;")).isEmpty(),
             probe.readAllStandardError().constData());

    QCOMPARE(::kill(static_cast<pid_t>(probe.processId()), SIGHUP), 0);
    QVERIFY(!probe.waitForFinished(500));

    QCOMPARE(::kill(static_cast<pid_t>(probe.processId()), SIGTERM), 0);
    QVERIFY(probe.waitForFinished(20000));
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), 0);
}

QTEST_MAIN(TerminationSignalsTest)
#include "tst_termination_signals.moc"
