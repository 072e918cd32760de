#pragma once

#include <QString>

#include <cstdint>

// The fixed values of the window's link to the unit: the port search, the receive side, the
// watchdog and the write. The procedures themselves are frmMain's (main_window.h).
namespace configurator {

// The port numbers that the start-up search tries, in increasing order.
inline constexpr std::int16_t kFirstPortNumber = 1;
inline constexpr std::int16_t kLastPortNumber = 16;

inline const QString kCaptionTitle = QStringLiteral("Varnak Arbitrator Configuration V1.1");
inline const QString kConnectedVia = QStringLiteral(" - Connected via comm ");
inline const QString kNoCommPorts = QStringLiteral(" - No Comm Ports Available");

// The unit counts as gone when no settings frame has come for this long.
inline constexpr int kWatchdogIntervalMs = 3000;

// Every write asks for 8 data bits: the data-bits choosers' entry "8".
inline constexpr int kEightDataBitsEntry = 2;

} // namespace configurator
