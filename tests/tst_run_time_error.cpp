// Run-time errors: the standing error of the resume-next steps, and what an error that escapes an
// event procedure does.
#include "error_recorder.h"
#include "event_procedure.h"
#include "resume_next.h"
#include "run_time_error.h"

#include <QProcess>
#include <QTest>

#include <new>

using platform::RunTimeError;

class RunTimeErrorTest : public QObject {
    Q_OBJECT

private slots:
    void resumeNextRecordsAndGoesOn();
    void escapingErrorsReachTheHandler_data();
    void escapingErrorsReachTheHandler();
    void defaultHandlingShowsTheMessageAndEndsTheProgram();
};

void RunTimeErrorTest::resumeNextRecordsAndGoesOn() {
    platform::ResumeNext step;
    QCOMPARE(step.Err.Number(), 0);

    QStringList ran;
    step([&] {
        ran << "first";
        throw RunTimeError(8002, QStringLiteral("Invalid port number"));
        ran << "abandoned";
    });
    step([&] { ran << "second"; });
    QCOMPARE(ran, (QStringList{"first", "second"}));
    QCOMPARE(step.Err.Number(), 8002);
    QCOMPARE(step.Err.Description(), QStringLiteral("Invalid port number"));

    // The standing error is the latest one, until cleared.
    step([] { throw RunTimeError(8005, QStringLiteral("Port already open")); });
    QCOMPARE(step.Err.Number(), 8005);
    step.Err.Clear();
    QCOMPARE(step.Err.Number(), 0);
    step([] { throw std::bad_alloc(); });
    QCOMPARE(step.Err.Number(), platform::error::OutOfMemory);
}

void RunTimeErrorTest::escapingErrorsReachTheHandler_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("message");

    QTest::newRow("run-time error") << 0 << 8018 << "Run-time error '8018':\n\nThe port is closed";
    QTest::newRow("exhausted memory") << 1 << 7 << "Run-time error '7':\n\nOut of memory";
    QTest::newRow("anything else") << 2 << 51 << "Run-time error '51':\n\nUnexpected failure";
}

void RunTimeErrorTest::escapingErrorsReachTheHandler() {
    QFETCH(int, kind);
    QFETCH(int, number);
    QFETCH(QString, message);

    ErrorRecorder recorder;
    bool after = false;
    platform::runEventProcedure([&] {
        if (kind == 0)
            throw RunTimeError(8018, QStringLiteral("The port is closed"));
        if (kind == 1)
            throw std::bad_alloc();
        throw 42;
        after = true;
    });

    QVERIFY(!after);
    QCOMPARE(recorder.errors().size(), 1);
    QCOMPARE(recorder.errors().front().number(), number);
    QCOMPARE(recorder.describe(), message);
}

void RunTimeErrorTest::defaultHandlingShowsTheMessageAndEndsTheProgram() {
    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // The offscreen platform warns that it cannot pass a message box's size hints on.
    environment.insert(QStringLiteral("QT_FATAL_WARNINGS"), QStringLiteral("0"));
    probe.setProcessEnvironment(environment);
    probe.start(QStringLiteral(RUNTIME_ERROR_PROBE), {});
    QVERIFY(probe.waitForFinished(20000));

    const QString output = QString::fromLocal8Bit(probe.readAllStandardOutput());
    QCOMPARE(output, QStringLiteral("Run-time error '8018':\n\nThe port went away\n"));
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), platform::kRunTimeErrorExitStatus);
}

QTEST_MAIN(RunTimeErrorTest)
#include "tst_run_time_error.moc"
