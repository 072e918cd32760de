// The frame rules on their own: judging a received text, reading its slots against the chooser
// lists, turning shown values back into codes, and composing the frame that a write sends. Every
// expected value is written out here, never taken from the program's own tables.
#include "connected_window.h"
#include "settings_frame.h"

#include <QTest>

#include <algorithm>

using namespace configurator;

namespace {

const QStringList kSpeedList{"New Value", "9600", "19200", "38400", "57600", "115200"};
const QStringList kParityList{"New Value", "None", "Even", "Odd"};
const QStringList kBitsList{"New Value", "7", "8"};

// The window's nine chooser lists, with the one of `slot` replaced by `list` when given.
ChooserLists windowLists(int slot = -1, const QStringList& list = {}) {
    ChooserLists lists = {kSpeedList, kParityList, kBitsList,   kSpeedList, kParityList,
                          kBitsList,  kSpeedList,  kParityList, kBitsList};
    if (slot >= 0)
        lists[static_cast<std::size_t>(slot)] = list;
    return lists;
}

QStringList toList(const SlotTexts& texts) {
    return QStringList(texts.begin(), texts.end());
}

SlotTexts toSlotTexts(const QStringList& texts) {
    SlotTexts result;
    std::copy(texts.begin(), texts.end(), result.begin());
    return result;
}

const QStringList kAllError(9, QStringLiteral("Error"));
const QStringList kExampleValues{"115200", "Odd", "8", "57600", "Even", "7", "9600", "None", "8"};

} // namespace

class SettingsFrameTest : public QObject {
    Q_OBJECT

private slots:
    void isSettingsFrame_data();
    void isSettingsFrame();
    void settingCode_data();
    void settingCode();
    void chooserListsHoldTheValueTextsInCodeOrder();
    void decode_data();
    void decode();
    void decodeReadsTheListsItIsGiven_data();
    void decodeReadsTheListsItIsGiven();
    void compose_data();
    void compose();
    void codesRoundTripThroughDecodeAndCompose_data();
    void codesRoundTripThroughDecodeAndCompose();
    void windowJudgesByItsChoosersAsTheyStand();
};

void SettingsFrameTest::isSettingsFrame_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("nine digits") << "$421310001$" << true;
    QTest::newRow("letters between the marks") << "$abcdefghi$" << true;
    QTest::newRow("blanks and marks between") << "$ $ $ $ $ $" << true;
    QTest::newRow("eleven marks") << QString(11, QLatin1Char('$')) << true;
    QTest::newRow("two frames read together") << "$421310001$$000000000$" << true;
    QTest::newRow("a frame and a tail") << "$421310001$xyz" << true;

    QTest::newRow("empty") << "" << false;
    QTest::newRow("a mark alone") << "$" << false;
    QTest::newRow("ten characters starting with a mark") << "$421310001" << false;
    QTest::newRow("ten marks") << QString(10, QLatin1Char('$')) << false;
    QTest::newRow("a digit first, a whole frame later") << "1$421310001$" << false;
    QTest::newRow("a closing mark, then a whole frame") << "$$421310001$" << false;
    QTest::newRow("no closing mark") << "$4213100012" << false;
    QTest::newRow("a look-alike of the mark")
        << QString::fromUtf8("\uFF04421310001\uFF04") << false;
}

void SettingsFrameTest::isSettingsFrame() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QCOMPARE(IsSettingsFrame(text), accepted);
}

void SettingsFrameTest::settingCode_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");

    const QList<std::pair<const char*, int>> values = {
        {"9600", 0}, {"19200", 1}, {"38400", 2}, {"57600", 3}, {"115200", 4},
        {"None", 0}, {"Even", 1},  {"Odd", 2},   {"7", 0},     {"8", 1}};
    for (const auto& [text, code] : values)
        QTest::newRow(text) << QString::fromLatin1(text) << code;

    // Anything but an exact value text gives 0.
    for (const char* text : {"odd", "ODD", "even", "EVEN", "none", " 57600", "57600 ", "38400\t",
                             "057600", "4", "N/A", "Error", "New Value", ""})
        QTest::addRow("\"%s\"", text) << QString::fromLatin1(text) << 0;
}

void SettingsFrameTest::settingCode() {
    QFETCH(QString, text);
    QFETCH(int, code);
    QCOMPARE(SettingCode(text), code);
}

