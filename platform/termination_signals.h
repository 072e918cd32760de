#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <array>
#include <csignal>

class QWidget;

namespace platform {

// SIGTERM, SIGINT and SIGHUP (a kill, Ctrl+C in the starting terminal, the end of a login)
// close the window as its close button does, through Qt's event loop, instead of ending the
// program on the spot: the handler only writes the signal's number into a pipe, and a notifier
// on the pipe's other end closes the window on the next turn of the loop. A signal that the
// program was started ignoring (nohup, a background job) stays ignored. One object at a time;
// it puts the previous handlers back when it goes.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QWidget& window);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    static constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};

    void drain();

    QWidget& window_;
    QSocketNotifier* notifier_ = nullptr;
    std::array<bool, kSignals.size()> handled_{};
    std::array<struct sigaction, kSignals.size()> previousActions_{};
};

} // namespace platform
