// The configurator's benchmark: the real program's start beside an empty window and a window with
// one label, receive and write latency, the watchdog's punctuality and the idle cost, each with
// its goal, in one table. The bench first hides the host's serial devices in a mount namespace
// of its own (hidden_serial_devices.h), so that the real program lists the host's ports as it
// always does and finds none that opens; the link figures run over a pseudo-terminal.
//
//   configurator_bench [--quick] [--no-xvfb] [--startup-only] [--program PATH]
//   configurator_bench --first-frame FILE [--program PATH]
// --program starts another build of the configurator; --first-frame saves its first painted
// frame (offscreen) to a PNG file and ends, for comparing builds pixel for pixel.
#include "drawn_window_watch.h"
#include "figures.h"
#include "hidden_serial_devices.h"
#include "startup_probe.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>

#include <sys/utsname.h>
#include <unistd.h>

namespace {

struct Settings {
    bool quick = false;
    bool xvfb = true;
    bool link = true;
    int rounds = 20;
    int frames = 1000;
    int writes = 500;
    int silences = 8;
    int idleSeconds = 10;
    QString firstFrame;
    QString program = QStringLiteral(BENCH_CONFIGURATOR);
};

// A server that the bench starts for the probes and ends with them.
struct Server {
    QProcess process;

    // Starts `program`, which says on standard output, in one line, how to reach it.
    QString start(const QString& program, const QStringList& arguments) {
        process.start(program, arguments);
        if (!process.waitForStarted(10000))
            return {};
        while (!process.canReadLine() && process.waitForReadyRead(10000)) {
        }
        return QString::fromLocal8Bit(process.readLine().trimmed());
    }
    ~Server() {
        process.kill();
        process.waitForFinished();
    }
};

// ---- Start-up -----------------------------------------------------------------------------

using Samples = std::map<std::string, std::vector<StartSample>>; // by program

struct PlatformRun {
    std::string platform;
    Samples samples;
};

std::vector<Program> programs(const QString& configurator, QSize size) {
    const QStringList floor{QString::number(size.width()), QString::number(size.height())};
    return {{"configurator", configurator, {}},
            {"empty window", QStringLiteral(BENCH_FLOOR), floor},
            {"text floor", QStringLiteral(BENCH_FLOOR), floor + QStringList{"--text"}}};
}

// One start of each to warm the caches, then `rounds` rounds of all three, each round in
// another order.
PlatformRun startRounds(const Settings& settings, const Platform& platform, QSize size) {
    const int rounds = settings.rounds;
    std::fprintf(stderr, "start-up [%s]: %d rounds\n", platform.name.c_str(), rounds);
    const std::vector<Program> all = programs(settings.program, size);
    PlatformRun run{platform.name, {}};
    for (const Program& program : all) {
        const StartSample warm = startOnce(program, platform);
        if (warm.size != size)
            throw std::runtime_error(program.name + "'s window is not of the configurator's size");
        if (program.name == "configurator" && platform.watch != nullptr &&
            !warm.title.endsWith(QStringLiteral("No Comm Ports Available")))
            throw std::runtime_error("the configurator found a port to open: " +
                                     warm.title.toStdString());
    }
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < all.size(); ++i) {
            const Program& program = all[(i + std::size_t(round)) % all.size()];
            run.samples[program.name].push_back(startOnce(program, platform));
        }
    }
    return run;
}

std::vector<double> times(const std::vector<StartSample>& samples, bool memory) {
    std::vector<double> values;
    for (const StartSample& sample : samples)
        values.push_back(memory ? sample.peakMb : sample.ms);
    return values;
}

