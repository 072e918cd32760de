#pragma once

#include "pseudo_terminal.h"

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <atomic>
#include <thread>

// How the bytes of one send reach the program, as different lines deliver them.
enum class Delivery {
    // In one piece: an ideal line.
    Whole,
    // One byte at a time, 1.04 ms apart: a UART at 9600 baud, 8N1.
    LinePace,
    // In bursts 16 ms apart, each holding what arrived at line pace since the last: a USB
    // adapter's latency timer. A frame is split where the timer happens to fall.
    UsbBursts,
};

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

    // Sends the frame the way the delivery in force says.
    void sendFrame() { deliver(frame()); }
    // Puts the bytes on the line at once, whole.
    void send(const QByteArray& bytes) { line_.send(bytes); }

    // How sendFrame and deliver put bytes on the line: whole unless told otherwise.
    void setDelivery(Delivery delivery) { delivery_ = delivery; }
    Delivery delivery() const { return delivery_; }

    // Sends the bytes the way the delivery in force says. A paced delivery runs on a thread of
    // its own, so that the program's thread reads the bytes as they come; it starts after the
    // previous one has ended, and this returns at once.
    void deliver(const QByteArray& bytes);
    // Processes events until every delivery so far has reached the line.
    bool waitDelivered(int timeoutMs = 5000);
    // The widest gap between two pieces of one paced delivery so far, in milliseconds: whether
    // the machine kept the pace that the delivery stands for.
    double widestGapMs() const { return widestGapUs_ / 1000.0; }
    void resetWidestGap() { widestGapUs_ = 0; }

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

    ~FakeUnit() override;

    // Ways a real line garbles the start of a stream.
    static QByteArray strayByte() { return QByteArray(1, '\0'); }
    // The last `count` characters of a frame: the port opened in its middle.
    QByteArray frameTail(int count) const { return frame().right(count); }

signals:
    void frameWritten(const QByteArray& frame);

private:
    void collect();
    void finishDelivery();
    void runPaced(QByteArray bytes, Delivery delivery);

    PseudoTerminal line_;
    QByteArray settings_;
    QByteArray written_;
    QByteArray pending_;
    QTimer sender_;
    QSocketNotifier reader_;
    bool adoptWrites_ = false;
    Delivery delivery_ = Delivery::Whole;
    std::thread deliverer_;
    std::atomic<bool> delivering_{false};
    std::atomic<long long> widestGapUs_{0};
};