void SettingsFrameTest::chooserListsHoldTheValueTextsInCodeOrder() {
    QCOMPARE(chooserList(Row::Speed), kSpeedList);
    QCOMPARE(chooserList(Row::Parity), kParityList);
    QCOMPARE(chooserList(Row::DataBits), kBitsList);
}

void SettingsFrameTest::decode_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("the example frame") << "$421310001$" << true << kExampleValues;
    QTest::newRow("lowest codes") << "$000000000$" << true
                                  << QStringList{"9600", "None", "7",    "9600", "None",
                                                 "7",    "9600", "None", "7"};
    QTest::newRow("highest codes: each list's last entry")
        << "$421421421$" << true
        << QStringList{"115200", "Odd", "8", "115200", "Odd", "8", "115200", "Odd", "8"};
    QTest::newRow("one beyond each highest code") << "$532532532$" << true << kAllError;
    QTest::newRow("nines") << "$999999999$" << true << kAllError;
    QTest::newRow("the characters either side of the digits") << "$/:/:/:/:/$" << true << kAllError;
    QTest::newRow("eleven marks") << QString(11, QLatin1Char('$')) << true << kAllError;
    QTest::newRow("each slot judged alone")
        << "$4x1 3:1/0$" << true
        << QStringList{"115200", "Error", "8", "Error", "Error", "Error", "19200", "Error", "7"};
    // Characters that are digits elsewhere in Unicode, one of them inside Latin-1.
    QTest::newRow("superscript two")
        << QString::fromUtf8("$\u00B2\u00B2\u00B2000000$") << true
        << QStringList{"Error", "Error", "Error", "9600", "None", "7", "9600", "None", "7"};
    QTest::newRow("fullwidth and Arabic-Indic digits")
        << QString::fromUtf8("$\uFF14\uFF12\uFF11\u0663\u0661\u0660000$") << true
        << QStringList{"Error", "Error", "Error", "Error", "Error", "Error", "9600", "None", "7"};
    QTest::newRow("two frames: the first counts")
        << "$111111111$$000000000$" << true
        << QStringList{"19200", "Even", "8", "19200", "Even", "8", "19200", "Even", "8"};
    QTest::newRow("a frame and a tail")
        << "$201201201$9x" << true
        << QStringList{"38400", "None", "8", "38400", "None", "8", "38400", "None", "8"};

    QTest::newRow("rejected: empty") << "" << false << QStringList();
    QTest::newRow("rejected: ten characters") << "$42131000$" << false << QStringList();
    QTest::newRow("rejected: a digit, then a frame") << "1$421310001$" << false << QStringList();
    QTest::newRow("rejected: a closing mark, then a frame")
        << "$$421310001$" << false << QStringList();
}

void SettingsFrameTest::decode() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(QStringList, shown);

    const std::optional<SlotTexts> result = decodeSettingsFrame(text, windowLists());
    QCOMPARE(result.has_value(), accepted);
    if (result)
        QCOMPARE(toList(*result), shown);
}

void SettingsFrameTest::decodeReadsTheListsItIsGiven_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    const QStringList shortSpeeds{"New Value", "9600", "19200"};
    QTest::newRow("a shorter list: its last entry") << 0 << shortSpeeds << "$100000000$"
                                                    << "19200";
    QTest::newRow("a shorter list: beyond it") << 0 << shortSpeeds << "$200000000$"
                                               << "Error";
    const QStringList longerBits{"New Value", "7", "8", "9"};
    QTest::newRow("a longer list: its last entry") << 8 << longerBits << "$000000002$"
                                                   << "9";
    QTest::newRow("other texts: entry d + 1")
        << 4 << QStringList{"first", "second", "third"} << "$000010000$"
        << "third";
    QTest::newRow("one entry: no digit fits") << 1 << QStringList{"New Value"} << "$000000000$"
                                              << "Error";
    QTest::newRow("no entries: no digit fits") << 7 << QStringList() << "$000000000$"
                                               << "Error";
}

void SettingsFrameTest::decodeReadsTheListsItIsGiven() {
    QFETCH(int, slot);
    QFETCH(QStringList, list);
    QFETCH(QString, text);
    QFETCH(QString, shown);

    const std::optional<SlotTexts> result = decodeSettingsFrame(text, windowLists(slot, list));
    QVERIFY(result);
    QCOMPARE(result->at(static_cast<std::size_t>(slot)), shown);
}

