// The configurator's window on one end of a pseudo-terminal, with the unit played by a second
// thread on the other end. The window's own code runs untouched on the GUI thread; the bench
// watches it through slots connected after the window's own (so they run once its event
// procedure has returned), an event filter on the watchdog timer and the application's paint
// clock. Prints raw samples, one kind a line, for configurator_bench to sum up.
#include "bench_application.h"
#include "bench_clock.h"
#include "event_procedure.h"
#include "main_window.h"
#include "port_map.h"
#include "pseudo_terminal.h"
#include "serial_control.h"

#include <QAbstractEventDispatcher>
#include <QTest>
#include <QTimerEvent>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Options {
    int frames = 1000;
    int writes = 500;
    int silences = 8;
    int idleSeconds = 10;
};

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Everything the window has written and not yet read on the far side (which does not block).
std::string drain(const PseudoTerminal& line) {
    std::string bytes;
    char buffer[256];
    ssize_t got;
    while ((got = ::read(line.masterDescriptor(), buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<std::size_t>(got));
    return bytes;
}

// Frames whose every slot differs from the one before, the last's from the first's, so that
// each frame changes all nine captions.
struct Frame {
    const char* text;
    std::array<const char*, 9> shown;
};
const std::array<Frame, 4> kFrames{{
    {"$421421421$", {"115200", "Odd", "8", "115200", "Odd", "8", "115200", "Odd", "8"}},
    {"$000000000$", {"9600", "None", "7", "9600", "None", "7", "9600", "None", "7"}},
    {"$311311311$", {"57600", "Even", "8", "57600", "Even", "8", "57600", "Even", "8"}},
    {"$100100100$", {"19200", "None", "7", "19200", "None", "7", "19200", "None", "7"}},
}};

// What the GUI thread reports to the unit's thread. The GUI side stores first and notifies
// after, so a wait never delays what it waits for.
struct Observed {
    std::atomic<int> expected{0}; // index into kFrames of the frame on its way
    std::atomic<std::uint64_t> shown{0};
    std::atomic<std::int64_t> shownNs{0};
    std::atomic<std::uint64_t> shownWrong{0};
    std::atomic<std::uint64_t> expiries{0};
    std::atomic<std::int64_t> expiryNs{0};
    std::atomic<std::uint64_t> notDetected{0};
    std::atomic<std::int64_t> notDetectedNs{0};
    std::atomic<std::uint64_t> notDetectedWrong{0};
    std::atomic<std::uint64_t> clicks{0};
    std::atomic<std::int64_t> clickNs{0};
    std::atomic<std::uint64_t> loopTurns{0};

    std::mutex lock;
    std::condition_variable changed;

    void notify() {
        { const std::lock_guard hold(lock); }
        changed.notify_all();
    }
    template <class Predicate> bool waitFor(Predicate predicate, std::chrono::milliseconds limit) {
        std::unique_lock hold(lock);
        return changed.wait_for(hold, limit, predicate);
    }
};

// Time-stamps the watchdog's expiry as its timer event arrives, before the window handles it.
class ExpiryClock : public QObject {
public:
    ExpiryClock(const QTimer& timer, Observed& observed)
        : timer_(timer)
        , observed_(observed) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Timer &&
            static_cast<QTimerEvent*>(event)->timerId() == timer_.timerId()) {
            observed_.expiryNs.store(bench::nowNs());
            observed_.expiries.fetch_add(1);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QTimer& timer_;
    Observed& observed_;
};

struct ThreadCounters {
    std::int64_t cpuNs = 0;
    std::int64_t processCpuNs = 0;
    long voluntary = 0;
    long involuntary = 0;
    std::uint64_t loopTurns = 0;
    std::uint64_t timerEvents = 0;
    std::uint64_t paintPasses = 0;
};

long statusField(const std::string& path, const char* field) {
    std::ifstream status(path);
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
            return std::stol(line.substr(length + 1));
    }
    return -1;
}

int threadCount() {
    int count = 0;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(tasks))
            count += entry->d_name[0] != '.';
        closedir(tasks);
    }
    return count;
}

