#include "startup_probe.h"

#include "drawn_window_watch.h"

#include <QFile>
#include <QProcess>

#include <chrono>
#include <stdexcept>

using namespace std::chrono_literals;

namespace {

double peakResidentMb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return -1;
}

// "paint-mark NS WIDTH HEIGHT", as the preloaded paint mark writes it.
std::chrono::steady_clock::time_point awaitPaintMark(QProcess& process, QSize& size) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
        while (process.canReadLine()) {
            const QList<QByteArray> words = process.readLine().trimmed().split(' ');
            if (words.size() == 4 && words[0] == "paint-mark") {
                size = QSize(words[2].toInt(), words[3].toInt());
                return std::chrono::steady_clock::time_point(
                    std::chrono::nanoseconds(words[1].toLongLong()));
            }
        }
        if (!process.waitForReadyRead(100) && process.state() == QProcess::NotRunning)
            break;
    }
    throw std::runtime_error("no paint mark within 20 s: " +
                             process.readAllStandardError().toStdString());
}

} // namespace

StartSample startOnce(const Program& program, const Platform& platform) {
    QProcess process;
    process.setProcessEnvironment(platform.environment);
    process.setProgram(program.path);
    process.setArguments(program.arguments);
    if (platform.watch != nullptr)
        platform.watch->reset();

    StartSample sample;
    const auto spawned = std::chrono::steady_clock::now();
    process.start();
    if (!process.waitForStarted(20000))
        throw std::runtime_error("cannot start " + program.path.toStdString());
    std::chrono::steady_clock::time_point painted;
    if (platform.watch != nullptr) {
        const auto drawn = platform.watch->waitDrawn(static_cast<pid_t>(process.processId()), 20s);
        if (!drawn) {
            process.kill();
            process.waitForFinished();
            throw std::runtime_error(program.name + " drew no window within 20 s: " +
                                     process.readAllStandardError().toStdString());
        }
        painted = drawn->at;
        sample.size = drawn->geometry.size();
        sample.title = drawn->title;
    } else {
        painted = awaitPaintMark(process, sample.size);
    }
    sample.peakMb = peakResidentMb(process.processId());
    process.kill();
    process.waitForFinished();
    sample.ms = std::chrono::duration<double, std::milli>(painted - spawned).count();
    return sample;
}

QProcessEnvironment startEnvironment(const QString& qpa, const QString& runtimeDirectory,
                                     const QString& sessionBus) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"DISPLAY", "XAUTHORITY", "WAYLAND_DISPLAY", "SESSION_MANAGER", "QT_SCALE_FACTOR",
          "QT_SCREEN_SCALE_FACTORS", "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI", "LD_PRELOAD",
          "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE"})
        environment.remove(QLatin1String(name));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), qpa);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDirectory);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), sessionBus);
    return environment;
}
