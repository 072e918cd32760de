// The program's window on a pseudo-terminal, closed by the end signals as the program's is.
// It says "ready" once its event loop runs, and after the loop ends whether the port is
// still open; its exit status is the loop's.
#include "main_window.h"
#include "pseudo_terminal.h"
#include "termination_signals.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    PseudoTerminal line;
    configurator::frmMain window(platform::portMapFromList({line.devicePath()}));
    const platform::TerminationSignals closeOnSignal(window);
    window.start();
    QTimer::singleShot(0, [] {
        std::puts("ready");
        std::fflush(stdout);
    });
    const int status = QApplication::exec();
    std::printf("ended, port open: %s\n", window.com232.PortOpen() ? "yes" : "no");
    return status;
}
