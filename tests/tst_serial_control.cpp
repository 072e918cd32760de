// The serial control on a pseudo-terminal: the receive threshold, reads and writes byte for byte,
// refusals as run-time errors, and a device that goes away.
#include "processor_time.h"
#include "pseudo_terminal.h"
#include "run_time_error.h"
#include "serial_control.h"

#include <QSignalSpy>
#include <QTest>

#include <chrono>
#include <dlfcn.h>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using platform::RunTimeError;
using platform::SerialControl;

namespace {

std::int32_t errorNumberOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const RunTimeError& error) {
        return error.number();
    }
    return 0;
}

QByteArray allByteValues() {
    QByteArray bytes;
    for (int value = 0; value < 256; ++value)
        bytes.append(static_cast<char>(value));
    return bytes;
}

// Every terminal setting asked for in this process, in order, as the terminal's driver got it.
std::vector<termios>& lineRequests() {
    static std::vector<termios> requests;
    return requests;
}

// A line's settings as they are usually written: speed, data bits, parity, stop bits, then any
// flow control.
QString lineOf(const termios& settings) {
    const std::map<speed_t, QString> speeds = {{B9600, "9600"},
                                               {B19200, "19200"},
                                               {B38400, "38400"},
                                               {B57600, "57600"},
                                               {B115200, "115200"}};
    const auto speedOf = [&](speed_t speed) {
        const auto found = speeds.find(speed);
        return found == speeds.end() ? QStringLiteral("?") : found->second;
    };
    QString line = speedOf(cfgetospeed(&settings));
    if (cfgetispeed(&settings) != cfgetospeed(&settings))
        line += QLatin1Char('/') + speedOf(cfgetispeed(&settings));
    const std::map<tcflag_t, char> bits = {{CS5, '5'}, {CS6, '6'}, {CS7, '7'}, {CS8, '8'}};
    line += QLatin1Char(' ');
    line += QLatin1Char(bits.at(settings.c_cflag & CSIZE));
    line += QLatin1Char(!(settings.c_cflag & PARENB)  ? 'N'
                        : (settings.c_cflag & PARODD) ? 'O'
                                                      : 'E');
    line += QLatin1Char((settings.c_cflag & CSTOPB) ? '2' : '1');
    if (settings.c_cflag & CRTSCTS)
        line += QStringLiteral(" RTS/CTS");
    if (settings.c_iflag & (IXON | IXOFF))
        line += QStringLiteral(" XON/XOFF");
    return line;
}

// A control opened on comm 1, which leads to the pseudo-terminal.
struct OpenControl {
    PseudoTerminal line;
    SerialControl control{platform::portMapFromList({line.devicePath()})};
    QSignalSpy events{&control, &SerialControl::OnComm};

    OpenControl() {
        control.setCommPort(1);
        control.setPortOpen(true);
    }
};

} // namespace

// Every terminal setting of the process passes here on its way to the C library, which the
// serial port library calls for it.
extern "C" int tcsetattr(int descriptor, int when, const termios* settings) noexcept {
    using Real = int (*)(int, int, const termios*);
    static const auto real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "tcsetattr"));
    if (settings)
        lineRequests().push_back(*settings);
    return real(descriptor, when, settings);
}

class SerialControlTest : public QObject {
    Q_OBJECT

private slots:
    void opensWithTheFixedLineSettings();
    void receiveEventComesAtElevenCharacters_data();
    void receiveEventComesAtElevenCharacters();
    void fragmentGoesOnceTheLineIsQuiet();
    void inputTakesEverythingWaiting();
    void bytesMapOneToOneBothWays();
    void outputPutsExactlyItsTextOnTheLine();
    void outputGoesOutWholeWhenClosedRightAfter();
    void stuckOutputFailsTheClose();
    void refusalsAreRunTimeErrors();
    void secondOpenerOfADeviceFails();
    void failedOpenLeavesThePortClosed();
    void hangUpStopsListeningAndStaysIdle();
};

void SerialControlTest::opensWithTheFixedLineSettings() {
    PseudoTerminal line;
    // The line starts out elsewhere: 38400 baud, 2 stop bits, flow control both ways.
    termios before{};
    QCOMPARE(tcgetattr(line.slaveDescriptor(), &before), 0);
    before.c_cflag |= CSTOPB | CRTSCTS;
    before.c_iflag |= IXON | IXOFF;
    cfsetispeed(&before, B38400);
    cfsetospeed(&before, B38400);
    QCOMPARE(tcsetattr(line.slaveDescriptor(), TCSANOW, &before), 0);

    SerialControl control(platform::portMapFromList({line.devicePath()}));
    lineRequests().clear();
    control.setPortOpen(true);

    // A pseudo-terminal keeps 8 data bits and no parity whatever it is asked, so those show
    // only in what the control asked of it, and every request asks for 8N1.
    QStringList framings;
    for (const termios& request : lineRequests())
        framings << lineOf(request).section(QLatin1Char(' '), 1);
    QVERIFY(!framings.isEmpty());
    QCOMPARE(framings, QStringList(framings.size(), QStringLiteral("8N1")));
    termios after{};
    QCOMPARE(tcgetattr(line.slaveDescriptor(), &after), 0);
    QCOMPARE(lineOf(after), QStringLiteral("9600 8N1"));
}

