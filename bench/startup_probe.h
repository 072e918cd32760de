#pragma once

#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

class DrawnWindowWatch;

// A program whose start the bench clocks: spawned as is, never told that it is measured.
struct Program {
    std::string name;
    QString path;
    QStringList arguments;
};

// Where the programs start: the platform's environment and, on an X server, the watch that sees
// a window drawn; without one the paint mark preloaded into the program gives the end.
struct Platform {
    std::string name;
    QProcessEnvironment environment;
    DrawnWindowWatch* watch = nullptr;
};

// One start: spawn to the end of the first paint, and the peak resident size by then.
struct StartSample {
    double ms = 0;
    double peakMb = 0;
    QSize size;
    QString title; // the window's caption, when an X server tells it
};

// Starts the program, waits for the end of its window's first paint, reads its peak resident
// size, and kills it. Throws std::runtime_error when no window is painted within 20 s.
StartSample startOnce(const Program& program, const Platform& platform);

// The environment of a start on `qpa`: nothing of the caller's desktop session, a private
// runtime directory and the given session bus address.
QProcessEnvironment startEnvironment(const QString& qpa, const QString& runtimeDirectory,
                                     const QString& sessionBus);
