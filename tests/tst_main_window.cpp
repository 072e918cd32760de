// The window as start-up leaves it: its controls, their places and lists, the two display states
// and the tab order.
#include "connected_window.h"
#include "expected_display.h"
#include "main_window.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

using configurator::frmMain;

namespace {

// A window whose search finds no port.
struct StartedWindow {
    frmMain window{platform::portMapFromList({})};
    StartedWindow() { window.load(); }
};

QWidget* control(frmMain& window, const QString& name) {
    if (name == window.objectName())
        return &window;
    return window.findChild<QWidget*>(name);
}

// Whether the status box, as drawn, shows text in exactly this colour.
bool statusDrawnIn(frmMain& window, QColor colour) {
    const QImage drawn = window.txtStatus->grab().toImage();
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            if (drawn.pixelColor(x, y) == colour)
                return true;
        }
    }
    return false;
}

void verifyNotDetected(frmMain& window) {
    for (QWidget* frame : {window.frmPortA, window.frmPortB, window.frmPortC})
        QVERIFY(!frame->isEnabled());
    QVERIFY(!window.cmdProgram->isEnabled());
    QCOMPARE(window.txtStatus->text(), QStringLiteral("Warning ! Unit not detected"));
    QCOMPARE(window.txtStatus->palette().color(QPalette::Text), QColor(255, 0, 0));
    QVERIFY(statusDrawnIn(window, QColor(255, 0, 0)));
    QVERIFY(!statusDrawnIn(window, QColor(0, 255, 0)));
    QVERIFY(window.txtStatus->font().bold());
    QCOMPARE(currentValuesOf(window), kNineNotAvailable);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startsNotDetectedOnNewValue();
    void chooserLists_data();
    void chooserLists();
    void geometry_data();
    void geometry();
    void fonts_data();
    void fonts();
    void labelsSizeToTheirCaption_data();
    void labelsSizeToTheirCaption();
    void fixedSizeCentredWithoutMinimiseOrMaximise();
    void tabIndexes_data();
    void tabIndexes();
    void focusFollowsTheTabIndexes();
    void setUnitDetectedBothWays();
    void disabledPanelKeepsItsDataBitsChoosersDisabled();
};

void MainWindowTest::startsNotDetectedOnNewValue() {
    StartedWindow started;
    frmMain& window = started.window;
    verifyNotDetected(window);
    QCOMPARE(window.windowTitle(),
             QStringLiteral("Varnak Arbitrator Configuration V1.1 - No Comm Ports Available"));
    QCOMPARE(window.frmPortA->title(), QStringLiteral("Port A Settings"));
    QCOMPARE(window.frmStatusWindow->title(), QStringLiteral("Status Window"));
    QCOMPARE(window.cmdProgram->text(), QStringLiteral("Write to Unit"));
    for (std::int16_t slot = 0; slot < configurator::kSlotCount; ++slot) {
        QComboBox* chooser = window.cmbNew.Item(slot);
        QCOMPARE(chooser->currentIndex(), 0);
        QCOMPARE(chooser->currentText(), QStringLiteral("New Value"));
        QVERIFY(!chooser->isEditable());
        // Data-bits choosers never take input; the others do once their panel is enabled.
        QCOMPARE(chooser->isEnabledTo(chooser->parentWidget()), slot % 3 != 2);
    }
    QVERIFY(!window.tmrConnection.isActive());
    QCOMPARE(window.tmrConnection.interval(), 3000);
    QCOMPARE(window.txtStatus->font().pointSizeF(), 12.0);
}

void MainWindowTest::chooserLists_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<QStringList>("entries");
    const QStringList speed{"New Value", "9600", "19200", "38400", "57600", "115200"};
    const QStringList parity{"New Value", "None", "Even", "Odd"};
    const QStringList bits{"New Value", "7", "8"};
    const char* ports[] = {"A", "B", "C"};
    for (int port = 0; port < 3; ++port) {
        QTest::addRow("port %s speed", ports[port]) << 3 * port << speed;
        QTest::addRow("port %s parity", ports[port]) << 3 * port + 1 << parity;
        QTest::addRow("port %s data bits", ports[port]) << 3 * port + 2 << bits;
    }
}

