#pragma once

#include <QString>

#include <cstdint>

namespace configurator {

class frmMain;

// What a screen reader says, besides its value, of the chooser and of the current value of a
// setting slot: its port and row, "Port A Speed, new value" or "Port A Speed, current value".
QString chooserDescription(std::int16_t slot);
QString currentValueDescription(std::int16_t slot);

// Ties each row label to its chooser and tells assistive technology which port and row each
// chooser and current value belongs to. Nothing on screen changes: the chooser still reports
// its entry and the current value its caption as their names.
void describeForAssistiveTechnology(frmMain& window);

} // namespace configurator