std::string joined(const std::vector<std::int64_t>& values) {
    std::string line;
    for (const std::int64_t value : values)
        line += ' ' + std::to_string(value);
    return line;
}

// The unit's side of the run: it drives every phase and reads the counters, from its own
// thread, so that reading them never wakes the GUI thread.
class Scenario {
public:
    Scenario(const Options& options, PseudoTerminal& line, Observed& observed,
             bench::BenchApplication& application, configurator::frmMain& window,
             pthread_t guiThread, pid_t guiTid)
        : options_(options)
        , line_(line)
        , observed_(observed)
        , application_(application)
        , window_(window)
        , guiStatus_("/proc/self/task/" + std::to_string(guiTid) + "/status") {
        pthread_getcpuclockid(guiThread, &guiClock_);
    }

    void run() {
        std::fprintf(stderr, "link: warming up\n");
        for (int i = 0; i < 20; ++i) {
            sendAndWaitShown();
            std::this_thread::sleep_for(3ms);
        }
        receiveLatency();
        writeLatency();
        detectedIdle();
        watchdog();
        notDetectedIdle();
        if (observed_.shownWrong.load() != 0 || observed_.notDetectedWrong.load() != 0)
            throw Failure("the window showed something other than the frame sent");
    }

    int threads() const { return threads_; }

    void print() const {
        std::printf("samples receive_set%s\n", joined(receiveSet_).c_str());
        std::printf("samples receive_painted%s\n", joined(receivePainted_).c_str());
        std::printf("samples receive_1hz_set%s\n", joined(receiveSlowSet_).c_str());
        std::printf("samples receive_after_silence_set%s\n", joined(receiveAfterSilence_).c_str());
        std::printf("samples write%s\n", joined(write_).c_str());
        std::printf("samples watchdog_timer%s\n", joined(watchdogTimer_).c_str());
        std::printf("samples watchdog_shown%s\n", joined(watchdogShown_).c_str());
        for (const Idle& idle : idle_) {
            std::printf("idle %s seconds=%d frames=%d gui_cpu_ns=%lld process_cpu_ns=%lld "
                        "voluntary=%ld involuntary=%ld loop_turns=%llu timer_events=%llu "
                        "paint_passes=%llu gap_switches=%ld frame_switches_max=%ld "
                        "frame_cpu_ns_max=%lld\n",
                        idle.name, idle.seconds, idle.frames,
                        static_cast<long long>(idle.used.cpuNs),
                        static_cast<long long>(idle.used.processCpuNs), idle.used.voluntary,
                        idle.used.involuntary, static_cast<unsigned long long>(idle.used.loopTurns),
                        static_cast<unsigned long long>(idle.used.timerEvents),
                        static_cast<unsigned long long>(idle.used.paintPasses), idle.gapSwitches,
                        idle.frameSwitchesMax, static_cast<long long>(idle.frameCpuNsMax));
            std::string timers;
            for (const auto& timer : idle.timers) {
                char at[32];
                std::snprintf(at, sizeof at, "@%.1f",
                              static_cast<double>(timer.atNs - idle.startNs) / 1e9);
                timers += ' ' + timer.receiver + at;
            }
            std::printf("idle_timers %s%s\n", idle.name, timers.c_str());
        }
    }

private:
    struct Idle {
        const char* name = "";
        int seconds = 0;
        int frames = 0;
        ThreadCounters used; // over the whole span
        long gapSwitches = 0;
        long frameSwitchesMax = 0;
        std::int64_t frameCpuNsMax = 0;
        std::int64_t startNs = 0;
        std::vector<bench::BenchApplication::TimerEvent> timers;
    };

    ThreadCounters counters() const {
        ThreadCounters now;
        timespec cpu{};
        clock_gettime(guiClock_, &cpu);
        now.cpuNs = std::int64_t{cpu.tv_sec} * 1'000'000'000 + cpu.tv_nsec;
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        now.processCpuNs = std::int64_t{cpu.tv_sec} * 1'000'000'000 + cpu.tv_nsec;
        now.voluntary = statusField(guiStatus_, "voluntary_ctxt_switches");
        now.involuntary = statusField(guiStatus_, "nonvoluntary_ctxt_switches");
        now.loopTurns = observed_.loopTurns.load();
        now.timerEvents = application_.timerEvents();
        now.paintPasses = application_.paintPasses();
        return now;
    }