void SerialControlTest::receiveEventComesAtElevenCharacters_data() {
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QList<int>>("eventsAfterEachPiece");

    QTest::newRow("ten characters, then the eleventh")
        << QList<QByteArray>{"$00000000", "0", "$"} << QList<int>{0, 0, 1};
    QTest::newRow("a frame in one piece") << QList<QByteArray>{"$421310001$"} << QList<int>{1};
    QTest::newRow("a frame in single characters")
        << QList<QByteArray>{"$", "4", "2", "1", "3", "1", "0", "0", "0", "1", "$"}
        << QList<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    QTest::newRow("ten characters alone") << QList<QByteArray>{"0123456789"} << QList<int>{0};
}

void SerialControlTest::receiveEventComesAtElevenCharacters() {
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QList<int>, eventsAfterEachPiece);

    OpenControl open;
    qint64 sent = 0;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        open.line.send(pieces[i]);
        sent += pieces[i].size();
        // Until the characters are counted: the line is not quiet long enough for them to go.
        QVERIFY(QTest::qWaitFor([&] { return open.control.InBufferCount() == sent; }, 2000));
        QCOMPARE(open.events.count(), eventsAfterEachPiece[i]);
    }
    if (!open.events.isEmpty())
        QCOMPARE(open.control.CommEvent(), platform::kCommEvReceive);
}

void SerialControlTest::fragmentGoesOnceTheLineIsQuiet() {
    OpenControl open;
    open.line.send("0123456789");
    QVERIFY(QTest::qWaitFor([&] { return open.control.InBufferCount() == 10; }, 2000));
    QTRY_COMPARE(open.control.InBufferCount(), qint64(0));
    QCOMPARE(open.events.count(), 0);

    // Nothing of it is kept for the next text.
    open.line.send("$421310001$");
    QTRY_COMPARE(open.events.count(), 1);
    QCOMPARE(open.control.Input(), QStringLiteral("$421310001$"));
}

void SerialControlTest::inputTakesEverythingWaiting() {
    OpenControl open;
    const QByteArray sent = "$421310001$$001111421$tail";
    open.line.send(sent);
    QTRY_VERIFY(!open.events.isEmpty());
    QCOMPARE(open.control.Input(), QString::fromLatin1(sent));
    QCOMPARE(open.control.Input(), QString());
}

void SerialControlTest::bytesMapOneToOneBothWays() {
    OpenControl open;
    const QByteArray bytes = allByteValues();

    open.line.send(bytes);
    QString received;
    QTRY_VERIFY((received += open.control.Input(), received.size() == bytes.size()));
    for (int value = 0; value < 256; ++value)
        QCOMPARE(received.at(value).unicode(), char16_t(value));

    open.control.setOutput(QString::fromLatin1(bytes));
    QCOMPARE(open.line.receive(bytes.size()), bytes);
}

void SerialControlTest::outputPutsExactlyItsTextOnTheLine() {
    OpenControl open;
    open.control.setOutput(QStringLiteral("$001111421$"));
    open.control.setOutput(QStringLiteral("$001111421$"));
    QCOMPARE(open.line.receive(22), QByteArray("$001111421$$001111421$"));
    QCOMPARE(open.line.receiveFor(100), QByteArray());
}

void SerialControlTest::outputGoesOutWholeWhenClosedRightAfter() {
    OpenControl open;

    // Fill the line, so that the text below has to wait in the control's queue.
    const qsizetype filled = open.line.clog();

    const QString text(SerialControl::kOutBufferSize, QLatin1Char('7'));
    open.control.setOutput(text);
    // A frame comes in while the close waits for the queue: it must raise no event then.
    open.line.send("$421310001$");

    // The far side starts reading only once the close is waiting.
    QByteArray received;
    std::thread reader([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        char buffer[4096];
        while (received.size() < filled + text.size() && std::chrono::steady_clock::now() < end) {
            pollfd waiting{open.line.masterDescriptor(), POLLIN, 0};
            if (::poll(&waiting, 1, 10) > 0) {
                const ssize_t got = ::read(open.line.masterDescriptor(), buffer, sizeof buffer);
                if (got > 0)
                    received.append(buffer, got);
            }
        }
    });
    open.control.setPortOpen(false);
    reader.join();

    QCOMPARE(received.size(), filled + text.size());
    QCOMPARE(received.right(text.size()), text.toLatin1());
    QCOMPARE(open.events.count(), 0);
}

