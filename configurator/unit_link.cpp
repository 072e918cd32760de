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
    if (!IsSettingsFrame(received))
        return;

    for (std::int16_t slot = 0; slot < kSlotCount; ++slot) {
        const QChar character = received.at(digitIndexOf(slot));
        QComboBox* chooser = cmbNew.Item(slot);
        platform::AutoSizeLabel* current = lblCurrent.Item(slot);
        if (character < QLatin1Char('0') || character > QLatin1Char('9')) {
            current->setCaption(kErrorText);
            continue;
        }
        const int code = character.unicode() - u'0';
        if (code > chooser->count() - 2) {
            current->setCaption(kErrorText);
            continue;
        }
        current->setCaption(chooser->itemText(code + 1));
    }

    SetUnitDetected(true);
    tmrConnection.stop();
    tmrConnection.start();
}

void frmMain::tmrConnection_Timer() {
    tmrConnection.stop();
    SetUnitDetected(false);
}

void frmMain::cmdProgram_Click() {
    QString frame(kFrameMark);

    for (const std::int16_t port : {0, 1, 2})
        cmbNew.Item(slotOf(port, Row::DataBits))->setCurrentIndex(kEightDataBitsEntry);

    for (std::int16_t slot = 0; slot < kSlotCount; ++slot) {
        const int listIndex = cmbNew.Item(slot)->currentIndex();
        // A chooser with nothing selected counts as "New Value", so the frame stays whole.
        if (listIndex <= 0)
            frame += QString::number(SettingCode(lblCurrent.Item(slot)->Caption()));
        else
            frame += QString::number(listIndex - 1);
    }
    frame += kFrameMark;

    com232.setOutput(frame);
}

} // namespace configurator
