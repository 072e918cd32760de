#include "bench_application.h"

#include "bench_clock.h"

#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <fstream>
#include <utility>

namespace bench {

BenchApplication::BenchApplication(int& argc, char** argv)
    : QApplication(argc, argv) {}

std::vector<BenchApplication::TimerEvent> BenchApplication::takeTimerLog() {
    const std::lock_guard lock(logLock_);
    return std::exchange(timerLog_, {});
}

bool BenchApplication::notify(QObject* receiver, QEvent* event) {
    // Only the GUI thread delivers events in these processes; the depth is per thread all the
    // same, so that a stray thread could not end a pass.
    thread_local int depth = 0;
    const QEvent::Type type = event->type();
    if (type == QEvent::Timer) {
        timerEvents_.fetch_add(1);
        if (recordTimers_.load()) {
            std::string name = receiver->metaObject()->className();
            name += '(' + receiver->objectName().toStdString() + ')';
            const std::lock_guard lock(logLock_);
            timerLog_.push_back({std::move(name), nowNs()});
        }
    } else if (type == QEvent::Paint && watched_ != nullptr && receiver->isWidgetType() &&
               static_cast<QWidget*>(receiver)->window() == watched_) {
        painting_ = true;
    }

    ++depth;
    const bool handled = QApplication::notify(receiver, event);
    --depth;

    if (depth == 0 && painting_) {
        painting_ = false;
        const std::int64_t end = nowNs();
        lastPaintEndNs_.store(end);
        paintPasses_.fetch_add(1);
        if (onPaintPass)
            onPaintPass(end);
    }
    return handled;
}

long peakResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

int reportFirstPaint(BenchApplication& application, const QWidget& window,
                     const StartupMarks& marks, const std::string& extra) {
    std::int64_t paintedNs = 0;
    long peakKb = -1;
    application.watch(&window);
    application.onPaintPass = [&](std::int64_t endNs) {
        if (paintedNs != 0)
            return;
        paintedNs = endNs;
        peakKb = peakResidentKb();
        QTimer::singleShot(0, &application, &QCoreApplication::quit);
    };
    // A window that never paints must not hold the bench up.
    QTimer::singleShot(20000, &application, [] {
        std::fprintf(stderr, "no paint within 20 s\n");
        QCoreApplication::exit(1);
    });
    if (QApplication::exec() != 0 || paintedNs == 0)
        return 1;
    std::printf("startup main=%lld application=%lld window=%lld shown=%lld painted=%lld "
                "vmhwm_kb=%ld width=%d height=%d%s%s\n",
                static_cast<long long>(marks.mainNs), static_cast<long long>(marks.applicationNs),
                static_cast<long long>(marks.windowNs), static_cast<long long>(marks.shownNs),
                static_cast<long long>(paintedNs), peakKb, window.width(), window.height(),
                extra.empty() ? "" : " ", extra.c_str());
    std::fflush(stdout);
    return 0;
}

} // namespace bench
