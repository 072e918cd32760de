#include "fake_unit.h"

#include <QDeadlineTimer>
#include <QTest>

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <time.h>
#include <unistd.h>

namespace {

// One character at 9600 baud, 8N1: ten bits.
constexpr long long kCharacterNs = 1'041'667;
// A USB serial adapter's latency timer, as most ship.
constexpr long long kLatencyTimerNs = 16'000'000;
// Where the first byte falls within the adapter's first timer period, so that a frame is split.
constexpr long long kFirstByteOffsetNs = 10'000'000;

long long nowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

void sleepUntil(long long whenNs) {
    const timespec when{static_cast<time_t>(whenNs / 1'000'000'000LL),
                        static_cast<long>(whenNs % 1'000'000'000LL)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr) == EINTR) {
    }
}

// Writes all of it to the far side of the line, waiting for room when the line is full.
void writeAll(int descriptor, const char* bytes, qsizetype size) {
    while (size > 0) {
        const ssize_t written = ::write(descriptor, bytes, static_cast<size_t>(size));
        if (written > 0) {
            bytes += written;
            size -= written;
        } else if (written < 0 && errno == EAGAIN) {
            pollfd room{descriptor, POLLOUT, 0};
            ::poll(&room, 1, 10);
        } else if (written < 0 && errno != EINTR) {
            return;
        }
    }
}

} // namespace

FakeUnit::FakeUnit(QByteArray settings, QObject* parent)
    : QObject(parent)
    , settings_(std::move(settings))
    , reader_(line_.masterDescriptor(), QSocketNotifier::Read) {
    sender_.setTimerType(Qt::PreciseTimer);
    connect(&sender_, &QTimer::timeout, this, &FakeUnit::sendFrame);
    connect(&reader_, &QSocketNotifier::activated, this, &FakeUnit::collect);
}

FakeUnit::~FakeUnit() {
    finishDelivery();
}

void FakeUnit::deliver(const QByteArray& bytes) {
    finishDelivery();
    if (delivery_ == Delivery::Whole) {
        line_.send(bytes);
        return;
    }
    delivering_ = true;
    deliverer_ = std::thread([this, bytes, how = delivery_] { runPaced(bytes, how); });
}

void FakeUnit::runPaced(QByteArray bytes, Delivery delivery) {
    // Keep the pace even on a busy machine, where the scheduler allows it.
    sched_param priority{};
    priority.sched_priority = 1;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority);

    const int descriptor = line_.masterDescriptor();
    const long long start = nowNs();
    long long lastWrite = -1;
    const auto put = [&](const char* piece, qsizetype size) {
        writeAll(descriptor, piece, size);
        const long long now = nowNs();
        if (lastWrite >= 0) {
            const long long gapUs = (now - lastWrite) / 1000;
            long long widest = widestGapUs_;
            while (gapUs > widest && !widestGapUs_.compare_exchange_weak(widest, gapUs)) {
            }
        }
        lastWrite = now;
    };
    if (delivery == Delivery::LinePace) {
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            sleepUntil(start + i * kCharacterNs);
            put(bytes.constData() + i, 1);
        }
    } else {
        // Each byte arrives at the adapter at line pace; the adapter hands on what it holds
        // each time its timer runs out.
        qsizetype sent = 0;
        for (long long period = 1; sent < bytes.size(); ++period) {
            const long long flush = period * kLatencyTimerNs;
            qsizetype arrived = sent;
            while (arrived < bytes.size() && kFirstByteOffsetNs + arrived * kCharacterNs < flush)
                ++arrived;
            if (arrived == sent)
                continue;
            sleepUntil(start + flush - kFirstByteOffsetNs);
            put(bytes.constData() + sent, arrived - sent);
            sent = arrived;
        }
    }
    delivering_ = false;
}

bool FakeUnit::waitDelivered(int timeoutMs) {
    const bool done = QTest::qWaitFor([this] { return !delivering_; }, timeoutMs);
    if (done)
        finishDelivery();
    return done;
}

void FakeUnit::finishDelivery() {
    if (deliverer_.joinable())
        deliverer_.join();
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
    finishDelivery();
    reader_.setEnabled(false);
    sender_.stop();
    line_.hangUp();
}