void MainWindowTest::chooserLists() {
    QFETCH(int, slot);
    QFETCH(QStringList, entries);
    StartedWindow started;
    QComboBox* chooser = started.window.cmbNew.Item(std::int16_t(slot));
    QStringList shown;
    for (int index = 0; index < chooser->count(); ++index)
        shown << chooser->itemText(index);
    QCOMPARE(shown, entries);
    // The chooser lies in its port's panel.
    const QGroupBox* panels[] = {started.window.frmPortA, started.window.frmPortB,
                                 started.window.frmPortC};
    QCOMPARE(chooser->parentWidget(), panels[slot / 3]);
}

void MainWindowTest::geometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("pixels");

    QTest::newRow("frmPortA") << "frmPortA" << QRect(33, 117, 238, 133);
    QTest::newRow("frmPortB") << "frmPortB" << QRect(291, 117, 238, 133);
    QTest::newRow("frmPortC") << "frmPortC" << QRect(33, 261, 238, 133);
    QTest::newRow("frmStatusWindow") << "frmStatusWindow" << QRect(291, 261, 238, 70);
    QTest::newRow("cmdProgram") << "cmdProgram" << QRect(291, 342, 238, 31);
    QTest::newRow("txtStatus") << "txtStatus" << QRect(12, 24, 211, 25);
    for (int slot = 0; slot < 9; ++slot) {
        const int top = 39 + 30 * (slot % 3);
        QTest::addRow("cmbNew %d", slot)
            << QStringLiteral("cmbNew_%1").arg(slot) << QRect(144, top, 76, 24);
    }
}

void MainWindowTest::geometry() {
    QFETCH(QString, name);
    QFETCH(QRect, pixels);
    StartedWindow started;
    QWidget* found = control(started.window, name);
    QVERIFY(found);
    QCOMPARE(found->geometry(), pixels);
}

void MainWindowTest::fonts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<qreal>("points");
    QTest::addColumn<bool>("bold");

    for (const char* frame : {"frmPortA", "frmPortB", "frmPortC"})
        QTest::newRow(frame) << QString::fromLatin1(frame) << 9.75 << true;
    QTest::newRow("frmStatusWindow") << "frmStatusWindow" << 9.75 << false;
    QTest::newRow("cmdProgram") << "cmdProgram" << 8.25 << false;
    QTest::newRow("cmbNew 0") << "cmbNew_0" << 9.75 << false;
    QTest::newRow("cmbNew 8") << "cmbNew_8" << 9.75 << false;
    QTest::newRow("lblSpeedPortC") << "lblSpeedPortC" << 9.75 << false;
}

void MainWindowTest::fonts() {
    QFETCH(QString, name);
    QFETCH(qreal, points);
    QFETCH(bool, bold);
    StartedWindow started;
    QWidget* found = control(started.window, name);
    QVERIFY(found);
    QCOMPARE(found->font().family(), QStringLiteral("Arial"));
    QCOMPARE(found->font().pointSizeF(), points);
    QCOMPARE(found->font().bold(), bold);
    // Arial stands for its metric twin here.
    QCOMPARE(QFontInfo(found->font()).family(), QStringLiteral("Liberation Sans"));
}

