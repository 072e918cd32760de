// frmMain's link to the unit: the start-up port search and the close, the receive side, the
// watchdog and the write.
#include "unit_link.h"

#include "main_window.h"
#include "resume_next.h"

namespace configurator {

void frmMain::Form_Load() {
    OpenCommPort();
}

void frmMain::OpenCommPort() {
    // Every step runs whatever failed before it; only the open attempts look at the standing error.
    platform::ResumeNext step;
    platform::ErrObject& Err = step.Err;

    CommPortNumber = kFirstPortNumber;
    CommPortOpened = false;
    for (;;) {
        step([this] { com232.setCommPort(CommPortNumber); });
        step([this] { com232.setPortOpen(true); });
        if (Err.Number() == 0) {
            CommPortOpened = true;
            break;
        }
        Err.Clear();
        ++CommPortNumber;
        if (CommPortNumber > kLastPortNumber)
            break;
    }

    if (!CommPortOpened) {
        step([this] { setWindowTitle(kCaptionTitle + kNoCommPorts); });
    } else {
        step([this] {
            setWindowTitle(kCaptionTitle + kConnectedVia + QString::number(CommPortNumber));
        });
    }
    step([this] { SetUnitDetected(false); });

    for (std::int16_t slot = 0; slot < kSlotCount; ++slot) {
        step([this, slot] {
            QComboBox* chooser = cmbNew.Item(slot);
            chooser->setCurrentText(chooser->itemText(0));
        });
    }
}

void frmMain::Form_Unload(std::int16_t& /*Cancel*/) {
    if (CommPortOpened)
        com232.setPortOpen(false);
}

void frmMain::com232_OnComm() {
    if (com232.CommEvent() != platform::kCommEvReceive)
        return;

    const QString received = com232.Input();
    const std::optional<SlotTexts> shown = decodeSettingsFrame(received, chooserLists());
    if (!shown)
        return;

    for (std::int16_t slot = 0; slot < kSlotCount; ++slot)
        lblCurrent.Item(slot)->setCaption((*shown)[static_cast<std::size_t>(slot)]);

    SetUnitDetected(true);
    tmrConnection.stop();
    tmrConnection.start();
}

void frmMain::tmrConnection_Timer() {
    tmrConnection.stop();
    SetUnitDetected(false);
}

void frmMain::cmdProgram_Click() {
    for (std::int16_t port = 0; port < kPortCount; ++port)
        cmbNew.Item(slotOf(port, Row::DataBits))->setCurrentIndex(kEightDataBitsEntry);

    ListIndexes listIndexes;
    SlotTexts currentValues;
    for (std::int16_t slot = 0; slot < kSlotCount; ++slot) {
        listIndexes[static_cast<std::size_t>(slot)] =
            static_cast<std::int16_t>(cmbNew.Item(slot)->currentIndex());
        currentValues[static_cast<std::size_t>(slot)] = lblCurrent.Item(slot)->Caption();
    }

    com232.setOutput(composeSettingsFrame(listIndexes, currentValues));
}

ChooserLists frmMain::chooserLists() const {
    ChooserLists lists;
    for (std::int16_t slot = 0; slot < kSlotCount; ++slot) {
        const QComboBox* chooser = cmbNew.Item(slot);
        QStringList& list = lists[static_cast<std::size_t>(slot)];
        for (int entry = 0; entry < chooser->count(); ++entry)
            list << chooser->itemText(entry);
    }
    return lists;
}

} // namespace configurator
