// The configurator's benchmark: start-up and memory beside an empty Qt window, receive and write
// latency, the watchdog's punctuality and the idle cost, each with its goal. It runs the helper
// programs built beside it and prints one table. Never enumerates or opens a serial port of the
// host: the start-up probe's port map leads nowhere and the link probe talks over a
// pseudo-terminal.
//
//   configurator_bench [--quick] [--no-xvfb]
#include "bench_clock.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Settings {
    bool quick = false;
    bool xvfb = true;
    int startupPairs = 30;
    int xvfbPairs = 15;
    int frames = 1000;
    int writes = 500;
    int silences = 8;
    int idleSeconds = 10;
};

// ---- Child processes ----------------------------------------------------------------------

using Environment = std::map<std::string, std::string>;

struct ChildRun {
    int status = -1;
    std::string out;
    std::string err;
    long maxResidentKb = 0;
    std::int64_t spawnNs = 0;
};

std::vector<std::string> environmentWith(const Environment& changes) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        const std::string name = variable.substr(0, variable.find('='));
        if (changes.find(name) == changes.end())
            result.push_back(variable);
    }
    for (const auto& [name, value] : changes) {
        if (!value.empty())
            result.push_back(name + '=' + value);
    }
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (std::string& string : strings)
        result.push_back(string.data());
    result.push_back(nullptr);
    return result;
}

