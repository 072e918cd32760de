// What assistive technology learns of the window through Qt's accessibility interfaces: each
// chooser and current value tells its port and row, the row labels label their choosers, the
// status box's changes go out as text changes, and the decoration pictures stay out of the way.
#include "main_window.h"

#include <QAccessible>
#include <QTest>

#include <utility>

using configurator::frmMain;

namespace {

// A window whose search finds no port, as start-up leaves it.
struct StartedWindow {
    frmMain window{platform::portMapFromList({})};
    StartedWindow() { window.load(); }
};

QAccessibleInterface* accessible(QObject* object) {
    QAccessibleInterface* interface = QAccessible::queryAccessibleInterface(object);
    return interface;
}

// The names of what labels this interface, or what it labels, by `relation`.
QStringList related(QAccessibleInterface* interface, QAccessible::Relation relation) {
    QStringList names;
    for (const auto& [other, kind] : interface->relations(relation))
        names << other->text(QAccessible::Name);
    return names;
}

// The text changes of one object that reach the accessibility layer while it lives, in place of
// the platform's bridge.
class TextChangeRecorder {
public:
    explicit TextChangeRecorder(QObject* watched) {
        watched_ = watched;
        changes_.clear();
        previous_ = QAccessible::installUpdateHandler(&TextChangeRecorder::record);
    }
    ~TextChangeRecorder() {
        QAccessible::installUpdateHandler(previous_);
        watched_ = nullptr;
    }
    TextChangeRecorder(const TextChangeRecorder&) = delete;
    TextChangeRecorder& operator=(const TextChangeRecorder&) = delete;

    // Removed text, inserted text.
    static const QList<std::pair<QString, QString>>& changes() { return changes_; }

private:
    static void record(QAccessibleEvent* event) {
        if (event->object() != watched_)
            return;
        switch (event->type()) {
        case QAccessible::TextUpdated: {
            const auto* update = static_cast<QAccessibleTextUpdateEvent*>(event);
            changes_.append({update->textRemoved(), update->textInserted()});
            break;
        }
        case QAccessible::TextInserted:
            changes_.append(
                {QString(), static_cast<QAccessibleTextInsertEvent*>(event)->textInserted()});
            break;
        case QAccessible::TextRemoved:
            changes_.append(
                {static_cast<QAccessibleTextRemoveEvent*>(event)->textRemoved(), QString()});
            break;
        default:
            break;
        }
    }

    static inline QObject* watched_ = nullptr;
    static inline QList<std::pair<QString, QString>> changes_;
    QAccessible::UpdateHandler previous_ = nullptr;
};

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void slotsTellTheirPortAndRow_data();
    void slotsTellTheirPortAndRow();
    void statusBoxOffersItsText();
    void statusChangesGoOutAsTextChanges();
    void decorationPicturesStayOutOfTheWay_data();
    void decorationPicturesStayOutOfTheWay();
};

void AccessibilityTest::slotsTellTheirPortAndRow_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("rowLabel");
    QTest::addColumn<QString>("rowCaption");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("secondEntry");
    const QList<std::pair<const char*, const char*>> rows = {
        {"Speed", "Speed :"}, {"Parity", "Parity :"}, {"Bits", "Bits :"}};
    const QList<const char*> secondEntries = {"19200", "Even", "8"};
    int slot = 0;
    for (const char* port : {"A", "B", "C"}) {
        for (int row = 0; row < 3; ++row, ++slot) {
            const QString words = QStringLiteral("Port %1 %2")
                                      .arg(QLatin1String(port), QLatin1String(rows[row].first));
            QTest::newRow(qPrintable(words))
                << slot << words
                << QStringLiteral("lbl%1Port%2")
                       .arg(QLatin1String(rows[row].first), QLatin1String(port))
                << QString::fromLatin1(rows[row].second)
                << QStringLiteral("Port %1 Settings").arg(QLatin1String(port))
                << QString::fromLatin1(secondEntries[row]);
        }
    }
}

