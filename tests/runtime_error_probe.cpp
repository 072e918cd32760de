// A program that lets a run-time error escape an event procedure, with the default handling in
// place. It reports the message box's text on standard output and answers the box, so that a
// test can watch the whole road without a person at the screen.
#include "event_procedure.h"
#include "run_time_error.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);

    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            std::printf("%s\n", qPrintable(box->text()));
            std::fflush(stdout);
            box->accept();
        }
    });
    answerer.start(20);

    QTimer::singleShot(0, [] {
        platform::runEventProcedure(
            [] { throw platform::RunTimeError(8018, QStringLiteral("The port went away")); });
        // Nothing after the failing procedure may run once the program is ending.
        platform::runEventProcedure([] { std::printf("still running\n"); });
    });
    return QApplication::exec();
}
