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

} // namespace configurator