void MainWindowTest::labelsSizeToTheirCaption_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("top");
    // The fixed edge: the left one, or for the right-aligned row labels the right one.
    QTest::addColumn<int>("edge");
    QTest::addColumn<bool>("rightAligned");

    for (const char* port : {"A", "B"}) {
        QTest::addRow("lblCurrentPort%s", port)
            << QStringLiteral("lblCurrentPort%1").arg(port) << "Current" << 18 << 75 << false;
        QTest::addRow("lblNewPort%s", port)
            << QStringLiteral("lblNewPort%1").arg(port) << "New" << 18 << 171 << false;
    }
    QTest::newRow("Label1") << "Label1"
                            << "Current" << 18 << 75 << false;
    QTest::newRow("Label2") << "Label2"
                            << "New" << 18 << 171 << false;
    for (const char* port : {"A", "B", "C"}) {
        QTest::addRow("lblSpeedPort%s", port)
            << QStringLiteral("lblSpeedPort%1").arg(port) << "Speed :" << 42 << 54 << true;
        QTest::addRow("lblParityPort%s", port)
            << QStringLiteral("lblParityPort%1").arg(port) << "Parity :" << 72 << 54 << true;
        QTest::addRow("lblBitsPort%s", port)
            << QStringLiteral("lblBitsPort%1").arg(port) << "Bits :" << 102 << 54 << true;
    }
    for (int slot = 0; slot < 9; ++slot)
        QTest::addRow("lblCurrent %d", slot) << QStringLiteral("lblCurrent_%1").arg(slot) << "N/A"
                                             << 42 + 30 * (slot % 3) << 75 << false;
}

void MainWindowTest::labelsSizeToTheirCaption() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(int, top);
    QFETCH(int, edge);
    QFETCH(bool, rightAligned);
    StartedWindow started;
    auto* label = qobject_cast<platform::AutoSizeLabel*>(control(started.window, name));
    QVERIFY(label);
    QCOMPARE(label->text(), caption);
    QCOMPARE(label->y(), top);
    QCOMPARE(label->height(), 16);
    QCOMPARE(label->font().family(), QStringLiteral("Arial"));
    QCOMPARE(label->font().pointSizeF(), 9.75);
    QCOMPARE(label->width(), kCaptionWidths.value(caption));
    QCOMPARE(rightAligned ? label->x() + label->width() : label->x(), edge);

    // A new caption moves only the free edge.
    label->setCaption(QStringLiteral("115200"));
    QCOMPARE(label->width(), 43);
    QCOMPARE(rightAligned ? label->x() + label->width() : label->x(), edge);
}

void MainWindowTest::fixedSizeCentredWithoutMinimiseOrMaximise() {
    StartedWindow started;
    frmMain& window = started.window;
    window.showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(window.size(), QSize(546, 469));
    QCOMPARE(window.minimumSize(), QSize(546, 469));
    QCOMPARE(window.maximumSize(), QSize(546, 469));
    const Qt::WindowFlags flags = window.windowFlags();
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = window.frameGeometry();
    QVERIFY2(qAbs(frame.left() - (screen.right() - frame.right())) <= 1, "not centred across");
    QVERIFY2(qAbs(frame.top() - (screen.bottom() - frame.bottom())) <= 1, "not centred down");

    QCOMPARE(window.font().family(), QStringLiteral("Arial"));
    QCOMPARE(window.font().pointSizeF(), 8.25);
    QCOMPARE(window.palette().color(QPalette::Window), QColor(Qt::white));
}

void MainWindowTest::tabIndexes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    const QList<std::pair<const char*, int>> fixed = {
        {"frmPortA", 0},         {"lblSpeedPortA", 1},    {"lblParityPortA", 2},
        {"lblBitsPortA", 3},     {"frmPortB", 4},         {"lblBitsPortB", 5},
        {"lblParityPortB", 6},   {"lblSpeedPortB", 7},    {"frmPortC", 8},
        {"lblBitsPortC", 9},     {"lblParityPortC", 10},  {"lblSpeedPortC", 11},
        {"cmdProgram", 12},      {"lblCurrentPortA", 13}, {"lblNewPortA", 14},
        {"lblCurrentPortB", 18}, {"lblNewPortB", 19},     {"Label1", 26},
        {"Label2", 27},          {"frmStatusWindow", 37}, {"txtStatus", 38}};
    for (const auto& [name, index] : fixed)
        QTest::newRow(name) << QString::fromLatin1(name) << index;
    const int firstCurrent[] = {15, 20, 23};
    for (int slot = 0; slot < 9; ++slot) {
        QTest::addRow("lblCurrent %d", slot)
            << QStringLiteral("lblCurrent_%1").arg(slot) << firstCurrent[slot / 3] + slot % 3;
        QTest::addRow("cmbNew %d", slot) << QStringLiteral("cmbNew_%1").arg(slot) << 28 + slot;
    }
}

