#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
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

// A slot whose character is no digit, or a digit beyond its chooser list, shows this.
inline const QString kErrorText = QStringLiteral("Error");

// One text per slot, and each chooser's entries as read at one moment, both indexed by slot.
using SlotTexts = std::array<QString, kSlotCount>;
using ChooserLists = std::array<QStringList, kSlotCount>;
// Each chooser's selected entry, by slot: 0 is "New Value", -1 nothing selected.
using ListIndexes = std::array<std::int16_t, kSlotCount>;

// The value texts of a row in setting-code order: code d is the d-th text.
std::span<const QString> valueTexts(Row row);

// A chooser's fixed list: "New Value" first, then the row's value texts in code order, so that
// entry d + 1 shows code d.
QStringList chooserList(Row row);

// True when characters 1 and 11 of a received text are both "$"; nothing else is tested.
bool IsSettingsFrame(const QString& text);

// The setting code of a shown value text, by exact comparison; any other text gives 0.
std::int16_t SettingCode(QString valueText);

// What a received text shows in the nine current values: nothing when IsSettingsFrame rejects
// it. Otherwise each slot is judged by its own character alone: a digit d no greater than the
// length of the slot's list less 2 shows the list's entry d + 1; any other character, and any
// digit beyond that bound, shows "Error". The lists are the choosers' as they stand when the
// text is judged.
std::optional<SlotTexts> decodeSettingsFrame(const QString& received, const ChooserLists& lists);

// The frame that a write sends: "$", one digit per slot, "$". A chooser on a value gives its
// list index less 1; one on "New Value", or with nothing selected, gives the SettingCode of the
// slot's current value.
QString composeSettingsFrame(const ListIndexes& listIndexes, const SlotTexts& currentValues);

} // namespace configurator
