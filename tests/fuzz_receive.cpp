// libFuzzer target for the whole receive road: each input is written in one piece on the far side
// of the pseudo-terminal that the window's comm 1 leads to, the window's serial control raises its
// receive event and com232_OnComm handles it. What the window then shows is checked against a
// model of the rule written out here on its own, so that a fault in the window's frame test or
// its value lists cannot hide behind the same fault in the check.
//
// Each input is read as exactly one text: it is written whole while the event loop stands still,
// and the loop runs again only once the pseudo-terminal holds all of it, so one read takes it.
// Inputs shorter than a frame raise no event; they must leave the window as it was and wait in
// the receive buffer, from which the harness takes them before the next input. Inputs longer
// than the receive buffer cannot be read in one text and are turned away.
#include "connected_window.h"
#include "event_procedure.h"
#include "unit_link.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <poll.h>
#include <random>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

namespace {

// ---- The model ---------------------------------------------------------------------------------

constexpr std::size_t kModelSlots = 9;
constexpr std::size_t kModelFrameLength = 11;

// Value texts by row (speed, parity, data bits), code d at index d.
const std::array<std::vector<const char*>, 3> kModelTexts = {{
    {"9600", "19200", "38400", "57600", "115200"},
    {"None", "Even", "Odd"},
    {"7", "8"},
}};

using Shown = std::array<QString, kModelSlots>;

// What an accepted text shows in the nine slots; nothing for a text that is not accepted.
std::optional<Shown> modelOfText(const std::uint8_t* text, std::size_t size) {
    if (size < kModelFrameLength || text[0] != '$' || text[kModelFrameLength - 1] != '$')
        return std::nullopt;
    Shown shown;
    for (std::size_t slot = 0; slot < kModelSlots; ++slot) {
        const std::vector<const char*>& texts = kModelTexts[slot % 3];
        const std::uint8_t character = text[slot + 1];
        const bool digit = character >= '0' && character <= '9';
        if (digit && static_cast<std::size_t>(character - '0') < texts.size())
            shown[slot] = QLatin1String(texts[static_cast<std::size_t>(character - '0')]);
        else
            shown[slot] = QStringLiteral("Error");
    }
    return shown;
}

// ---- The bench ---------------------------------------------------------------------------------

struct Bench {
    ConnectedWindow connected;
    QSignalSpy events{&connected.window.com232, &platform::SerialControl::OnComm};

    Bench() {
        if (!connected.window.com232.PortOpen()) {
            std::fprintf(stderr, "fuzz_receive: the window did not open its pseudo-terminal\n");
            std::abort();
        }
    }

    // How many characters wait on the program's side of the line.
    int waitingOnLine() {
        int count = 0;
        if (::ioctl(connected.unit.line().slaveDescriptor(), FIONREAD, &count) != 0)
            return -1;
        return count;
    }
};

Bench* bench = nullptr;

// The sentinel that the detected start state puts in every slot, so that any change shows.
const QString kUntouched = QStringLiteral("<untouched>");

QByteArray hexOf(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).toHex(' ');
}

[[noreturn]] void fail(const char* what, const std::uint8_t* data, std::size_t size) {
    std::fprintf(stderr, "fuzz_receive: %s\n  input (%zu bytes): %s\n", what, size,
                 hexOf(data, size).constData());
    std::abort();
}

