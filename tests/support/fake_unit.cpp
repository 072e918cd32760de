#include "fake_unit.h"

#include <QDeadlineTimer>
#include <QTest>

#include <unistd.h>

FakeUnit::FakeUnit(QByteArray settings, QObject* parent)
    : QObject(parent)
    , settings_(std::move(settings))
    , reader_(line_.masterDescriptor(), QSocketNotifier::Read) {
    sender_.setTimerType(Qt::PreciseTimer);
    connect(&sender_, &QTimer::timeout, this, &FakeUnit::sendFrame);
    connect(&reader_, &QSocketNotifier::activated, this, &FakeUnit::collect);
}

void FakeUnit::startSending(int periodMs) {
    sendFrame();
    sender_.start(periodMs);
}

void FakeUnit::collect() {
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(line_.masterDescriptor(), buffer, sizeof buffer);
        if (got <= 0)
            break;
        written_.append(buffer, got);
        pending_.append(buffer, got);
    }
    // Whole frames, "$" + nine digits + "$", in what the program wrote.
    while (pending_.size() >= 11) {
        const QByteArray frame = pending_.left(11);
        pending_.remove(0, 11);
        if (adoptWrites_ && frame.startsWith('$') && frame.endsWith('$'))
            settings_ = frame.mid(1, 9);
        emit frameWritten(frame);
    }
}

bool FakeUnit::waitForWritten(qsizetype count, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (written_.size() < count && !deadline.hasExpired())
        QTest::qWait(2);
    return written_.size() >= count;
}

void FakeUnit::hangUp() {
    reader_.setEnabled(false);
    sender_.stop();
    line_.hangUp();
}
