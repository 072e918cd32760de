#pragma once

#include <QApplication>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace bench {

// The application object of the bench's window processes. It clocks the paint passes of one
// watched window (a pass ends when the outermost event that painted any of its widgets, an
// expose or an update request, has been handled, backing store flushed) and counts the timer
// events that the GUI thread delivers. Neither changes what the window does.
class BenchApplication : public QApplication {
public:
    BenchApplication(int& argc, char** argv);

    void watch(const QWidget* window) { watched_ = window; }

    // Called on the GUI thread when a paint pass of the watched window has ended.
    std::function<void(std::int64_t endNs)> onPaintPass;

    std::uint64_t paintPasses() const noexcept { return paintPasses_.load(); }
    std::int64_t lastPaintEndNs() const noexcept { return lastPaintEndNs_.load(); }
    std::uint64_t timerEvents() const noexcept { return timerEvents_.load(); }

    // While recording, each timer event is logged as the receiver's "Class(objectName)" with its
    // time; take empties the log.
    struct TimerEvent {
        std::string receiver;
        std::int64_t atNs;
    };
    void setRecordTimers(bool record) noexcept { recordTimers_.store(record); }
    std::vector<TimerEvent> takeTimerLog();

    bool notify(QObject* receiver, QEvent* event) override;

private:
    const QWidget* watched_ = nullptr;
    bool painting_ = false;
    std::atomic<std::uint64_t> paintPasses_{0};
    std::atomic<std::int64_t> lastPaintEndNs_{0};
    std::atomic<std::uint64_t> timerEvents_{0};
    std::atomic<bool> recordTimers_{false};
    std::mutex logLock_;
    std::vector<TimerEvent> timerLog_;
};

} // namespace bench
