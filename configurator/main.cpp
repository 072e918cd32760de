#include "event_procedure.h"
#include "main_window.h"
#include "port_map.h"

#include <QApplication>

int main(int /*argc*/, char* argv[]) {
    // The program takes no command line, not even Qt's own options.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(configurator::kDefinitionCaption);

    configurator::frmMain window(platform::hostPortMap());
    window.start();
    if (platform::programEnded())
        return platform::kRunTimeErrorExitStatus;
    return QApplication::exec();
}
