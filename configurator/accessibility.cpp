#include "accessibility.h"

#include "main_window.h"
#include "settings_frame.h"

#include <array>

namespace configurator {

namespace {

// The words of the window's own row labels, without their colons.
QString rowWord(Row row) {
    switch (row) {
    case Row::Speed:
        return QStringLiteral("Speed");
    case Row::Parity:
        return QStringLiteral("Parity");
    case Row::DataBits:
        return QStringLiteral("Bits");
    }
    return QString();
}

QString slotWords(std::int16_t slot) {
    const QChar port(static_cast<char16_t>(u'A' + portOf(slot)));
    return QStringLiteral("Port %1 %2").arg(port).arg(rowWord(rowOf(slot)));
}

} // namespace

QString chooserDescription(std::int16_t slot) {
    return slotWords(slot) + QStringLiteral(", new value");
}

QString currentValueDescription(std::int16_t slot) {
    return slotWords(slot) + QStringLiteral(", current value");
}

void describeForAssistiveTechnology(frmMain& window) {
    // Row labels in slot order. A buddy makes the label the chooser's label for assistive
    // technology; with no mnemonic in its text it adds no shortcut.
    const std::array<QLabel*, kSlotCount> rowLabels = {
        window.lblSpeedPortA, window.lblParityPortA, window.lblBitsPortA,
        window.lblSpeedPortB, window.lblParityPortB, window.lblBitsPortB,
        window.lblSpeedPortC, window.lblParityPortC, window.lblBitsPortC};
    for (std::int16_t slot = 0; slot < kSlotCount; ++slot) {
        QComboBox* chooser = window.cmbNew.Item(slot);
        rowLabels[static_cast<std::size_t>(slot)]->setBuddy(chooser);
        chooser->setAccessibleDescription(chooserDescription(slot));
        window.lblCurrent.Item(slot)->setAccessibleDescription(currentValueDescription(slot));
    }
}

} // namespace configurator