void AccessibilityTest::slotsTellTheirPortAndRow() {
    QFETCH(int, slot);
    QFETCH(QString, words);
    QFETCH(QString, rowLabel);
    QFETCH(QString, rowCaption);
    QFETCH(QString, panel);
    QFETCH(QString, secondEntry);
    StartedWindow started;
    frmMain& window = started.window;
    QComboBox* chooser = window.cmbNew.Item(static_cast<std::int16_t>(slot));
    platform::AutoSizeLabel* current = window.lblCurrent.Item(static_cast<std::int16_t>(slot));
    auto* label = window.findChild<QLabel*>(rowLabel);
    QVERIFY(label);

    // The chooser: named by its entry, described by its port and row, labelled by its row's
    // label and its panel.
    QAccessibleInterface* chooserInterface = accessible(chooser);
    QVERIFY(chooserInterface);
    QCOMPARE(chooserInterface->role(), QAccessible::ComboBox);
    QCOMPARE(chooserInterface->text(QAccessible::Name), QStringLiteral("New Value"));
    QCOMPARE(chooserInterface->text(QAccessible::Description),
             words + QStringLiteral(", new value"));
    const QStringList labels = related(chooserInterface, QAccessible::Label);
    QVERIFY2(labels.contains(rowCaption), qPrintable(labels.join(QLatin1Char('|'))));
    QVERIFY2(labels.contains(panel), qPrintable(labels.join(QLatin1Char('|'))));
    QCOMPARE(label->buddy(), chooser);
    QVERIFY(
        related(accessible(label), QAccessible::Labelled).contains(QStringLiteral("New Value")));
    // What the row label shows stays as it was: no mnemonic came with the buddy.
    QCOMPARE(label->text(), rowCaption);

    chooser->setCurrentIndex(2);
    QCOMPARE(chooserInterface->text(QAccessible::Name), secondEntry);
    QCOMPARE(chooserInterface->text(QAccessible::Value), secondEntry);
    QCOMPARE(chooserInterface->text(QAccessible::Description),
             words + QStringLiteral(", new value"));

    // The current value: named by its caption, described by its port and row.
    QAccessibleInterface* currentInterface = accessible(current);
    QVERIFY(currentInterface);
    QCOMPARE(currentInterface->role(), QAccessible::StaticText);
    QCOMPARE(currentInterface->text(QAccessible::Name), QStringLiteral("N/A"));
    QCOMPARE(currentInterface->text(QAccessible::Description),
             words + QStringLiteral(", current value"));
    current->setCaption(QStringLiteral("57600"));
    QCOMPARE(currentInterface->text(QAccessible::Name), QStringLiteral("57600"));
    QVERIFY(!currentInterface->state().focusable);
}

void AccessibilityTest::statusBoxOffersItsText() {
    StartedWindow started;
    QAccessibleInterface* status = accessible(started.window.txtStatus);
    QVERIFY(status);
    QCOMPARE(status->role(), QAccessible::EditableText);
    QCOMPARE(status->text(QAccessible::Name), QStringLiteral("Status Window"));
    QVERIFY(status->state().readOnly);
    QAccessibleTextInterface* text = status->textInterface();
    QVERIFY(text);
    QCOMPARE(text->text(0, text->characterCount()), QStringLiteral("Warning ! Unit not detected"));
    started.window.SetUnitDetected(true);
    QCOMPARE(text->text(0, text->characterCount()), QStringLiteral("Unit detected"));
    QCOMPARE(status->text(QAccessible::Value), QStringLiteral("Unit detected"));
}

void AccessibilityTest::statusChangesGoOutAsTextChanges() {
    // Qt hands out events only while a bridge to assistive technology is active: on X11 with an
    // accessibility bus (tests/accessibility_bus.sh runs this suite so), never offscreen.
    const bool busExpected = qEnvironmentVariableIsSet("CONFIGURATOR_ACCESSIBILITY_BUS");
    if (!busExpected && !QAccessible::isActive())
        QSKIP("no accessibility bridge is active on this platform");
    StartedWindow started;
    if (busExpected)
        QTRY_VERIFY_WITH_TIMEOUT(QAccessible::isActive(), 30000);

    TextChangeRecorder recorder(started.window.txtStatus);
    started.window.SetUnitDetected(true);
    started.window.SetUnitDetected(true);
    started.window.SetUnitDetected(false);
    // A change each way, from the old text to the new. (Qt also reports the same text written
    // again, as a change from itself to itself.)
    const QList<std::pair<QString, QString>> expected = {
        {QStringLiteral("Warning ! Unit not detected"), QStringLiteral("Unit detected")},
        {QStringLiteral("Unit detected"), QStringLiteral("Warning ! Unit not detected")}};
    QList<std::pair<QString, QString>> changes;
    for (const auto& change : TextChangeRecorder::changes()) {
        if (change.first != change.second)
            changes.append(change);
    }
    QCOMPARE(changes, expected);
}

void AccessibilityTest::decorationPicturesStayOutOfTheWay_data() {
    QTest::addColumn<QString>("name");
    for (const char* name :
         {"Picture1", "Picture2", "Picture3", "Picture4", "Picture5", "Picture6"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void AccessibilityTest::decorationPicturesStayOutOfTheWay() {
    QFETCH(QString, name);
    StartedWindow started;
    auto* picture = started.window.findChild<QWidget*>(name);
    QVERIFY(picture);
    QCOMPARE(picture->focusPolicy(), Qt::NoFocus);
    QAccessibleInterface* interface = accessible(picture);
    QVERIFY(interface);
    // A nameless client area, which the accessibility bus shows as a filler that screen readers
    // pass over.
    QCOMPARE(interface->role(), QAccessible::Client);
    QCOMPARE(interface->text(QAccessible::Name), QString());
    QCOMPARE(interface->text(QAccessible::Description), QString());
    QVERIFY(!interface->state().focusable);
    QCOMPARE(interface->childCount(), 0);
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