// Runs the event loop until `done` or the deadline; false when the deadline came first.
template <class Predicate> bool processEventsUntil(Predicate done, int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

void writeWhole(int descriptor, const std::uint8_t* data, std::size_t size) {
    std::size_t sent = 0;
    while (sent < size) {
        const ssize_t written = ::write(descriptor, data + sent, size - sent);
        if (written > 0) {
            sent += static_cast<std::size_t>(written);
        } else if (written < 0 && errno == EAGAIN) {
            pollfd room{descriptor, POLLOUT, 0};
            ::poll(&room, 1, 100);
        } else if (written < 0 && errno != EINTR) {
            std::perror("fuzz_receive: write to the pseudo-terminal");
            std::abort();
        }
    }
}

// Puts the window in one of its two states before an input: not detected (as start-up leaves
// it, watchdog off), or detected with a sentinel in every slot and the watchdog counting.
void setStartState(bool detected) {
    configurator::frmMain& window = bench->connected.window;
    if (detected) {
        window.SetUnitDetected(true);
        for (std::int16_t slot = 0; slot < configurator::kSlotCount; ++slot)
            window.lblCurrent[slot]->setCaption(kUntouched);
        window.tmrConnection.start();
    } else {
        window.tmrConnection.stop();
        window.SetUnitDetected(false);
    }
}

void checkWindow(const Shown& expected, bool detected, const std::uint8_t* data, std::size_t size) {
    const configurator::frmMain& window = bench->connected.window;
    for (std::size_t slot = 0; slot < kModelSlots; ++slot) {
        const QString shown = window.lblCurrent[static_cast<std::int16_t>(slot)]->text();
        if (shown != expected[slot]) {
            const QByteArray what = QStringLiteral("slot %1 shows \"%2\", the model says \"%3\"")
                                        .arg(slot)
                                        .arg(shown, expected[slot])
                                        .toUtf8();
            fail(what.constData(), data, size);
        }
    }
    const QString status = detected ? configurator::kUnitDetected : configurator::kUnitNotDetected;
    if (window.txtStatus->text() != status)
        fail("the status box is wrong", data, size);
    if (window.cmdProgram->isEnabled() != detected || window.frmPortB->isEnabled() != detected)
        fail("the panels' or the button's enabled state is wrong", data, size);
    if (window.tmrConnection.isActive() != detected)
        fail("the watchdog is in the wrong state", data, size);
}

// Sends one input through the road and checks what the window shows.
void runInput(const std::uint8_t* data, std::size_t size, bool startDetected) {
    setStartState(startDetected);

    Shown before;
    before.fill(startDetected ? kUntouched : configurator::kNotAvailable);

    configurator::frmMain& window = bench->connected.window;
    const qsizetype eventsBefore = bench->events.count();
    writeWhole(bench->connected.unit.line().masterDescriptor(), data, size);
    // The event loop stands still until the line holds the whole input.
    QDeadlineTimer arrival(5000);
    while (bench->waitingOnLine() != static_cast<int>(size)) {
        if (arrival.hasExpired())
            fail("the input never arrived whole", data, size);
        ::usleep(50);
    }

    if (size < kModelFrameLength) {
        // Too short for a receive event: it waits, and nothing changes, until the line has been
        // quiet long enough for it to count as a fragment.
        QElapsedTimer quiet;
        quiet.start();
        if (!processEventsUntil([] { return bench->waitingOnLine() == 0; }))
            fail("the serial control never took in a short input", data, size);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (bench->events.count() != eventsBefore)
            fail("a short input raised an event", data, size);
        checkWindow(before, startDetected, data, size);
        const qint64 buffered = window.com232.InBufferCount();
        if (buffered == 0 && quiet.elapsed() >= platform::SerialControl::kFragmentIdleMs)
            return; // dropped as a fragment: this thread was slow to look
        if (buffered != static_cast<qint64>(size))
            fail("a short input does not wait whole in the receive buffer", data, size);
        const QString waiting = window.com232.Input();
        for (std::size_t i = 0; i < size; ++i) {
            if (waiting.at(static_cast<qsizetype>(i)).unicode() != data[i])
                fail("a waiting character is not its byte", data, size);
        }
        return;
    }

    if (!processEventsUntil([&] { return bench->events.count() > eventsBefore; }))
        fail("no receive event came", data, size);
    if (bench->events.count() != eventsBefore + 1 ||
        window.com232.CommEvent() != platform::kCommEvReceive)
        fail("the input raised more than one event, or not the receive event", data, size);
    if (window.com232.InBufferCount() != 0 || bench->waitingOnLine() != 0)
        fail("the receive event left characters unread", data, size);

    const std::optional<Shown> accepted = modelOfText(data, size);
    checkWindow(accepted ? *accepted : before, startDetected || accepted.has_value(), data, size);
}

} // namespace

// Fontconfig keeps a little of what it parses while loading its configuration for good; that is
// no fault of this program.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt must not see libFuzzer's options.
    static int qtArgc = 1;
    static char qtName[] = "fuzz_receive";
    static char* qtArgv[] = {qtName, nullptr};
    new QApplication(qtArgc, qtArgv);
    platform::setFatalErrorHandler([](const platform::RunTimeError& error) {
        std::fprintf(stderr, "fuzz_receive: run-time error %d: %s\n", error.number(),
                     qPrintable(error.description()));
        std::abort();
    });
    bench = new Bench;

    // Every caption, status and colour once in each start state before the fuzzing begins, so
    // that the fonts' caches are filled and what they keep is not taken for a leak of one input.
    for (const char* text :
         {"$421310001$", "$000000000$", "$999999999$", "$42131", "x$42131000$"}) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(text);
        for (const bool detected : {false, true})
            runInput(bytes, std::strlen(text), detected);
    }
    return 0;
}

// libFuzzer's own mutations, with half of the results then put in the shape of a frame, marks in
// place and one slot given any byte: a mutation rarely keeps both marks by itself, and without
// them the slots are never judged.
extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int seed) {
    std::minstd_rand random(seed);
    size = LLVMFuzzerMutate(data, size, maxSize);
    if (maxSize < kModelFrameLength || random() % 2 == 0)
        return size;
    for (; size < kModelFrameLength; ++size)
        data[size] = '0';
    data[0] = '$';
    data[kModelFrameLength - 1] = '$';
    data[1 + random() % kModelSlots] = static_cast<std::uint8_t>(random() % 256);
    return size;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > static_cast<std::size_t>(platform::SerialControl::kInBufferSize))
        return -1;
    // Half of the inputs meet a detected window, chosen by the input itself so that a saved
    // input replays the same way.
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 16777619u;
    runInput(data, size, (hash & 1u) != 0);
    return 0;
}
