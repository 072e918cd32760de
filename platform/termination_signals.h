#pragma once

#include <QObject>
#include <QSocketNotifier>

namespace platform {

// SIGTERM, SIGINT and SIGHUP (a kill, Ctrl+C in the starting terminal, the end of a login)
// reach the program through Qt's event loop instead of ending it on the spot: the handler only
// writes the signal's number into a pipe, and a notifier on the pipe's other end raises
// `received` on the next turn of the loop. One object at a time; it puts the previous handlers
// back when it goes.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

signals:
    void received(int signalNumber);

private:
    void drain();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace platform
