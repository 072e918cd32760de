#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// What the window is expected to show, written out rather than taken from the program.

// The nine current values for the fake unit's default frame, "$421310001$".
inline const QStringList kDefaultFrameValues{"115200", "Odd",  "8",    "57600", "Even",
                                             "7",      "9600", "None", "8"};

// The nine current values while the unit is not detected.
inline const QStringList kNineNotAvailable(9, QStringLiteral("N/A"));

// The width in pixels of each caption that a self-sizing label shows, in Arial 9.75 pt (13 px
// at 96 dpi), drawn here with its metric twin Liberation Sans.
inline const QHash<QString, int> kCaptionWidths{
    {"Current", 43}, {"New", 26},    {"Speed :", 45}, {"Parity :", 40}, {"Bits :", 29},
    {"N/A", 22},     {"Error", 29},  {"9600", 29},    {"19200", 36},    {"38400", 36},
    {"57600", 36},   {"115200", 43}, {"None", 31},    {"Even", 30},     {"Odd", 25},
    {"7", 7},        {"8", 7}};
