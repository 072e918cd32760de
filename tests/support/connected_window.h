#pragma once

#include "fake_unit.h"
#include "main_window.h"

#include <QSignalSpy>
#include <QStringList>
#include <QTest>

// The window started with comm 1 leading to a fake unit, as a bench with one cable would be.
struct ConnectedWindow {
    FakeUnit unit;
    configurator::frmMain window{platform::portMapFromList({unit.devicePath()})};
    // Connected after the window's own handler: each entry is a serial event that the window
    // has finished handling.
    QSignalSpy handled{&window.com232, &platform::SerialControl::OnComm};

    explicit ConnectedWindow(QByteArray settings = "421310001")
        : unit(std::move(settings)) {
        window.load();
        window.show();
    }

    QStringList currentValues() const {
        QStringList values;
        for (std::int16_t slot = 0; slot < configurator::kSlotCount; ++slot)
            values << window.lblCurrent[slot]->text();
        return values;
    }

    bool detected() const { return window.txtStatus->text() == configurator::kUnitDetected; }

    // Sends bytes, at least a receive event's worth, and waits until the window has handled the
    // event that they raise; false when none came in time.
    bool sendAndHandle(const QByteArray& bytes, int timeoutMs = 2000) {
        const qsizetype before = handled.count();
        unit.send(bytes);
        return QTest::qWaitFor([&] { return handled.count() > before; }, timeoutMs);
    }

    // Sends the unit's frame and waits until the window has handled it and shows the unit as
    // detected.
    bool showFrame() { return sendAndHandle(unit.frame()) && detected(); }
};
