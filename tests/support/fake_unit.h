#pragma once

#include "pseudo_terminal.h"

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

// Plays the arbitrator unit on the far side of a pseudo-terminal: it sends settings frames on
// demand or periodically, collects exactly the bytes that the program writes, and, when told to,
// takes a whole frame written to it as its new settings, as the real unit does.
class FakeUnit : public QObject {
    Q_OBJECT

public:
    explicit FakeUnit(QByteArray settings = "421310001", QObject* parent = nullptr);

    QString devicePath() const { return line_.devicePath(); }
    PseudoTerminal& line() { return line_; }

    // The nine setting digits that the unit reports.
    QByteArray settings() const { return settings_; }
    void setSettings(const QByteArray& digits) { settings_ = digits; }

    // "$", the nine digits, "$".
    QByteArray frame() const { return '$' + settings_ + '$'; }

    void sendFrame() { line_.send(frame()); }
    void send(const QByteArray& bytes) { line_.send(bytes); }

    // Sends a frame now and then every `periodMs` until stopped.
    void startSending(int periodMs);
    void stopSending() { sender_.stop(); }

    // Whether a whole frame written by the program becomes the unit's settings.
    void setAdoptWrites(bool adopt) { adoptWrites_ = adopt; }

    // Every byte that the program has written so far.
    QByteArray written() const { return written_; }
    void clearWritten() { written_.clear(); }

    // Processes events until the program has written at least `count` bytes or `timeoutMs`
    // passed; returns whether it did.
    bool waitForWritten(qsizetype count, int timeoutMs = 2000);

    void hangUp();

signals:
    void frameWritten(const QByteArray& frame);

private:
    void collect();

    PseudoTerminal line_;
    QByteArray settings_;
    QByteArray written_;
    QByteArray pending_;
    QTimer sender_;
    QSocketNotifier reader_;
    bool adoptWrites_ = false;
};
