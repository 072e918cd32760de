#include "event_procedure.h"
#include "font_warm_up.h"
#include "main_window.h"
#include "port_map.h"
#include "termination_signals.h"

#include <QApplication>

#include <utility>

int main(int /*argc*/, char* argv[]) {
    // Listed meanwhile on a thread of its own: the port search waits for it.
    platform::PortMap hostPorts = platform::hostPortMap();
    // The program takes no command line, not even Qt's own options.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    const platform::FontDatabaseWarmUp fonts;
    QApplication::setApplicationName(configurator::kDefinitionCaption);

    configurator::frmMain window(std::move(hostPorts));
    // A signal to end closes the window as its close button does, once the event loop runs.
    const platform::TerminationSignals closeOnSignal(window);
    window.start();
    if (platform::programEnded())
        return platform::kRunTimeErrorExitStatus;
    return QApplication::exec();
}