void startupRows(const PlatformRun& run, std::vector<Row>& rows, bool& allMet) {
    // The goals hold on a bare X server; elsewhere the ratios are for comparison.
    const bool goals = run.platform == "Xvfb";
    const std::string tag = " [" + run.platform + "]";
    std::map<std::string, Summary> startup;
    std::map<std::string, Summary> memory;
    for (const auto& [name, samples] : run.samples) {
        startup[name] = summarize(times(samples, false));
        memory[name] = summarize(times(samples, true));
        rows.push_back(
            {"start-up, " + name + tag, std::to_string(samples.size()),
             format("%.1f ms", startup[name].median),
             format("%.1f", startup[name].least) + format(" - %.1f ms", startup[name].most), "",
             ""});
    }
    auto ratio = [&](const std::string& floor, double goal, const std::string& what,
                     std::map<std::string, Summary>& figures) {
        const double value = figures["configurator"].median / figures[floor].median;
        const bool met = value <= goal;
        if (goals)
            allMet = allMet && met;
        rows.push_back({"  configurator / " + floor + ", " + what, "", format("%.2f x", value), "",
                        goals ? format("<= %.2f x", goal) : "", goals ? (met ? "yes" : "NO") : ""});
    };
    ratio("text floor", 1.35, "start-up", startup);
    ratio("empty window", 1.5, "start-up", startup);
    for (const char* name : {"configurator", "empty window"})
        rows.push_back(
            {std::string("peak resident, ") + name + tag, "",
             format("%.1f MB", memory[name].median),
             format("%.1f", memory[name].least) + format(" - %.1f MB", memory[name].most), "", ""});
    ratio("empty window", 1.35, "peak resident", memory);
}

// ---- Link figures -------------------------------------------------------------------------

// The words of the probe's output line that starts with `tag`.
std::vector<std::string> line(const std::string& output, const std::string& tag) {
    std::istringstream lines(output);
    std::string text;
    while (std::getline(lines, text)) {
        std::istringstream words(text);
        std::vector<std::string> result;
        std::string word;
        while (words >> word)
            result.push_back(word);
        if (result.size() >= 2 && result[0] + ' ' + result[1] == tag)
            return {result.begin() + 2, result.end()};
    }
    return {};
}

std::vector<double> samplesMs(const std::string& output, const std::string& name) {
    std::vector<double> values;
    for (const std::string& word : line(output, "samples " + name))
        values.push_back(std::stod(word) / 1e6);
    return values;
}

std::map<std::string, double> idleFigures(const std::string& output, const std::string& name) {
    std::map<std::string, double> figures;
    for (const std::string& word : line(output, "idle " + name)) {
        const std::size_t equals = word.find('=');
        if (equals != std::string::npos)
            figures[word.substr(0, equals)] = std::stod(word.substr(equals + 1));
    }
    if (figures.empty())
        throw std::runtime_error("no idle figures from the link probe");
    return figures;
}

// Qt's pixmap cache flushes itself once, about 30 s after the style last cached a pixmap, and
// then stops its timer: housekeeping of the toolkit that ends by itself, not a poll.
constexpr const char* kPixmapCacheFlush = "QPMCache()";

void latencyRow(std::vector<Row>& rows, const std::string& figure, const std::vector<double>& v,
                const std::string& goal = "", std::optional<bool> met = std::nullopt) {
    const Summary summary = summarize(v);
    rows.push_back({figure, std::to_string(v.size()), format("%.3f ms", summary.median),
                    format("%.3f", summary.p99) + format(", %.3f ms", summary.most), goal,
                    met ? (*met ? "yes" : "NO") : ""});
}