void MainWindowTest::tabIndexes() {
    QFETCH(QString, name);
    QFETCH(int, index);
    StartedWindow started;
    QWidget* found = control(started.window, name);
    QVERIFY(found);
    QCOMPARE(found->property(configurator::kTabIndexProperty).toInt(), index);

    // No two controls share an index.
    int holders = 0;
    for (QWidget* other : started.window.findChildren<QWidget*>())
        holders += other->property(configurator::kTabIndexProperty) == QVariant(index);
    QCOMPARE(holders, 1);
}

void MainWindowTest::focusFollowsTheTabIndexes() {
    StartedWindow started;
    frmMain& window = started.window;
    window.SetUnitDetected(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // Frames and labels never take the focus, nor do the disabled data-bits choosers.
    const QList<QWidget*> expected = {
        window.cmdProgram,     window.cmbNew.Item(0), window.cmbNew.Item(1),
        window.cmbNew.Item(3), window.cmbNew.Item(4), window.cmbNew.Item(6),
        window.cmbNew.Item(7), window.txtStatus,      window.cmdProgram};
    window.cmdProgram->setFocus();
    QList<QWidget*> visited{QApplication::focusWidget()};
    for (int step = 1; step < expected.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    QCOMPARE(visited, expected);
}

void MainWindowTest::setUnitDetectedBothWays() {
    StartedWindow started;
    frmMain& window = started.window;
    window.cmbNew.Item(0)->setCurrentIndex(3);

    window.lblCurrent.Item(0)->setCaption(QStringLiteral("Error"));
    window.lblCurrent.Item(4)->setCaption(QStringLiteral("Even"));
    for (int call = 0; call < 2; ++call) {
        window.SetUnitDetected(true);
        for (QWidget* frame : {window.frmPortA, window.frmPortB, window.frmPortC})
            QVERIFY(frame->isEnabled());
        QVERIFY(window.cmdProgram->isEnabled());
        QCOMPARE(window.txtStatus->text(), QStringLiteral("Unit detected"));
        QCOMPARE(window.txtStatus->palette().color(QPalette::Text), QColor(0, 255, 0));
        QVERIFY(statusDrawnIn(window, QColor(0, 255, 0)));
        QVERIFY(!statusDrawnIn(window, QColor(255, 0, 0)));
        QVERIFY(window.txtStatus->font().bold());
        // The current values keep what they show.
        QCOMPARE(window.lblCurrent.Item(0)->text(), QStringLiteral("Error"));
        QCOMPARE(window.lblCurrent.Item(4)->text(), QStringLiteral("Even"));
    }
    for (int call = 0; call < 2; ++call) {
        window.SetUnitDetected(false);
        verifyNotDetected(window);
    }
    // No change of state touches a chooser or the caption.
    QCOMPARE(window.cmbNew.Item(0)->currentIndex(), 3);
    QCOMPARE(window.cmbNew.Item(1)->currentIndex(), 0);
    QVERIFY(window.windowTitle().endsWith(QStringLiteral(" - No Comm Ports Available")));
}

void MainWindowTest::disabledPanelKeepsItsDataBitsChoosersDisabled() {
    StartedWindow started;
    frmMain& window = started.window;
    window.SetUnitDetected(true);
    window.SetUnitDetected(false);
    for (std::int16_t slot = 0; slot < configurator::kSlotCount; ++slot)
        QVERIFY(!window.cmbNew.Item(slot)->isEnabled());

    window.SetUnitDetected(true);
    for (std::int16_t slot = 0; slot < configurator::kSlotCount; ++slot)
        QCOMPARE(window.cmbNew.Item(slot)->isEnabled(), slot % 3 != 2);
}

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
