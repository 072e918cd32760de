#include "port_map.h"

#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>
#include <future>
#include <tuple>

namespace platform {

PortMap portMapFromList(const QStringList& devicePaths) {
    return [devicePaths](std::int16_t commNumber) -> std::optional<QString> {
        if (commNumber < 1 || commNumber > devicePaths.size())
            return std::nullopt;
        return devicePaths.at(commNumber - 1);
    };
}

namespace {

// (family, number, path): family 0 ttyS, 1 ttyUSB, 2 ttyACM, 3 anything else.
std::tuple<int, long long, QString> sortKey(const QString& path) {
    static const QRegularExpression pattern(QStringLiteral("/tty(S|USB|ACM)(\\d+)$"));
    const QRegularExpressionMatch match = pattern.match(path);
    if (!match.hasMatch())
        return {3, 0, path};
    const QString family = match.captured(1);
    const int rank = family == QLatin1String("S") ? 0 : family == QLatin1String("USB") ? 1 : 2;
    return {rank, match.captured(2).toLongLong(), path};
}

} // namespace

QStringList orderHostDevices(QStringList devicePaths) {
    std::sort(devicePaths.begin(), devicePaths.end(),
              [](const QString& a, const QString& b) { return sortKey(a) < sortKey(b); });
    devicePaths.removeDuplicates();
    return devicePaths;
}

PortMap portMapListedInBackground(std::function<QStringList()> listDevices) {
    const std::shared_future<QStringList> listed =
        std::async(std::launch::async, [listDevices = std::move(listDevices)] {
            return orderHostDevices(listDevices());
        }).share();
    return [listed](std::int16_t commNumber) { return portMapFromList(listed.get())(commNumber); };
}

PortMap hostPortMap() {
    return portMapListedInBackground([] {
        QStringList paths;
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
            paths << info.systemLocation();
        return paths;
    });
}

} // namespace platform
