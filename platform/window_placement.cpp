#include "window_placement.h"

#include "x11_frame.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <chrono>

namespace platform {

namespace {

// Long enough for a window manager that offers the request to answer under load; the wait
// happens only where one has said it does.
constexpr std::chrono::milliseconds kFrameAnswerTimeout{250};

QPoint centredFramePosition(QSize frame) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {};
    const QRect area = screen->availableGeometry();
    return {area.x() + (area.width() - frame.width()) / 2,
            area.y() + (area.height() - frame.height()) / 2};
}

// Centres the window's frame once, at its first expose, when its frame was not known before.
class CentreAtFirstExpose : public QObject {
public:
    CentreAtFirstExpose(QWidget& window, QWindow& handle)
        : QObject(&handle)
        , window_(&window)
        , handle_(&handle) {
        handle.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == handle_ && event->type() == QEvent::Expose && handle_->isExposed()) {
            handle_->removeEventFilter(this);
            const QRect frame = handle_->frameGeometry();
            const QPoint target = centredFramePosition(frame.size());
            if (window_ && (frame.topLeft() - target).manhattanLength() > 1)
                window_->move(target);
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QWidget> window_;
    QWindow* handle_;
};

} // namespace

void showWithFrameCentred(QWidget& window) {
    window.winId();
    QWindow* handle = window.windowHandle();
    if (handle == nullptr) {
        window.show();
        return;
    }
    const std::optional<QMargins> told = frameExtentsBeforeShowing(*handle, kFrameAnswerTimeout);
    // Some platforms know the frame before the first show without being asked.
    const QMargins margins = told.value_or(handle->frameMargins());
    // A created window's move places its client area, offset by the frame that Qt knows of (none,
    // on X11, before the first show): the client goes inside the frame's left and top edges.
    const QPoint knownFrameOffset = window.geometry().topLeft() - window.pos();
    window.move(centredFramePosition(window.size().grownBy(margins)) +
                QPoint(margins.left(), margins.top()) - knownFrameOffset);
    if (!told)
        new CentreAtFirstExpose(window, *handle);
    window.show();
}

} // namespace platform
