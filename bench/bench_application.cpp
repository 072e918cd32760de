#include "bench_application.h"

#include "bench_clock.h"

#include <QWidget>

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

} // namespace bench