void linkRows(const std::string& output, std::vector<Row>& rows, std::vector<std::string>& notes,
              bool& allMet) {
    const std::vector<double> receive = samplesMs(output, "receive_set");
    const bool receiveMet = !receive.empty() && summarize(receive).p99 < 1.0;
    allMet = allMet && receiveMet;
    latencyRow(rows, "receive: last byte -> 9 values + detected set", receive, "p99 < 1 ms",
               receiveMet);
    latencyRow(rows, "  ... -> painted", samplesMs(output, "receive_painted"));
    latencyRow(rows, "  frames 1 s apart", samplesMs(output, "receive_1hz_set"));
    latencyRow(rows, "  first frame after a silence",
               samplesMs(output, "receive_after_silence_set"));
    latencyRow(rows, "write: click -> 11th byte readable far side", samplesMs(output, "write"));

    const std::vector<double> lateness = samplesMs(output, "watchdog_timer");
    const Summary late = summarize(lateness);
    const bool watchdogMet = !lateness.empty() && late.least >= 0 && late.most <= 5;
    allMet = allMet && watchdogMet;
    latencyRow(rows, "watchdog: expiry lateness after 3000 ms", lateness,
               "never early, <= 5 ms late", watchdogMet);
    rows.push_back({"  earliest expiry (lateness)", "", format("%.3f ms", late.least), "", "", ""});
    latencyRow(rows, "  ... not-detected state set", samplesMs(output, "watchdog_shown"));

    for (const auto& [name, title] :
         {std::pair<std::string, std::string>{"detected", "idle detected"},
          {"notdetected", "idle not-detected"}}) {
        std::map<std::string, double> idle = idleFigures(output, name);
        const bool frames = idle["frames"] > 0;
        // Each flush of Qt's pixmap cache may wake the thread once; nothing else may.
        double flushes = 0;
        double others = 0;
        std::string timers;
        for (const std::string& timer : line(output, "idle_timers " + name)) {
            (timer.rfind(kPixmapCacheFlush, 0) == 0 ? flushes : others) += 1;
            timers += ' ' + timer;
        }
        const bool timersQuiet = others == 0;
        const bool wakeupsQuiet =
            idle["gap_switches"] <= flushes && (frames || idle["loop_turns"] <= flushes);
        allMet = allMet && timersQuiet && wakeupsQuiet;

        const std::string heading =
            title + (frames ? " (1 frame/s), " : ", ") + format("%.0f s:", idle["seconds"]);
        rows.push_back(
            {heading + " GUI-thread CPU", "1", format("%.2f ms", idle["gui_cpu_ns"] / 1e6),
             format("%.3f %% core", idle["gui_cpu_ns"] / 1e6 / (idle["seconds"] * 10)), "", ""});
        rows.push_back({"  process CPU (incl. unit thread)", "1",
                        format("%.2f ms", idle["process_cpu_ns"] / 1e6), "", "", ""});
        rows.push_back({"  GUI-thread wakeups / event-loop turns / paint passes", "1",
                        format("%.0f", idle["voluntary"]) + format(" / %.0f", idle["loop_turns"]) +
                            format(" / %.0f", idle["paint_passes"]),
                        frames ? format("%.0f max/frame", idle["frame_switches_max"]) : "", "",
                        ""});
        rows.push_back({frames ? "  wakeups between frames" : "  wakeups while silent", "1",
                        format("%.0f", idle["gap_switches"]), "", "0 (but a pixmap-cache flush)",
                        wakeupsQuiet ? "yes" : "NO"});
        rows.push_back({"  timer events", "1", format("%.0f", idle["timer_events"]), "",
                        "none (but a pixmap-cache flush)", timersQuiet ? "yes" : "NO"});
        notes.push_back("timer events, " + title + ":" + (timers.empty() ? " none" : timers));
    }
}

std::string linkRun(const Settings& settings) {
    std::fprintf(stderr, "link figures on a pseudo-terminal (offscreen)\n");
    QProcess link;
    link.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    link.setProcessEnvironment(environment);
    link.start(QStringLiteral(BENCH_LINK_WINDOW),
               {"--frames", QString::number(settings.frames), "--writes",
                QString::number(settings.writes), "--silences", QString::number(settings.silences),
                "--idle-seconds", QString::number(settings.idleSeconds)});
    if (!link.waitForFinished(-1) || link.exitStatus() != QProcess::NormalExit ||
        link.exitCode() != 0)
        throw std::runtime_error("the link probe failed: " + link.readAll().toStdString());
    return link.readAllStandardOutput().toStdString();
}

// ---- Main ---------------------------------------------------------------------------------

Settings parse(const QStringList& arguments) {
    Settings settings;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        if (option == "--quick") {
            settings.quick = true;
            settings.rounds = 6;
            settings.writes = 200;
            settings.silences = 5;
            settings.idleSeconds = 4;
        } else if (option == "--no-xvfb") {
            settings.xvfb = false;
        } else if (option == "--startup-only") {
            settings.link = false;
        } else if (option == "--first-frame" && i + 1 < arguments.size()) {
            settings.firstFrame = arguments[++i];
        } else if (option == "--program" && i + 1 < arguments.size()) {
            settings.program = arguments[++i];
        } else {
            std::fprintf(stderr, "usage: configurator_bench [--quick] [--no-xvfb] "
                                 "[--startup-only] [--program PATH]\n"
                                 "       configurator_bench --first-frame FILE [--program PATH]\n");
            std::exit(option == "--help" || option == "-h" ? 0 : 2);
        }
    }
    return settings;
}

