#pragma once

#include <QStringList>

// Moves this process into a mount namespace of its own in which every serial device of the host
// is /dev/null and the lock directories are empty and private, so that the programs it starts
// afterwards (which inherit the namespace) may list the host's ports and try to open them
// without reaching a real one. Returns the devices hidden; throws std::runtime_error when the
// devices cannot all be hidden, and nothing may then be started that lists them.
QStringList hideSerialDevices();
