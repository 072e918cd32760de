// libFuzzer target for the receive rule: each input is one received text, its bytes taken one to
// one as characters, as the serial control reads them, and judged by decodeSettingsFrame against
// the choosers' lists as the window builds them. The result is checked against a model of the
// rule written out here on its own, so that a fault in the frame test, the digit judging or the
// value lists cannot hide behind the same fault in the check. What an accepted text shows is then
// written back as a write with every chooser on "New Value" would send it.
#include "settings_frame.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <vector>

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

namespace {

// ---- The model ---------------------------------------------------------------------------------

constexpr std::size_t kModelSlots = 9;
constexpr std::size_t kModelFrameLength = 11;

// Value texts by row (speed, parity, data bits), code d at index d.
const std::array<std::vector<const char*>, 3> kModelTexts = {{
    {"9600", "19200", "38400", "57600", "115200"},
    {"None", "Even", "Odd"},
    {"7", "8"},
}};

using Shown = std::array<QString, kModelSlots>;

// What an accepted text shows in the nine slots; nothing for a text that is not accepted.
std::optional<Shown> modelOfText(const std::uint8_t* text, std::size_t size) {
    if (size < kModelFrameLength || text[0] != '$' || text[kModelFrameLength - 1] != '$')
        return std::nullopt;
    Shown shown;
    for (std::size_t slot = 0; slot < kModelSlots; ++slot) {
        const std::vector<const char*>& texts = kModelTexts[slot % 3];
        const std::uint8_t character = text[slot + 1];
        const bool digit = character >= '0' && character <= '9';
        if (digit && static_cast<std::size_t>(character - '0') < texts.size())
            shown[slot] = QLatin1String(texts[static_cast<std::size_t>(character - '0')]);
        else
            shown[slot] = QStringLiteral("Error");
    }
    return shown;
}

// ---- The harness -------------------------------------------------------------------------------

configurator::ChooserLists windowLists() {
    configurator::ChooserLists lists;
    for (std::int16_t slot = 0; slot < configurator::kSlotCount; ++slot)
        lists[static_cast<std::size_t>(slot)] =
            configurator::chooserList(configurator::rowOf(slot));
    return lists;
}

QByteArray hexOf(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).toHex(' ');
}

[[noreturn]] void fail(const QString& what, const std::uint8_t* data, std::size_t size) {
    std::fprintf(stderr, "fuzz_receive: %s\n  input (%zu bytes): %s\n", qPrintable(what), size,
                 hexOf(data, size).constData());
    std::abort();
}

} // namespace

// libFuzzer's own mutations, with half of the results then put in the shape of a frame, marks in
// place and one slot given any byte: a mutation rarely keeps both marks by itself, and without
// them the slots are never judged.
extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int seed) {
    std::minstd_rand random(seed);
    size = LLVMFuzzerMutate(data, size, maxSize);
    if (maxSize < kModelFrameLength || random() % 2 == 0)
        return size;
    for (; size < kModelFrameLength; ++size)
        data[size] = '0';
    data[0] = '$';
    data[kModelFrameLength - 1] = '$';
    data[1 + random() % kModelSlots] = static_cast<std::uint8_t>(random() % 256);
    return size;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const configurator::ChooserLists lists = windowLists();

    const QString received =
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<configurator::SlotTexts> shown =
        configurator::decodeSettingsFrame(received, lists);
    const std::optional<Shown> expected = modelOfText(data, size);

    if (shown.has_value() != expected.has_value())
        fail(expected ? QStringLiteral("an accepted text was rejected")
                      : QStringLiteral("a rejected text was accepted"),
             data, size);
    if (!shown)
        return 0;
    for (std::size_t slot = 0; slot < kModelSlots; ++slot) {
        if ((*shown)[slot] != (*expected)[slot])
            fail(QStringLiteral("slot %1 shows \"%2\", the model says \"%3\"")
                     .arg(slot)
                     .arg((*shown)[slot], (*expected)[slot]),
                 data, size);
    }

    // Written back with every chooser on "New Value", each slot carries its digit again, or 0
    // where it showed "Error".
    QString echo(QLatin1Char('$'));
    for (std::size_t slot = 0; slot < kModelSlots; ++slot)
        echo += (*expected)[slot] == QLatin1String("Error") ? QLatin1Char('0')
                                                            : QLatin1Char(char(data[slot + 1]));
    echo += QLatin1Char('$');
    if (configurator::composeSettingsFrame(configurator::ListIndexes{}, *shown) != echo)
        fail(QStringLiteral("the shown values are not written back as their codes"), data, size);
    return 0;
}