std::string cpuModel() {
    std::ifstream info("/proc/cpuinfo");
    std::string text;
    while (std::getline(info, text)) {
        if (text.rfind("model name", 0) == 0)
            return text.substr(text.find(':') + 2);
    }
    return "unknown";
}

int run(const Settings& settings, const QStringList& hidden) {
    const auto began = std::chrono::steady_clock::now();
    QTemporaryDir runtime;
    const QString noBus = QStringLiteral("unix:path=") + runtime.filePath("no-session-bus");
    const QString paintMark = QStringLiteral(BENCH_PAINT_MARK);

    Platform offscreen{"offscreen",
                       startEnvironment(QStringLiteral("offscreen"), runtime.path(), noBus)};
    offscreen.environment.insert(QStringLiteral("LD_PRELOAD"), paintMark);
    if (!settings.firstFrame.isEmpty()) {
        offscreen.environment.insert(QStringLiteral("BENCH_FIRST_FRAME"), settings.firstFrame);
        startOnce({"configurator", settings.program, {}}, offscreen);
        std::printf("first frame of %s saved to %s\n", qPrintable(settings.program),
                    qPrintable(settings.firstFrame));
        return 0;
    }

    Server bus;
    const QString busAddress =
        bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
    if (busAddress.isEmpty())
        throw std::runtime_error("dbus-daemon did not start");
    Platform offscreenBus = offscreen;
    offscreenBus.name = "offscreen + D-Bus";
    offscreenBus.environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);

    const QSize size = startOnce({"configurator", settings.program, {}}, offscreen).size;
    std::vector<PlatformRun> runs;
    runs.push_back(startRounds(settings, offscreen, size));
    runs.push_back(startRounds(settings, offscreenBus, size));
    if (settings.xvfb) {
        Server xvfb;
        const QString display =
            ':' + xvfb.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-nolisten", "tcp",
                                                      "-noreset", "-screen", "0", "1024x768x24"});
        if (display == ":")
            throw std::runtime_error("Xvfb did not start (--no-xvfb leaves it out)");
        DrawnWindowWatch watch(display);
        Platform x{"Xvfb", startEnvironment(QStringLiteral("xcb"), runtime.path(), noBus), &watch};
        x.environment.insert(QStringLiteral("DISPLAY"), display);
        Platform xBus = x;
        xBus.name = "Xvfb + D-Bus";
        xBus.environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        runs.push_back(startRounds(settings, x, size));
        runs.push_back(startRounds(settings, xBus, size));
    }

    const std::string link = settings.link ? linkRun(settings) : std::string();

    utsname system{};
    uname(&system);
    std::printf(
        "configurator_bench%s: %s, %ld CPUs, Linux %s, Qt %s; load average at the end "
        "%s\nserial devices hidden: %lld\n\n",
        settings.quick ? " --quick" : "", cpuModel().c_str(), sysconf(_SC_NPROCESSORS_ONLN),
        system.release, qVersion(),
        [] {
            std::ifstream load("/proc/loadavg");
            std::string first;
            load >> first;
            return first;
        }()
            .c_str(),
        static_cast<long long>(hidden.size()));

    std::vector<Row> rows;
    std::vector<std::string> notes;
    bool allMet = true;
    for (const PlatformRun& platformRun : runs)
        startupRows(platformRun, rows, allMet);
    if (settings.link)
        linkRows(link, rows, notes, allMet);
    printTable(rows);
    std::printf("\n");
    for (const std::string& note : notes)
        std::printf("%s\n", note.c_str());
    std::printf("\nall goals met: %s; whole run %.0f s\n", allMet ? "yes" : "NO",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const Settings settings = parse(arguments);
    try {
        // First, while this is the only thread: only a single thread may enter a user namespace.
        const QStringList hidden = hideSerialDevices();
        QCoreApplication application(argc, argv);
        return run(settings, hidden);
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "configurator_bench: %s\n", error.what());
        return 1;
    }
}
