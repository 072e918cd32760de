#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <span>

namespace configurator {

// The nine settings are numbered by slot = 3 × port + row: ports A, B, C are 0, 1, 2 and the rows
// speed, parity and data bits are 0, 1, 2.
inline constexpr std::int16_t kSlotCount = 9;
inline constexpr std::int16_t kPortCount = 3;

enum class Row : std::int16_t { Speed = 0, Parity = 1, DataBits = 2 };

constexpr std::int16_t slotOf(std::int16_t port, Row row) noexcept {
    return static_cast<std::int16_t>(3 * port + static_cast<std::int16_t>(row));
}
constexpr Row rowOf(std::int16_t slot) noexcept {
    return static_cast<Row>(slot % 3);
}
constexpr std::int16_t portOf(std::int16_t slot) noexcept {
    return static_cast<std::int16_t>(slot / 3);
}

// A settings frame: "$", the nine setting codes as digits in slot order, "$". The same in both
// directions; nothing else frames it.
inline constexpr qsizetype kFrameLength = 11;
inline constexpr QChar kFrameMark = QLatin1Char('$');

// Position (counted from 0) of a slot's digit within a frame.
constexpr qsizetype digitIndexOf(std::int16_t slot) noexcept {
    return slot + 1;
}

// The first entry of every chooser: no new value chosen.
inline const QString kNewValue = QStringLiteral("New Value");

// The value texts of a row in setting-code order: code d is the d-th text.
std::span<const QString> valueTexts(Row row);

// A chooser's fixed list: "New Value" first, then the row's value texts in code order, so that
// entry d + 1 shows code d.
QStringList chooserList(Row row);

// True when characters 1 and 11 of a received text are both "$"; nothing else is tested.
bool IsSettingsFrame(const QString& text);

// The setting code of a shown value text, by exact comparison; any other text gives 0.
std::int16_t SettingCode(QString valueText);

} // namespace configurator
