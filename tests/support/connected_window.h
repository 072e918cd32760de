#pragma once

#include "fake_unit.h"
#include "main_window.h"

#include <QStringList>
#include <QTest>

// The window started with comm 1 leading to a fake unit, as a bench with one cable would be.
struct ConnectedWindow {
    FakeUnit unit;
    configurator::frmMain window{platform::portMapFromList({unit.devicePath()})};

    explicit ConnectedWindow(QByteArray settings = "421310001")
        : unit(std::move(settings)) {
        window.load();
        window.show();
    }

    QStringList currentValues() const {
        QStringList values;
        for (std::int16_t slot = 0; slot < configurator::kSlotCount; ++slot)
            values << window.lblCurrent.Item(slot)->text();
        return values;
    }

    bool detected() const { return window.txtStatus->text() == configurator::kUnitDetected; }

    // Sends bytes and gives the window time to take them in.
    void sendAndSettle(const QByteArray& bytes, int settleMs = 100) {
        unit.send(bytes);
        QTest::qWait(settleMs);
    }

    // Sends the unit's frame and waits until the window shows it.
    bool showFrame() {
        for (std::int16_t slot = 0; slot < configurator::kSlotCount; ++slot)
            window.lblCurrent.Item(slot)->setText(QString());
        unit.sendFrame();
        return QTest::qWaitFor([this] { return !window.lblCurrent.Item(8)->text().isEmpty(); },
                               2000);
    }
};
