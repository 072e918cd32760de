// The floors of the start-up figures, plain Qt programs with nothing of the configurator:
//   bench_startup_floor WIDTH HEIGHT          an empty window of that size;
//   bench_startup_floor WIDTH HEIGHT --text   the same window with one label in Arial 8.25, so
//                                             that it pays for fontconfig, the font database and
//                                             one face, as any window with text does.
// Each shows its window at once and runs until it is killed; the bench takes the end of the
// first paint from outside, as it does for the configurator.
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QWidget>

#include <cstdlib>
#include <cstring>

int main(int argc, char* argv[]) {
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    if (argc < 3)
        return 2;
    QWidget window;
    window.setFixedSize(std::atoi(argv[1]), std::atoi(argv[2]));
    if (argc > 3 && std::strcmp(argv[3], "--text") == 0) {
        QFont arial(QStringLiteral("Arial"));
        arial.setPointSizeF(8.25);
        auto* label = new QLabel(QStringLiteral("Varnak Arbitrator Configuration"), &window);
        label->setFont(arial);
        label->move(20, 20);
    }
    window.show();
    return QApplication::exec();
}