void SettingsFrameTest::compose_data() {
    QTest::addColumn<QList<int>>("listIndexes");
    QTest::addColumn<QStringList>("currentValues");
    QTest::addColumn<QString>("frame");

    const QStringList reported{"9600", "None", "8", "19200", "Even", "8", "115200", "Odd", "7"};
    QTest::newRow("all on New Value: the current values")
        << QList<int>{0, 0, 2, 0, 0, 2, 0, 0, 2} << reported << "$001111421$";
    QTest::newRow("port B's speed chosen")
        << QList<int>{0, 0, 2, 4, 0, 2, 0, 0, 2} << reported << "$001311421$";
    QTest::newRow("every chooser on its last entry")
        << QList<int>{5, 3, 2, 5, 3, 2, 5, 3, 2} << QStringList(9, QStringLiteral("N/A"))
        << "$421421421$";
    QTest::newRow("every chooser on its first value")
        << QList<int>{1, 1, 1, 1, 1, 1, 1, 1, 1} << kExampleValues << "$000000000$";
    QTest::newRow("Error and N/A on New Value give 0")
        << QList<int>{0, 0, 2, 0, 0, 2, 0, 0, 2}
        << QStringList{"Error", "Error", "Error", "N/A", "N/A", "N/A", "57600", "Odd", "8"}
        << "$001001321$";
    QTest::newRow("nothing selected counts as New Value")
        << QList<int>{-1, -1, 2, -1, 0, 2, 0, -1, 2} << kExampleValues << "$421311001$";
    QTest::newRow("a current value not quite a value text")
        << QList<int>{0, 0, 0, 0, 0, 0, 0, 0, 0}
        << QStringList{" 57600", "odd", "8 ", "57600", "Odd", "8", "", "EVEN", "7"}
        << "$000321000$";
}

void SettingsFrameTest::compose() {
    QFETCH(QList<int>, listIndexes);
    QFETCH(QStringList, currentValues);
    QFETCH(QString, frame);

    ListIndexes indexes;
    std::transform(listIndexes.begin(), listIndexes.end(), indexes.begin(),
                   [](int index) { return static_cast<std::int16_t>(index); });
    QCOMPARE(composeSettingsFrame(indexes, toSlotTexts(currentValues)), frame);
}

void SettingsFrameTest::codesRoundTripThroughDecodeAndCompose_data() {
    QTest::addColumn<QString>("frame");
    for (const char* frame : {"$421310001$", "$000000000$", "$421421421$", "$310201110$"})
        QTest::newRow(frame) << QString::fromLatin1(frame);
}

void SettingsFrameTest::codesRoundTripThroughDecodeAndCompose() {
    QFETCH(QString, frame);

    // Shown as current values and written back with every chooser on "New Value".
    const std::optional<SlotTexts> shown = decodeSettingsFrame(frame, windowLists());
    QVERIFY(shown);
    QCOMPARE(composeSettingsFrame(ListIndexes{}, *shown), frame);

    // Chosen in the choosers: code d is entry d + 1.
    ListIndexes chosen;
    for (std::size_t slot = 0; slot < chosen.size(); ++slot)
        chosen[slot] =
            static_cast<std::int16_t>(frame.at(static_cast<qsizetype>(slot) + 1).digitValue() + 1);
    QCOMPARE(composeSettingsFrame(chosen, toSlotTexts(QStringList(9, QStringLiteral("N/A")))),
             frame);
}

// The window hands its choosers' lists as they stand when a text comes, not the lists it was
// built with.
void SettingsFrameTest::windowJudgesByItsChoosersAsTheyStand() {
    ConnectedWindow bench;
    bench.window.cmbNew.Item(0)->addItem(QStringLiteral("230400"));
    bench.window.cmbNew.Item(4)->removeItem(3);
    bench.unit.send("$521320001$");
    QTRY_VERIFY(bench.detected());
    QCOMPARE(bench.currentValues(),
             (QStringList{"230400", "Odd", "8", "57600", "Error", "7", "9600", "None", "8"}));
}

QTEST_MAIN(SettingsFrameTest)
#include "tst_settings_frame.moc"
