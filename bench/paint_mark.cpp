// Preloaded (LD_PRELOAD) into a start-up probe's program on the offscreen platform, where no
// X server can tell when the window was drawn. It changes nothing that the program does: an
// application-wide event filter notes the first paint of a top-level window, and on the next
// turn of the event loop, once that paint pass and its flush have ended, it writes one line to
// standard output: "paint-mark NS WIDTH HEIGHT" (monotonic clock). With BENCH_FIRST_FRAME set,
// it also saves the frame just painted to that PNG file.
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <cstdio>
#include <ctime>

#include <unistd.h>

namespace {

long long nowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

class PaintMark : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!marked_ && event->type() == QEvent::Paint && watched->isWidgetType()) {
            QWidget* window = static_cast<QWidget*>(watched)->window();
            if (window->isVisible()) {
                marked_ = true;
                QPointer<QWidget> painted(window);
                QMetaObject::invokeMethod(
                    this, [painted] { report(painted); }, Qt::QueuedConnection);
            }
        }
        return false;
    }

private:
    static void report(const QPointer<QWidget>& window) {
        const long long at = nowNs();
        if (window.isNull())
            return;
        // The offscreen screen grabs from the window's backing store: the frame as painted.
        const QByteArray frameFile = qgetenv("BENCH_FIRST_FRAME");
        if (!frameFile.isEmpty())
            window->screen()
                ->grabWindow(window->winId())
                .save(QString::fromLocal8Bit(frameFile), "PNG");
        char line[96];
        const int length = std::snprintf(line, sizeof line, "paint-mark %lld %d %d\n", at,
                                         window->width(), window->height());
        if (::write(STDOUT_FILENO, line, static_cast<std::size_t>(length)) != length)
            std::perror("paint-mark");
    }

    bool marked_ = false;
};

void installPaintMark() {
    QCoreApplication::instance()->installEventFilter(new PaintMark);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installPaintMark)