void SerialControlTest::stuckOutputFailsTheClose() {
    OpenControl open;
    const qsizetype filled = open.line.clog();
    open.control.setOutput(QStringLiteral("$001111421$"));
    open.control.setOutput(QStringLiteral("$001111421$"));

    // The far side never reads while the close waits: the frames cannot go, and that is said.
    QCOMPARE(errorNumberOf([&] { open.control.setPortOpen(false); }),
             platform::comm_error::WriteFailed);
    QVERIFY(!open.control.PortOpen());

    // When the far side reads again, it finds what filled the line, and no part of a frame.
    const QByteArray received = open.line.receive(filled + 22, 1000);
    QCOMPARE(received.size(), filled);
    QVERIFY(!received.contains('$'));
}

void SerialControlTest::refusalsAreRunTimeErrors() {
    PseudoTerminal line;
    SerialControl control(platform::portMapFromList({line.devicePath()}));

    QCOMPARE(errorNumberOf([&] { control.Input(); }), platform::comm_error::PortNotOpen);
    QCOMPARE(errorNumberOf([&] { control.setOutput(QStringLiteral("$")); }),
             platform::comm_error::PortNotOpen);
    QCOMPARE(errorNumberOf([&] { control.setCommPort(0); }),
             platform::comm_error::InvalidPortNumber);
    QCOMPARE(errorNumberOf([&] {
                 control.setCommPort(2);
                 control.setPortOpen(true);
             }),
             platform::comm_error::InvalidPortNumber);

    control.setCommPort(1);
    control.setPortOpen(true);
    QCOMPARE(errorNumberOf([&] { control.setCommPort(1); }),
             platform::comm_error::NotValidWhileOpen);
    QCOMPARE(errorNumberOf([&] { control.setPortOpen(true); }),
             platform::comm_error::PortAlreadyOpen);
    QCOMPARE(errorNumberOf([&] { control.setOutput(QString(QChar(0x20AC))); }),
             platform::error::InvalidPropertyValue);
    QCOMPARE(errorNumberOf([&] {
                 control.setOutput(QString(SerialControl::kOutBufferSize + 1, QLatin1Char('1')));
             }),
             platform::comm_error::TransmitBufferFull);
    // Nothing of a refused text went out.
    QCOMPARE(line.receiveFor(100), QByteArray());
}

void SerialControlTest::secondOpenerOfADeviceFails() {
    PseudoTerminal line;
    const platform::PortMap map = platform::portMapFromList({line.devicePath()});
    SerialControl first(map);
    SerialControl second(map);
    first.setPortOpen(true);

    QCOMPARE(errorNumberOf([&] { second.setPortOpen(true); }),
             platform::comm_error::PortAlreadyOpen);
    QVERIFY(!second.PortOpen());

    first.setPortOpen(false);
    second.setPortOpen(true);
    QVERIFY(second.PortOpen());
}

void SerialControlTest::failedOpenLeavesThePortClosed() {
    PseudoTerminal line;
    SerialControl control(
        platform::portMapFromList({QStringLiteral("/nonexistent/ttyS99"), line.devicePath()}));
    QVERIFY(errorNumberOf([&] { control.setPortOpen(true); }) != 0);
    QVERIFY(!control.PortOpen());
    control.setCommPort(2);
    control.setPortOpen(true);
    QVERIFY(control.PortOpen());
}

void SerialControlTest::hangUpStopsListeningAndStaysIdle() {
    OpenControl open;
    open.line.send("12345");
    QTRY_COMPARE(open.control.InBufferCount(), qint64(5));

    open.line.hangUp();
    QTRY_COMPARE(open.events.count(), 1);
    QCOMPARE(open.control.CommEvent(), platform::kCommEventLost);

    // A control that kept listening on the dead device would spin here.
    const double before = processorSeconds();
    QTest::qWait(1000);
    QVERIFY2(processorSeconds() - before < 0.25, "the control keeps the processor busy");
    QCOMPARE(open.events.count(), 1);

    // What came before the hang-up can still be read; nothing more can be sent.
    QCOMPARE(open.control.InBufferCount(), qint64(5));
    QCOMPARE(open.control.Input(), QStringLiteral("12345"));
    QCOMPARE(errorNumberOf([&] { open.control.setOutput(QStringLiteral("$")); }),
             platform::comm_error::DeviceLost);
    open.control.setPortOpen(false);
    QVERIFY(!open.control.PortOpen());
}

QTEST_MAIN(SerialControlTest)
#include "tst_serial_control.moc"
