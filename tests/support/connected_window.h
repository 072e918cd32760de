#pragma once

#include "fake_unit.h"
#include "main_window.h"

#include <QStringList>
#include <QTest>

// The nine current values that a window shows, in slot order.
inline QStringList currentValuesOf(const configurator::frmMain& window) {
    QStringList values;
    for (std::int16_t slot = 0; slot < configurator::kSlotCount; ++slot)
        values << window.lblCurrent.Item(slot)->text();
    return values;
}

// The window started with comm 1 leading to a fake unit, as a bench with one cable would be.
struct ConnectedWindow {
    FakeUnit unit;
    configurator::frmMain window{platform::portMapFromList({unit.devicePath()})};
    // The serial events that the window has finished handling: counted from a slot connected
    // after the window's own handler.
    qint64 handledEvents = 0;

    explicit ConnectedWindow(QByteArray settings = "421310001")
        : unit(std::move(settings)) {
        QObject::connect(&window.com232, &platform::SerialControl::OnComm, &window,
                         [this] { ++handledEvents; });
        window.load();
        window.show();
    }

    QStringList currentValues() const { return currentValuesOf(window); }

    bool detected() const { return window.txtStatus->text() == configurator::kUnitDetected; }

    // Sends bytes, at least a receive event's worth, as the unit's delivery says, and waits until
    // the window has handled the event that they raise; false when none came in time.
    bool sendAndHandle(const QByteArray& bytes, int timeoutMs = 2000) {
        const qint64 before = handledEvents;
        unit.deliver(bytes);
        return QTest::qWaitFor([&] { return handledEvents > before; }, timeoutMs);
    }

    // Sends the unit's frame and waits until the window has handled it and shows the unit as
    // detected.
    bool showFrame() { return sendAndHandle(unit.frame()) && detected(); }
};
