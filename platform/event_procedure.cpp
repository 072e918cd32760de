#include "event_procedure.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace platform {
namespace {

bool ended = false;

void showMessageAndEnd(const RunTimeError& error) {
    ended = true;
    // Nothing of the program may take input behind the message, and the windows go with it.
    for (QWidget* window : QApplication::topLevelWidgets())
        window->hide();
    QMessageBox::critical(nullptr, QCoreApplication::applicationName(), runTimeErrorMessage(error));
    QCoreApplication::exit(kRunTimeErrorExitStatus);
}

FatalErrorHandler& currentHandler() {
    static FatalErrorHandler handler = showMessageAndEnd;
    return handler;
}

} // namespace

FatalErrorHandler setFatalErrorHandler(FatalErrorHandler handler) {
    if (!handler)
        handler = showMessageAndEnd;
    return std::exchange(currentHandler(), std::move(handler));
}

bool programEnded() noexcept {
    return ended;
}

namespace detail {
void reportFatal(const RunTimeError& error) noexcept {
    try {
        currentHandler()(error);
    } catch (...) {
        // A handler that fails cannot report anything more; the program still ends.
        ended = true;
        QCoreApplication::exit(kRunTimeErrorExitStatus);
    }
}
} // namespace detail

} // namespace platform
