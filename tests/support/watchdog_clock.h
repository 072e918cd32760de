#pragma once

#include "main_window.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QList>
#include <QObject>

// Times the window's watchdog on a monotonic clock at both ends. Each serial event is timed when
// the window has finished handling it, so an accepted text's restart of the watchdog is timed no
// sooner than it happened; each expiry when the timer's event reaches the timer, before the window
// handles it. So an expiry that came early, by however little, shows as less than the watchdog's
// interval after the event that restarted it. Times are in milliseconds from the clock's start,
// to the nanosecond.
class WatchdogClock : public QObject {
public:
    explicit WatchdogClock(configurator::frmMain& window) {
        clock_.start();
        window.tmrConnection.installEventFilter(this);
        // Connected after the window's own handler, which the window connects when it is built.
        connect(&window.com232, &platform::SerialControl::OnComm, this, [this] {
            lastHandled_ = clock_.elapsed();
            ++handled_;
        });
    }

    const QList<double>& expiries() const { return expiredAt_; }
    // How many serial events the window has handled, and when it finished the last one.
    qint64 handledEvents() const { return handled_; }
    double lastHandled() const { return lastHandled_; }
    double now() const { return static_cast<double>(clock_.nsecsElapsed()) / 1e6; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Timer)
            expiredAt_ << now();
        return QObject::eventFilter(watched, event);
    }

private:
    QElapsedTimer clock_;
    QList<double> expiredAt_;
    // Only a count: a flood of garbage raises a great many events.
    qint64 handled_ = 0;
    double lastHandled_ = -1;
};
