#include "event_procedure.h"
#include "main_window.h"
#include "port_map.h"
#include "termination_signals.h"

#include <QApplication>

int main(int /*argc*/, char* argv[]) {
    // The program takes no command line, not even Qt's own options.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(configurator::kDefinitionCaption);

    // A signal to end closes the window as its close button does, once the event loop runs.
    platform::TerminationSignals terminationSignals;
    configurator::frmMain window(platform::hostPortMap());
    QObject::connect(&terminationSignals, &platform::TerminationSignals::received, &window,
                     &QWidget::close);
    window.start();
    if (platform::programEnded())
        return platform::kRunTimeErrorExitStatus;
    return QApplication::exec();
}