// Runs a program to its end with its output collected; standard error is passed through
// unless `captureErr`. The spawn time is taken just before the process is created.
ChildRun runChild(std::vector<std::string> arguments, const Environment& changes,
                  bool captureErr = true) {
    int outPipe[2];
    int errPipe[2] = {-1, -1};
    if (pipe2(outPipe, O_CLOEXEC) != 0 || (captureErr && pipe2(errPipe, O_CLOEXEC) != 0))
        throw Failure("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    if (captureErr)
        posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    std::vector<std::string> environment = environmentWith(changes);
    std::vector<char*> argv = pointers(arguments);
    std::vector<char*> envp = pointers(environment);

    ChildRun run;
    pid_t pid = 0;
    run.spawnNs = bench::nowNs();
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    if (captureErr)
        ::close(errPipe[1]);
    if (spawned != 0) {
        ::close(outPipe[0]);
        if (captureErr)
            ::close(errPipe[0]);
        throw Failure("cannot start " + arguments[0] + ": " + std::strerror(spawned));
    }

    std::vector<pollfd> open{{outPipe[0], POLLIN, 0}};
    if (captureErr)
        open.push_back({errPipe[0], POLLIN, 0});
    while (!open.empty()) {
        if (::poll(open.data(), open.size(), -1) < 0 && errno != EINTR)
            break;
        for (std::size_t i = open.size(); i-- > 0;) {
            if (open[i].revents == 0)
                continue;
            char buffer[65536];
            const ssize_t got = ::read(open[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                (open[i].fd == outPipe[0] ? run.out : run.err)
                    .append(buffer, static_cast<std::size_t>(got));
            } else {
                ::close(open[i].fd);
                open.erase(open.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.maxResidentKb = usage.ru_maxrss;
    return run;
}

// key=value words of the output line that starts with `tag`.
std::map<std::string, std::string> fields(const std::string& output, const std::string& tag) {
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word;
        if (!(words >> word) || word != tag)
            continue;
        std::map<std::string, std::string> result;
        while (words >> word) {
            const std::size_t equals = word.find('=');
            if (equals != std::string::npos)
                result[word.substr(0, equals)] = word.substr(equals + 1);
        }
        return result;
    }
    return {};
}

std::string word(const std::map<std::string, std::string>& found, const std::string& key) {
    const auto entry = found.find(key);
    if (entry == found.end())
        throw Failure("no " + key + " in a probe's report");
    return entry->second;
}

std::vector<double> samplesMs(const std::string& output, const std::string& name) {
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string tag;
        std::string kind;
        if (!(words >> tag >> kind) || tag != "samples" || kind != name)
            continue;
        std::vector<double> result;
        long long value = 0;
        while (words >> value)
            result.push_back(static_cast<double>(value) / 1e6);
        return result;
    }
    return {};
}

// ---- Statistics ---------------------------------------------------------------------------

double median(std::vector<double> values) {
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Nearest rank: the smallest value that at least `fraction` of the values do not exceed.
double percentile(std::vector<double> values, double fraction) {
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * double(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

double worst(const std::vector<double>& values) {
    return values.empty() ? NAN : *std::max_element(values.begin(), values.end());
}

double least(const std::vector<double>& values) {
    return values.empty() ? NAN : *std::min_element(values.begin(), values.end());
}

// ---- The table ----------------------------------------------------------------------------

struct Row {
    std::string figure;
    std::string runs;
    std::string middle;
    std::string p99;
    std::string worst;
    std::string goal;
    std::string met;
};

std::string format(const char* pattern, double value) {
    if (std::isnan(value))
        return "-";
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string ms(double value, int decimals = 3) {
    return format(decimals == 1 ? "%.1f ms" : "%.3f ms", value);
}

std::string yesNo(bool met) {
    return met ? "yes" : "NO";
}

void printTable(const std::vector<Row>& rows) {
    const Row heading{"Figure", "Runs", "Median", "p99", "Worst", "Goal", "Met"};
    std::size_t widths[7] = {};
    auto measure = [&widths](const Row& row) {
        const std::string* cells[] = {&row.figure, &row.runs, &row.middle, &row.p99,
                                      &row.worst,  &row.goal, &row.met};
        for (int i = 0; i < 7; ++i)
            widths[i] = std::max(widths[i], cells[i]->size());
    };
    measure(heading);
    for (const Row& row : rows)
        measure(row);
    auto print = [&widths](const Row& row) {
        std::printf("%-*s  %*s  %*s  %*s  %*s  %-*s  %s\n", int(widths[0]), row.figure.c_str(),
                    int(widths[1]), row.runs.c_str(), int(widths[2]), row.middle.c_str(),
                    int(widths[3]), row.p99.c_str(), int(widths[4]), row.worst.c_str(),
                    int(widths[5]), row.goal.c_str(), row.met.c_str());
    };
    print(heading);
    std::size_t total = 12;
    for (const std::size_t width : widths)
        total += width;
    std::printf("%s\n", std::string(total, '-').c_str());
    for (const Row& row : rows)
        print(row);
}

// ---- Start-up and memory ------------------------------------------------------------------

struct Startup {
    std::vector<double> paintMs;    // spawn to first paint
    std::vector<double> peakKb;     // VmHWM at the first paint
    std::vector<double> exitPeakKb; // the peak over the whole run, as wait4 reports it
    std::vector<double> mainMs;     // spawn to main
    std::vector<double> appMs;      // main to the application object
    std::vector<double> windowMs;   // application object to the window built
    std::vector<double> shownMs;    // window built to shown (the port search included)
    std::vector<double> paintedMs;  // shown to first paint
};

void record(Startup& into, const ChildRun& run) {
    const auto found = fields(run.out, "startup");
    auto at = [&](const char* key) { return std::stod(word(found, key)); };
    const double spawn = static_cast<double>(run.spawnNs);
    into.paintMs.push_back((at("painted") - spawn) / 1e6);
    into.peakKb.push_back(at("vmhwm_kb"));
    into.exitPeakKb.push_back(static_cast<double>(run.maxResidentKb));
    into.mainMs.push_back((at("main") - spawn) / 1e6);
    into.appMs.push_back((at("application") - at("main")) / 1e6);
    into.windowMs.push_back((at("window") - at("application")) / 1e6);
    into.shownMs.push_back((at("shown") - at("window")) / 1e6);
    into.paintedMs.push_back((at("painted") - at("shown")) / 1e6);
}

ChildRun probe(const std::vector<std::string>& arguments, const Environment& environment) {
    ChildRun run = runChild(arguments, environment);
    if (run.status != 0 || fields(run.out, "startup").empty())
        throw Failure(arguments[0] + " failed (status " + std::to_string(run.status) +
                      "): " + run.err);
    return run;
}

struct StartupPair {
    std::string platform;
    Startup configurator;
    Startup floor;
};

// Both probes once to warm the caches, then `pairs` runs of each, alternating.
StartupPair startupPair(const std::string& platform, const Environment& environment, int pairs) {
    std::fprintf(stderr, "start-up [%s]: %d runs of each program\n", platform.c_str(), pairs);
    const std::vector<std::string> configurator{BENCH_STARTUP_CONFIGURATOR};
    const ChildRun warm = probe(configurator, environment);
    const auto size = fields(warm.out, "startup");
    const std::vector<std::string> floor{BENCH_STARTUP_EMPTY_WINDOW, word(size, "width"),
                                         word(size, "height")};
    const ChildRun warmFloor = probe(floor, environment);
    if (fields(warmFloor.out, "startup").at("width") != word(size, "width") ||
        fields(warmFloor.out, "startup").at("height") != word(size, "height"))
        throw Failure("the empty window is not of the configurator's size");

    StartupPair result{platform, {}, {}};
    for (int i = 0; i < 2 * pairs; ++i) {
        if (i % 2 == 0)
            record(result.configurator, probe(configurator, environment));
        else
            record(result.floor, probe(floor, environment));
    }
    return result;
}

void startupRows(const StartupPair& pair, std::vector<Row>& rows, bool& allMet) {
    const std::string tag = " [" + pair.platform + "]";
    const std::string runs = std::to_string(pair.configurator.paintMs.size());
    const double configuratorMs = median(pair.configurator.paintMs);
    const double floorMs = median(pair.floor.paintMs);
    const double ratio = configuratorMs / floorMs;
    const bool met = ratio <= 1.3;
    allMet = allMet && met;
    rows.push_back({"start-up to first paint, configurator" + tag, runs, ms(configuratorMs, 1), "",
                    ms(worst(pair.configurator.paintMs), 1), "", ""});
    rows.push_back({"start-up to first paint, empty window" + tag, runs, ms(floorMs, 1), "",
                    ms(worst(pair.floor.paintMs), 1), "", ""});
    rows.push_back({"  configurator / empty window", "", format("%.2f x", ratio), "",
                    format("%.2f x", worst(pair.configurator.paintMs) / worst(pair.floor.paintMs)),
                    "<= 1.30 x (medians)", yesNo(met)});
}

void memoryRows(const StartupPair& pair, std::vector<Row>& rows, bool& allMet) {
    const std::string tag = " [" + pair.platform + "]";
    const std::string runs = std::to_string(pair.configurator.peakKb.size());
    auto mb = [](double kb) { return format("%.1f MB", kb / 1024); };
    const double ratio = median(pair.configurator.peakKb) / median(pair.floor.peakKb);
    const bool met = ratio <= 1.4;
    allMet = allMet && met;
    rows.push_back({"peak resident (VmHWM), configurator" + tag, runs,
                    mb(median(pair.configurator.peakKb)), "", mb(worst(pair.configurator.peakKb)),
                    "", ""});
    rows.push_back({"peak resident (VmHWM), empty window" + tag, runs,
                    mb(median(pair.floor.peakKb)), "", mb(worst(pair.floor.peakKb)), "", ""});
    rows.push_back({"  configurator / empty window", "", format("%.2f x", ratio), "",
                    format("%.2f x", worst(pair.configurator.peakKb) / worst(pair.floor.peakKb)),
                    "<= 1.40 x (medians)", yesNo(met)});
}

void printBreakdown(const StartupPair& pair) {
    auto line = [](const char* name, const Startup& run) {
        std::printf("  %-13s spawn->main %6.1f  main->application %6.1f  ->window built %6.1f  "
                    "->shown %6.1f  ->painted %6.1f  (ms, medians); peak at exit %.1f MB\n",
                    name, median(run.mainMs), median(run.appMs), median(run.windowMs),
                    median(run.shownMs), median(run.paintedMs), median(run.exitPeakKb) / 1024);
    };
    std::printf("start-up breakdown [%s]:\n", pair.platform.c_str());
    line("configurator", pair.configurator);
    line("empty window", pair.floor);
}

// ---- Xvfb ---------------------------------------------------------------------------------

struct Xvfb {
    pid_t pid = -1;
    std::string display;

    ~Xvfb() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

// Starts Xvfb on a free display; nothing when it is not installed or does not come up.
std::optional<std::string> startXvfb(Xvfb& server) {
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ready[1], 3);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> arguments{"Xvfb", "-displayfd", "3", "-nolisten",
                                       "tcp",  "-screen",    "0", "1280x1024x24"};
    std::vector<char*> argv = pointers(arguments);
    const int spawned = posix_spawnp(&server.pid, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ready[1]);
    if (spawned != 0) {
        server.pid = -1;
        ::close(ready[0]);
        return std::nullopt;
    }
    std::string number;
    pollfd waiting{ready[0], POLLIN, 0};
    const std::int64_t deadline = bench::nowNs() + 10'000'000'000;
    while (number.find('\n') == std::string::npos && bench::nowNs() < deadline) {
        if (::poll(&waiting, 1, 100) <= 0)
            continue;
        char buffer[32];
        const ssize_t got = ::read(ready[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        number.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(ready[0]);
    if (number.find('\n') == std::string::npos)
        return std::nullopt;
    number.erase(number.find('\n'));
    server.display = ':' + number;
    return server.display;
}

// ---- Link figures -------------------------------------------------------------------------

std::map<std::string, std::string> idleFields(const std::string& output, const std::string& name) {
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("idle " + name + ' ', 0) == 0)
            return fields(line.substr(5), name);
    }
    return {};
}

// The timer events of an idle span: their times in seconds from its start, by receiver.
using TimerTimes = std::map<std::string, std::vector<std::string>>;

TimerTimes idleTimers(const std::string& output, const std::string& name) {
    std::istringstream lines(output);
    std::string line;
    const std::string tag = "idle_timers " + name;
    TimerTimes times;
    while (std::getline(lines, line)) {
        if (line.rfind(tag + ' ', 0) != 0 && line != tag)
            continue;
        std::istringstream words(line.substr(tag.size()));
        std::string timer;
        while (words >> timer) {
            const std::size_t at = timer.rfind('@');
            times[timer.substr(0, at)].push_back(at == std::string::npos ? "?"
                                                                         : timer.substr(at + 1));
        }
    }
    return times;
}

// "QPMCache() x1 (at 3.1 s)".
std::string describe(const TimerTimes& times) {
    std::string text;
    for (const auto& [receiver, when] : times) {
        std::string list;
        for (const std::string& second : when)
            list += (list.empty() ? "" : ", ") + second;
        text += (text.empty() ? "" : "; ") + receiver + " x" + std::to_string(when.size()) +
                " (at " + list + " s)";
    }
    return text;
}

// Qt's pixmap cache flushes itself once, about 30 s after the style last cached a pixmap, and
// then stops its timer: housekeeping of the toolkit that ends by itself, not a poll.
constexpr const char* kPixmapCacheFlush = "QPMCache()";

void latencyRow(std::vector<Row>& rows, const std::string& figure, const std::vector<double>& v,
                const std::string& goal = "", const std::string& met = "") {
    rows.push_back({figure, std::to_string(v.size()), ms(median(v)), ms(percentile(v, 0.99)),
                    ms(worst(v)), goal, met});
}

void linkRows(const std::string& output, std::vector<Row>& rows, std::vector<std::string>& notes,
              bool& allMet) {
    const std::vector<double> receive = samplesMs(output, "receive_set");
    const bool receiveMet = !receive.empty() && percentile(receive, 0.99) < 1.0;
    allMet = allMet && receiveMet;
    latencyRow(rows, "receive: last byte -> 9 values + detected set", receive, "p99 < 1 ms",
               yesNo(receiveMet));
    latencyRow(rows, "  ... -> painted (info)", samplesMs(output, "receive_painted"));
    latencyRow(rows, "  frames 1 s apart (info)", samplesMs(output, "receive_1hz_set"));
    latencyRow(rows, "  first frame after a silence (info)",
               samplesMs(output, "receive_after_silence_set"));

    latencyRow(rows, "write: click -> 11th byte readable far side", samplesMs(output, "write"),
               "none set", "-");

    const std::vector<double> lateness = samplesMs(output, "watchdog_timer");
    const bool watchdogMet = !lateness.empty() && least(lateness) >= 0 && worst(lateness) <= 5;
    allMet = allMet && watchdogMet;
    latencyRow(rows, "watchdog: expiry lateness after 3000 ms", lateness,
               "never early, <= 5 ms late", yesNo(watchdogMet));
    rows.push_back({"  earliest expiry (lateness)", "", ms(least(lateness)), "", "", "", ""});
    latencyRow(rows, "  ... not-detected state set (info)", samplesMs(output, "watchdog_shown"));

    for (const auto& [name, title] :
         {std::pair<std::string, std::string>{"detected", "idle detected"},
          {"notdetected", "idle not-detected"}}) {
        const auto idle = idleFields(output, name);
        if (idle.empty())
            throw Failure("no idle figures from the link probe");
        auto number = [&idle](const char* key) { return std::stod(word(idle, key)); };
        const double seconds = number("seconds");
        const double cpuMs = number("gui_cpu_ns") / 1e6;
        const bool frames = number("frames") > 0;
        const std::string heading = title + (frames ? " (1 frame/s), " : ", ") +
                                    std::to_string(static_cast<int>(seconds)) + " s:";

        const TimerTimes timers = idleTimers(output, name);
        double flushes = 0;
        double others = 0;
        for (const auto& [receiver, when] : timers)
            (receiver == kPixmapCacheFlush ? flushes : others) += double(when.size());
        // Each flush of Qt's pixmap cache may wake the thread once; nothing else may.
        const bool timersQuiet = others == 0;
        const bool wakeupsQuiet =
            number("gap_switches") <= flushes && (frames || number("loop_turns") <= flushes);
        allMet = allMet && timersQuiet && wakeupsQuiet;

        rows.push_back({heading + " GUI-thread CPU", "1", format("%.2f ms", cpuMs), "",
                        format("%.3f %% core", cpuMs / (seconds * 10)), "", ""});
        rows.push_back({"  process CPU (incl. unit thread)", "1",
                        format("%.2f ms", number("process_cpu_ns") / 1e6), "", "", "", ""});
        if (frames)
            rows.push_back({"  CPU per frame, worst", "", "", "",
                            format("%.3f ms", number("frame_cpu_ns_max") / 1e6), "", ""});
        rows.push_back(
            {"  GUI-thread wakeups (voluntary switches)", "1", format("%.0f", number("voluntary")),
             "", frames ? format("%.0f max/frame", number("frame_switches_max")) : "", "", ""});
        rows.push_back(
            {"  event-loop turns / paint passes", "1",
             format("%.0f", number("loop_turns")) + " / " + format("%.0f", number("paint_passes")),
             "", "", "", ""});
        rows.push_back({frames ? "  wakeups between frames" : "  wakeups while silent", "1",
                        format("%.0f", number("gap_switches")), "", "",
                        "0 (but a pixmap-cache flush)", yesNo(wakeupsQuiet)});
        rows.push_back({"  timer events", "1", format("%.0f", number("timer_events")), "", "",
                        "none (but a pixmap-cache flush)", yesNo(timersQuiet)});
        notes.push_back("timer events, " + title + ": " +
                        (timers.empty() ? "none" : describe(timers)));
    }
}

// ---- Main ---------------------------------------------------------------------------------

Settings parse(int argc, char* argv[]) {
    Settings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--quick") {
            settings.quick = true;
            settings.startupPairs = 6;
            settings.xvfbPairs = 4;
            settings.frames = 1000;
            settings.writes = 200;
            settings.silences = 5;
            settings.idleSeconds = 4;
        } else if (option == "--no-xvfb") {
            settings.xvfb = false;
        } else {
            std::fprintf(stderr,
                         "usage: %s [--quick] [--no-xvfb]\n"
                         "  --quick    fewer runs and 4 s idle spans (about 45 s in all)\n"
                         "  --no-xvfb  start-up on the offscreen platform only\n",
                         argv[0]);
            std::exit(option == "--help" || option == "-h" ? 0 : 2);
        }
    }
    return settings;
}

std::string cpuModel() {
    std::ifstream info("/proc/cpuinfo");
    std::string line;
    while (std::getline(info, line)) {
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    }
    return "unknown";
}

} // namespace

int main(int argc, char* argv[]) {
    const Settings settings = parse(argc, argv);
    const std::int64_t began = bench::nowNs();
    try {
        const Environment offscreen{{"QT_QPA_PLATFORM", "offscreen"}, {"DISPLAY", ""}};
        std::vector<StartupPair> startups;
        startups.push_back(startupPair("offscreen", offscreen, settings.startupPairs));

        std::string xvfbNote;
        if (settings.xvfb) {
            Xvfb server;
            if (const auto display = startXvfb(server)) {
                startups.push_back(startupPair("xcb on Xvfb",
                                               {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", *display}},
                                               settings.xvfbPairs));
            } else {
                xvfbNote = "Xvfb not available: start-up measured offscreen only";
            }
        }

        std::fprintf(stderr, "link figures on a pseudo-terminal (offscreen)\n");
        const ChildRun link = runChild(
            {BENCH_LINK_WINDOW, "--frames", std::to_string(settings.frames), "--writes",
             std::to_string(settings.writes), "--silences", std::to_string(settings.silences),
             "--idle-seconds", std::to_string(settings.idleSeconds)},
            offscreen, false);
        if (link.status != 0)
            throw Failure("the link probe failed: " + link.out);

        utsname system{};
        uname(&system);
        const auto info = fields(link.out, "info");
        std::printf("configurator_bench%s: %s, %ld CPUs, Linux %s, Qt %s; link process threads: "
                    "%s\n\n",
                    settings.quick ? " --quick" : "", cpuModel().c_str(),
                    sysconf(_SC_NPROCESSORS_ONLN), system.release, word(info, "qt").c_str(),
                    word(info, "threads").c_str());

        std::vector<Row> rows;
        bool allMet = true;
        for (const StartupPair& pair : startups)
            startupRows(pair, rows, allMet);
        for (const StartupPair& pair : startups)
            memoryRows(pair, rows, allMet);
        std::vector<std::string> notes;
        linkRows(link.out, rows, notes, allMet);
        printTable(rows);
        std::printf("\n");
        for (const std::string& note : notes)
            std::printf("%s\n", note.c_str());
        for (const StartupPair& pair : startups)
            printBreakdown(pair);
        if (!xvfbNote.empty())
            std::printf("%s\n", xvfbNote.c_str());
        std::printf("\nall goals met: %s; whole run %.0f s\n", allMet ? "yes" : "NO",
                    double(bench::nowNs() - began) / 1e9);
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "configurator_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