    static Idle difference(const char* name, const ThreadCounters& from, const ThreadCounters& to) {
        Idle idle;
        idle.name = name;
        idle.used = ThreadCounters{to.cpuNs - from.cpuNs,
                                   to.processCpuNs - from.processCpuNs,
                                   to.voluntary - from.voluntary,
                                   to.involuntary - from.involuntary,
                                   to.loopTurns - from.loopTurns,
                                   to.timerEvents - from.timerEvents,
                                   to.paintPasses - from.paintPasses};
        return idle;
    }

    // Writes the next frame of the cycle in one piece and returns the time just before the
    // write: the last byte is on the line when the call returns.
    std::int64_t send() {
        const int index = next_++ % static_cast<int>(kFrames.size());
        observed_.expected.store(index);
        const std::int64_t before = bench::nowNs();
        if (::write(line_.masterDescriptor(), kFrames[static_cast<std::size_t>(index)].text, 11) !=
            11)
            throw Failure("write to the pseudo-terminal failed");
        return before;
    }

    struct Shown {
        std::int64_t sentNs;
        std::int64_t shownNs;
        std::int64_t paintedNs;
    };

    // Sends a frame, waits until the window shows it and has painted it.
    Shown sendAndWaitShown() {
        const std::uint64_t shownBefore = observed_.shown.load();
        const std::int64_t sent = send();
        if (!observed_.waitFor([&] { return observed_.shown.load() > shownBefore; }, 2000ms))
            throw Failure("a frame was not shown within 2 s");
        const std::int64_t shown = observed_.shownNs.load();
        if (!observed_.waitFor([&] { return application_.lastPaintEndNs() > shown; }, 2000ms))
            throw Failure("a frame was not painted within 2 s");
        return {sent, shown, application_.lastPaintEndNs()};
    }

    void receiveLatency() {
        std::fprintf(stderr, "link: receive latency, %d frames\n", options_.frames);
        std::uniform_int_distribution<int> pause(2000, 6000);
        for (int i = 0; i < options_.frames; ++i) {
            const Shown frame = sendAndWaitShown();
            receiveSet_.push_back(frame.shownNs - frame.sentNs);
            receivePainted_.push_back(frame.paintedNs - frame.sentNs);
            std::this_thread::sleep_for(std::chrono::microseconds(pause(random_)));
        }
    }

    // Clicks "Write to Unit" on the GUI thread and waits until the 11th byte can be read here.
    void writeLatency() {
        std::fprintf(stderr, "link: write latency, %d writes\n", options_.writes);
        std::uniform_int_distribution<int> pause(2000, 4000);
        for (int i = 0; i < options_.writes; ++i) {
            // Keep the unit detected, so that the button stays enabled.
            if (i % 100 == 0) {
                sendAndWaitShown();
                std::this_thread::sleep_for(2ms);
            }
            drain(line_);
            const std::uint64_t clicksBefore = observed_.clicks.load();
            QMetaObject::invokeMethod(
                &window_,
                [this] {
                    observed_.clickNs.store(bench::nowNs());
                    QTest::mouseClick(window_.cmdProgram, Qt::LeftButton);
                    observed_.clicks.fetch_add(1);
                    observed_.notify();
                },
                Qt::QueuedConnection);

            std::string written;
            std::int64_t readable = 0;
            const std::int64_t deadline = bench::nowNs() + 2'000'000'000;
            while (written.size() < 11) {
                pollfd waiting{line_.masterDescriptor(), POLLIN, 0};
                if (::poll(&waiting, 1, 100) > 0) {
                    readable = bench::nowNs();
                    written += drain(line_);
                }
                if (bench::nowNs() > deadline)
                    throw Failure("a write did not reach the far side within 2 s");
            }
            if (!observed_.waitFor([&] { return observed_.clicks.load() > clicksBefore; }, 2000ms))
                throw Failure("a click did not return");
            if (written.size() != 11 || written.front() != '$' || written.back() != '$' ||
                written[3] != '1' || written[6] != '1' || written[9] != '1')
                throw Failure("a write sent something other than one settings frame: " + written);
            write_.push_back(readable - observed_.clickNs.load());
            std::this_thread::sleep_for(std::chrono::microseconds(pause(random_)));
        }
    }

