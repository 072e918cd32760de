// The floor of the start-up figures: an empty Qt window, a plain QWidget of the configurator's
// size (width and height come as arguments), shown at once. Reports the moment of its first
// paint the same way as the configurator's probe.
#include "bench_application.h"
#include "bench_clock.h"

#include <QWidget>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    bench::StartupMarks marks;
    marks.mainNs = bench::nowNs();
    bench::BenchApplication application(argc, argv);
    marks.applicationNs = bench::nowNs();
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT\n", argv[0]);
        return 2;
    }

    QWidget window;
    window.setFixedSize(std::atoi(argv[1]), std::atoi(argv[2]));
    marks.windowNs = bench::nowNs();
    application.watch(&window);
    window.show();
    marks.shownNs = bench::nowNs();
    return bench::reportFirstPaint(application, window, marks);
}
