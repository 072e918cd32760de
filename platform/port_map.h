#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

namespace platform {

// Where comm number N leads: the device path to open, or nothing when there is no such port.
using PortMap = std::function<std::optional<QString>(std::int16_t commNumber)>;

// Comm N is the N-th device of the list (comm 1 the first).
PortMap portMapFromList(const QStringList& devicePaths);

// The order in which the host's serial devices take comm numbers: built-in ttyS ports first,
// then ttyUSB, then ttyACM, each by its number, then any others by name.
QStringList orderHostDevices(QStringList devicePaths);

// A map of the devices that `listDevices` reports, in that order. The listing runs on a thread
// of its own from this call on, so that the caller can go on meanwhile; the first lookup waits
// for it.
PortMap portMapListedInBackground(std::function<QStringList()> listDevices);

// The host's serial ports as QSerialPortInfo reports them, in that order, listed in the
// background as above. Listing them probes the ttyS devices, so only the program itself builds
// this map.
PortMap hostPortMap();

} // namespace platform
