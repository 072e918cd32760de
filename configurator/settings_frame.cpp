#include "settings_frame.h"

namespace configurator {
namespace {

// Each row's value texts in setting-code order. The chooser lists, the digits shown and
// SettingCode all come from this one table.
const std::array<QString, 5> kSpeedTexts = {QStringLiteral("9600"), QStringLiteral("19200"),
                                            QStringLiteral("38400"), QStringLiteral("57600"),
                                            QStringLiteral("115200")};
const std::array<QString, 3> kParityTexts = {QStringLiteral("None"), QStringLiteral("Even"),
                                             QStringLiteral("Odd")};
const std::array<QString, 2> kDataBitsTexts = {QStringLiteral("7"), QStringLiteral("8")};

} // namespace

std::span<const QString> valueTexts(Row row) {
    switch (row) {
    case Row::Speed:
        return kSpeedTexts;
    case Row::Parity:
        return kParityTexts;
    case Row::DataBits:
        return kDataBitsTexts;
    }
    return {};
}

QStringList chooserList(Row row) {
    QStringList entries{kNewValue};
    for (const QString& text : valueTexts(row))
        entries << text;
    return entries;
}

bool IsSettingsFrame(const QString& text) {
    return text.size() >= kFrameLength && text.at(0) == kFrameMark &&
           text.at(kFrameLength - 1) == kFrameMark;
}

std::int16_t SettingCode(QString valueText) {
    // The value texts of the three rows all differ, so one search serves every slot.
    for (const Row row : {Row::Speed, Row::Parity, Row::DataBits}) {
        const std::span<const QString> texts = valueTexts(row);
        for (std::size_t code = 0; code < texts.size(); ++code) {
            if (texts[code] == valueText)
                return static_cast<std::int16_t>(code);
        }
    }
    return 0;
}

std::optional<SlotTexts> decodeSettingsFrame(const QString& received, const ChooserLists& lists) {
    if (!IsSettingsFrame(received))
        return std::nullopt;
    SlotTexts shown;
    for (std::int16_t slot = 0; slot < kSlotCount; ++slot) {
        const auto index = static_cast<std::size_t>(slot);
        const QChar character = received.at(digitIndexOf(slot));
        const QStringList& list = lists[index];
        if (character < QLatin1Char('0') || character > QLatin1Char('9')) {
            shown[index] = kErrorText;
            continue;
        }
        const auto code = static_cast<std::int16_t>(character.unicode() - u'0');
        if (code > list.size() - 2) {
            shown[index] = kErrorText;
            continue;
        }
        shown[index] = list.at(code + 1);
    }
    return shown;
}

QString composeSettingsFrame(const ListIndexes& listIndexes, const SlotTexts& currentValues) {
    QString frame(kFrameMark);
    for (std::size_t slot = 0; slot < listIndexes.size(); ++slot) {
        const std::int16_t listIndex = listIndexes[slot];
        // A chooser with nothing selected counts as "New Value", so the frame stays whole.
        if (listIndex <= 0)
            frame += QString::number(SettingCode(currentValues[slot]));
        else
            frame += QString::number(listIndex - 1);
    }
    frame += kFrameMark;
    return frame;
}

} // namespace configurator