    // The unit sends a frame every second; between frames nothing should run.
    void detectedIdle() {
        const int seconds = options_.idleSeconds;
        std::fprintf(stderr, "link: detected idle, %d s with a frame every second\n", seconds);
        sendAndWaitShown();
        std::this_thread::sleep_for(500ms);
        application_.takeTimerLog();
        application_.setRecordTimers(true);
        const Clock::time_point start = Clock::now();
        const std::int64_t startNs = bench::nowNs();
        const ThreadCounters first = counters();
        threads_ = threadCount();
        long gapSwitches = 0;
        long frameSwitchesMax = 0;
        std::int64_t frameCpuMax = 0;
        long settled = first.voluntary;
        for (int k = 0; k < seconds; ++k) {
            std::this_thread::sleep_until(start + 500ms + std::chrono::seconds(k));
            const ThreadCounters before = counters();
            gapSwitches += before.voluntary - settled;
            const Shown frame = sendAndWaitShown();
            receiveSlowSet_.push_back(frame.shownNs - frame.sentNs);
            // Anything the frame leaves behind shows up in the next gap.
            std::this_thread::sleep_for(20ms);
            const ThreadCounters after = counters();
            settled = after.voluntary;
            frameSwitchesMax = std::max(frameSwitchesMax, after.voluntary - before.voluntary);
            frameCpuMax = std::max(frameCpuMax, after.cpuNs - before.cpuNs);
        }
        std::this_thread::sleep_until(start + std::chrono::seconds(seconds));
        const ThreadCounters last = counters();
        gapSwitches += last.voluntary - settled;
        application_.setRecordTimers(false);

        Idle idle = difference("detected", first, last);
        idle.startNs = startNs;
        idle.seconds = seconds;
        idle.frames = seconds;
        idle.gapSwitches = gapSwitches;
        idle.frameSwitchesMax = frameSwitchesMax;
        idle.frameCpuNsMax = frameCpuMax;
        idle.timers = application_.takeTimerLog();
        idle_.push_back(std::move(idle));
    }

