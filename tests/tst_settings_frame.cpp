// Judging a received text as a settings frame, and turning shown values back into codes.
#include "settings_frame.h"

#include <QTest>

using namespace configurator;

class SettingsFrameTest : public QObject {
    Q_OBJECT

private slots:
    void isSettingsFrame_data();
    void isSettingsFrame();
    void settingCode_data();
    void settingCode();
    void codesRoundTripThroughTheChooserLists();
    void exampleFrameReadsAsItsValues();
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

void SettingsFrameTest::codesRoundTripThroughTheChooserLists() {
    for (std::int16_t slot = 0; slot < kSlotCount; ++slot) {
        const QStringList list = chooserList(rowOf(slot));
        QCOMPARE(list.front(), QStringLiteral("New Value"));
        // Every code of the row is shown as entry code + 1 and read back as itself.
        for (int code = 0; code <= list.size() - 2; ++code)
            QCOMPARE(SettingCode(list.at(code + 1)), code);
    }
}

void SettingsFrameTest::exampleFrameReadsAsItsValues() {
    const QString frame = QStringLiteral("$421310001$");
    QVERIFY(IsSettingsFrame(frame));
    QStringList values;
    for (std::int16_t slot = 0; slot < kSlotCount; ++slot) {
        const int code = frame.at(digitIndexOf(slot)).digitValue();
        values << chooserList(rowOf(slot)).at(code + 1);
    }
    QCOMPARE(values,
             (QStringList{"115200", "Odd", "8", "57600", "Even", "7", "9600", "None", "8"}));
}

QTEST_MAIN(SettingsFrameTest)
#include "tst_settings_frame.moc"
