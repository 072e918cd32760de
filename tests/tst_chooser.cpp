// The chooser builds its popup list at the first opening, and the opened list is the one that a
// plain QComboBox shows after the same steps: entries in the chooser's font, same size hints.
// In the window, whose style sheet would hand a plain QComboBox's list the application's font,
// the chooser's list shows the chooser's own font.
#include "chooser.h"
#include "main_window.h"

#include <QAbstractItemView>
#include <QFontInfo>
#include <QRegularExpression>
#include <QTest>

namespace {

QFont arial(qreal pointSize, bool bold = false) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

const QStringList kEntries{"New Value", "115200", "57600", "38400", "19200", "9600"};

// The steps before the first opening: the font set before or after the entries are added, or
// only inherited from the parent, a size hint asked before the font is set or not, and the
// chooser shown or not.
enum class FontStep { BeforeEntries, AfterEntries, Inherited };

void prepare(QComboBox& chooser, FontStep step, const QFont& font, bool sizeHintFirst = false) {
    if (sizeHintFirst) {
        chooser.sizeHint();
        chooser.minimumSizeHint();
    }
    if (step == FontStep::BeforeEntries)
        chooser.setFont(font);
    chooser.addItems(kEntries);
    chooser.setCurrentIndex(-1);
    if (step == FontStep::AfterEntries)
        chooser.setFont(font);
    chooser.setGeometry(10, 10, 100, 24);
}

// What the opened list shows, drawn.
QImage openedList(QComboBox& chooser) {
    chooser.showPopup();
    QAbstractItemView* list = chooser.view();
    const bool shown = QTest::qWaitFor([list] { return list->isVisible(); });
    const QImage picture = shown ? list->grab().toImage() : QImage();
    chooser.hidePopup();
    return picture;
}

} // namespace

class ChooserTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void popupWaitsForTheFirstOpening();
    void openedListMatchesAPlainComboBox_data();
    void openedListMatchesAPlainComboBox();
    void fontChangeAfterOpeningReachesTheList();
    void windowsListsOpenInTheChoosersFont();
};

void ChooserTest::init() {
    // Any warning fails, but the offscreen platform's two notices about an opened popup.
    QTest::failOnWarning(QRegularExpression(
        QStringLiteral("^(?!This plugin does not support (raise\\(\\)|grabbing the keyboard)$)")));
}

void ChooserTest::popupWaitsForTheFirstOpening() {
    QWidget parent;
    platform::Chooser chooser(&parent);
    prepare(chooser, FontStep::AfterEntries, arial(9.75));
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QVERIFY(chooser.findChildren<QAbstractItemView*>().isEmpty());

    QVERIFY(!openedList(chooser).isNull());
    QCOMPARE(chooser.findChildren<QAbstractItemView*>().size(), 1);
}

void ChooserTest::openedListMatchesAPlainComboBox_data() {
    QTest::addColumn<FontStep>("step");
    QTest::addColumn<bool>("shownFirst");
    QTest::addColumn<bool>("sizeHintFirst");
    QTest::newRow("font before the entries") << FontStep::BeforeEntries << true << false;
    QTest::newRow("font after the entries") << FontStep::AfterEntries << true << false;
    QTest::newRow("font after the entries, never shown before")
        << FontStep::AfterEntries << false << false;
    QTest::newRow("font inherited from the parent") << FontStep::Inherited << true << false;
    QTest::newRow("size hint asked before the font is set")
        << FontStep::AfterEntries << true << true;
    QTest::newRow("size hint asked before the font is set, never shown before")
        << FontStep::AfterEntries << false << true;
}

void ChooserTest::openedListMatchesAPlainComboBox() {
    QFETCH(FontStep, step);
    QFETCH(bool, shownFirst);
    QFETCH(bool, sizeHintFirst);
    const QFont font = arial(9.75);

    QWidget parent;
    parent.setFont(step == FontStep::Inherited ? font : arial(8.25, true));
    parent.resize(300, 200);
    platform::Chooser chooser(&parent);
    QComboBox plain(&parent);
    prepare(chooser, step, font, sizeHintFirst);
    prepare(plain, step, font, sizeHintFirst);
    if (shownFirst) {
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
    }
    // The size hints follow the font before the list is ever opened.
    QCOMPARE(chooser.sizeHint(), plain.sizeHint());
    QCOMPARE(chooser.minimumSizeHint(), plain.minimumSizeHint());
    if (!shownFirst) {
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
    }

    const QImage shown = openedList(chooser);
    QVERIFY(!shown.isNull());
    QCOMPARE(chooser.view()->font(), chooser.font());
    QCOMPARE(QFontInfo(chooser.view()->font()).family(), QFontInfo(font).family());
    QCOMPARE(QFontInfo(chooser.view()->font()).pointSizeF(), QFontInfo(font).pointSizeF());
    QCOMPARE(shown, openedList(plain));
    QCOMPARE(chooser.sizeHint(), plain.sizeHint());
    QCOMPARE(chooser.minimumSizeHint(), plain.minimumSizeHint());
}

void ChooserTest::fontChangeAfterOpeningReachesTheList() {
    QWidget parent;
    parent.resize(300, 200);
    platform::Chooser chooser(&parent);
    QComboBox plain(&parent);
    prepare(chooser, FontStep::AfterEntries, arial(9.75));
    prepare(plain, FontStep::AfterEntries, arial(9.75));
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    openedList(chooser);
    openedList(plain);

    chooser.setFont(arial(12, true));
    plain.setFont(arial(12, true));
    const QImage shown = openedList(chooser);
    QCOMPARE(chooser.view()->font(), arial(12, true));
    QCOMPARE(shown, openedList(plain));
}

void ChooserTest::windowsListsOpenInTheChoosersFont() {
    configurator::frmMain window(platform::portMapFromList({}));
    window.start();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (std::int16_t slot = 0; slot < configurator::kSlotCount; ++slot)
        QVERIFY(window.cmbNew.Item(slot)->findChildren<QAbstractItemView*>().isEmpty());

    QComboBox* speed = window.cmbNew.Item(0);
    speed->setEnabled(true);
    QVERIFY(!openedList(*speed).isNull());
    QCOMPARE(speed->view()->font(), arial(9.75));
    QCOMPARE(speed->view()->model()->rowCount(), speed->count());
}

QTEST_MAIN(ChooserTest)
#include "tst_chooser.moc"
