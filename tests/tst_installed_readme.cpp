// The README that the window sends the user to: where the installed program finds it, and how
// Label3 shows its path.
#include "ink_bands.h"
#include "installed_readme.h"
#include "main_window.h"
#include "window_decoration.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTest>

using configurator::frmMain;
using configurator::installedReadmePath;

class InstalledReadmeTest : public QObject {
    Q_OBJECT

private slots:
    void pathFollowsTheProgramsPrefix_data();
    void pathFollowsTheProgramsPrefix();
    void outsideAnInstalledBinTheConfiguredPrefix_data();
    void outsideAnInstalledBinTheConfiguredPrefix();
    void label3ShowsThePathOnItsLastLine_data();
    void label3ShowsThePathOnItsLastLine();
};

void InstalledReadmeTest::pathFollowsTheProgramsPrefix_data() {
    QTest::addColumn<QString>("programDirectory");
    QTest::addColumn<QString>("readme");
    QTest::newRow("package") << "/usr/bin"
                             << "/usr/share/doc/arbitrator-configurator/README.md";
    QTest::newRow("default prefix") << "/usr/local/bin"
                                    << "/usr/local/share/doc/arbitrator-configurator/README.md";
    QTest::newRow("one user") << "/home/someone/.local/bin"
                              << "/home/someone/.local/share/doc/arbitrator-configurator/README.md";
    QTest::newRow("unpacked package, untidy path")
        << "/tmp/unpacked//usr/./bin/"
        << "/tmp/unpacked/usr/share/doc/arbitrator-configurator/README.md";
    QTest::newRow("root prefix") << "/bin"
                                 << "/share/doc/arbitrator-configurator/README.md";
}

void InstalledReadmeTest::pathFollowsTheProgramsPrefix() {
    QFETCH(QString, programDirectory);
    QFETCH(QString, readme);
    QCOMPARE(installedReadmePath(programDirectory), readme);
}

void InstalledReadmeTest::outsideAnInstalledBinTheConfiguredPrefix_data() {
    QTest::addColumn<QString>("programDirectory");
    QTest::newRow("build tree") << "/home/someone/src/build/default/configurator";
    QTest::newRow("a folder that only ends in bin") << "/opt/robin";
    QTest::newRow("this test's own folder") << QString();
}

void InstalledReadmeTest::outsideAnInstalledBinTheConfiguredPrefix() {
    QFETCH(QString, programDirectory);
    const QString readme =
        programDirectory.isNull() ? installedReadmePath() : installedReadmePath(programDirectory);
    // The prefix is the build's to choose; the rest of the path is not.
    QVERIFY2(QDir::isAbsolutePath(readme), qPrintable(readme));
    QVERIFY2(readme.endsWith(QStringLiteral("/share/doc/arbitrator-configurator/README.md")),
             qPrintable(readme));
    QVERIFY2(!readme.startsWith(QDir::cleanPath(programDirectory) + QLatin1Char('/')) ||
                 programDirectory.isEmpty(),
             qPrintable(readme));
    QCOMPARE(readme, installedReadmePath(QStringLiteral("/elsewhere/entirely")));
}

void InstalledReadmeTest::label3ShowsThePathOnItsLastLine_data() {
    QTest::addColumn<QString>("readme");
    QTest::newRow("package") << "/usr/share/doc/arbitrator-configurator/README.md";
    QTest::newRow("default prefix") << "/usr/local/share/doc/arbitrator-configurator/README.md";
    QTest::newRow("one user, longer name")
        << "/home/a.longer.user.name/.local/share/doc/arbitrator-configurator/README.md";
}

void InstalledReadmeTest::label3ShowsThePathOnItsLastLine() {
    QFETCH(QString, readme);
    frmMain window(platform::portMapFromList({}));
    QLabel* label3 = window.Label3;
    const QRect box = label3->geometry();
    label3->setText(configurator::label3Text(readme));
    QCOMPARE(label3->geometry(), box);
    // Three lines in the box: the sentence in two, the path whole in the third.
    const QFontMetrics metrics(label3->font());
    QVERIFY(label3->heightForWidth(box.width()) <= box.height());
    QVERIFY(metrics.horizontalAdvance(readme) <= box.width());
    const QStringList lines = label3->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.last(), readme);
    const QImage shown = label3->grab().toImage();
    QCOMPARE(inkBands(shown, QApplication::palette().color(QPalette::Base).rgb()), 3);
}

QTEST_MAIN(InstalledReadmeTest)
#include "tst_installed_readme.moc"
