// The configurator's start as its main does it, with a port map of 16 devices that cannot open
// in place of the host's ports: the search tries and fails all 16, then the window shows. Reports
// the moment of the first paint (bench_application.h).
#include "bench_application.h"
#include "bench_clock.h"
#include "event_procedure.h"
#include "main_window.h"
#include "port_map.h"
#include "unit_link.h"

#include <QStringList>

#include <cstdio>
#include <string>

int main(int argc, char* argv[]) {
    bench::StartupMarks marks;
    marks.mainNs = bench::nowNs();
    bench::BenchApplication application(argc, argv);
    QApplication::setApplicationName(configurator::kDefinitionCaption);
    marks.applicationNs = bench::nowNs();

    // A directory that does not exist: no path of it can lead to a device of this machine.
    QStringList devices;
    for (int number = configurator::kFirstPortNumber; number <= configurator::kLastPortNumber;
         ++number)
        devices << QStringLiteral("/nonexistent/configurator-bench/ttyBENCH%1").arg(number);

    configurator::frmMain window(platform::portMapFromList(devices));
    marks.windowNs = bench::nowNs();
    application.watch(&window);
    window.start();
    marks.shownNs = bench::nowNs();
    if (platform::programEnded())
        return platform::kRunTimeErrorExitStatus;
    if (window.commPortOpened() || window.commPortNumber() != configurator::kLastPortNumber + 1) {
        std::fprintf(stderr, "the port search did not fail over all 16 ports\n");
        return 1;
    }
    return bench::reportFirstPaint(application, window, marks,
                                   "ports_tried=" + std::to_string(window.commPortNumber() - 1));
}