    // One frame, then silence until the watchdog has fired, again and again.
    void watchdog() {
        std::fprintf(stderr, "link: watchdog, %d silences\n", options_.silences);
        bool notDetected = false;
        for (int silence = 0; silence < options_.silences; ++silence) {
            const std::uint64_t before = observed_.notDetected.load();
            const Shown frame = sendAndWaitShown();
            if (notDetected)
                receiveAfterSilence_.push_back(frame.shownNs - frame.sentNs);
            // The slot that time-stamps "shown" runs just after the window restarted the
            // watchdog, so measured from here an expiry looks a little earlier than it is.
            const std::int64_t restarted = frame.shownNs;
            if (!observed_.waitFor([&] { return observed_.notDetected.load() > before; }, 5000ms))
                throw Failure("the watchdog did not fire within 5 s of a frame");
            watchdogTimer_.push_back(observed_.expiryNs.load() - restarted - 3'000'000'000);
            watchdogShown_.push_back(observed_.notDetectedNs.load() - restarted - 3'000'000'000);
            notDetected = true;
            std::this_thread::sleep_for(300ms);
        }
    }

    // The watchdog has fired and nothing arrives: nothing should run at all.
    void notDetectedIdle() {
        const int seconds = options_.idleSeconds;
        std::fprintf(stderr, "link: not-detected idle, %d s of silence\n", seconds);
        std::this_thread::sleep_for(200ms);
        application_.takeTimerLog();
        application_.setRecordTimers(true);
        const std::int64_t startNs = bench::nowNs();
        const ThreadCounters first = counters();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        const ThreadCounters last = counters();
        application_.setRecordTimers(false);
        Idle idle = difference("notdetected", first, last);
        idle.startNs = startNs;
        idle.seconds = seconds;
        idle.gapSwitches = idle.used.voluntary;
        idle.timers = application_.takeTimerLog();
        idle_.push_back(std::move(idle));
    }

    const Options options_;
    PseudoTerminal& line_;
    Observed& observed_;
    bench::BenchApplication& application_;
    configurator::frmMain& window_;
    clockid_t guiClock_{};
    std::string guiStatus_;
    std::mt19937 random_{20240601};
    int next_ = 0;
    int threads_ = 0;

    std::vector<std::int64_t> receiveSet_, receivePainted_, receiveSlowSet_, receiveAfterSilence_;
    std::vector<std::int64_t> write_, watchdogTimer_, watchdogShown_;
    std::vector<Idle> idle_;
};

Options parse(int argc, char* argv[]) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (name == "--frames")
            options.frames = value;
        else if (name == "--writes")
            options.writes = value;
        else if (name == "--silences")
            options.silences = value;
        else if (name == "--idle-seconds")
            options.idleSeconds = value;
    }
    return options;
}

} // namespace

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const Options options = parse(argc, argv);
    bench::BenchApplication application(argc, argv);
    QApplication::setApplicationName(configurator::kDefinitionCaption);

    PseudoTerminal line;
    configurator::frmMain window(platform::portMapFromList({line.devicePath()}));
    application.watch(&window);
    window.start();
    if (platform::programEnded() || !window.commPortOpened() || window.commPortNumber() != 1) {
        std::fprintf(stderr, "the window did not open the pseudo-terminal as comm 1\n");
        return 1;
    }

    Observed observed;
    // Connected after the window's own slots, so these run once its event procedure returned.
    QObject::connect(&window.com232, &platform::SerialControl::OnComm, &window, [&] {
        const std::int64_t at = bench::nowNs();
        const Frame& frame = kFrames[static_cast<std::size_t>(observed.expected.load())];
        bool right = window.txtStatus->text() == configurator::kUnitDetected &&
                     window.cmdProgram->isEnabled() && window.frmPortA->isEnabled() &&
                     window.frmPortB->isEnabled() && window.frmPortC->isEnabled();
        for (std::int16_t slot = 0; slot < configurator::kSlotCount; ++slot)
            right = right && window.lblCurrent.Item(slot)->text() ==
                                 QLatin1String(frame.shown[static_cast<std::size_t>(slot)]);
        if (right) {
            observed.shownNs.store(at);
            observed.shown.fetch_add(1);
        } else {
            observed.shownWrong.fetch_add(1);
        }
        observed.notify();
    });
    QObject::connect(&window.tmrConnection, &QTimer::timeout, &window, [&] {
        const std::int64_t at = bench::nowNs();
        bool right = window.txtStatus->text() == configurator::kUnitNotDetected &&
                     !window.cmdProgram->isEnabled() && !window.tmrConnection.isActive();
        for (std::int16_t slot = 0; slot < configurator::kSlotCount; ++slot)
            right = right && window.lblCurrent.Item(slot)->text() == configurator::kNotAvailable;
        observed.notDetectedNs.store(at);
        observed.notDetected.fetch_add(1);
        if (!right)
            observed.notDetectedWrong.fetch_add(1);
        observed.notify();
    });
    ExpiryClock expiryClock(window.tmrConnection, observed);
    window.tmrConnection.installEventFilter(&expiryClock);
    QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, &window,
        [&] { observed.loopTurns.fetch_add(1); }, Qt::DirectConnection);
    application.onPaintPass = [&](std::int64_t) { observed.notify(); };

    Scenario scenario(options, line, observed, application, window, pthread_self(), gettid());
    int status = 0;
    std::string failure;
    std::thread unit([&] {
        try {
            scenario.run();
        } catch (const std::exception& error) {
            failure = error.what();
            status = 1;
        }
        QMetaObject::invokeMethod(&application, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    QApplication::exec();
    unit.join();

    std::printf("info qt=%s platform=%s threads=%d\n", qVersion(),
                qPrintable(QGuiApplication::platformName()), scenario.threads());
    scenario.print();
    if (status != 0)
        std::printf("error %s\n", failure.c_str());
    std::fflush(stdout);
    return status;
}
