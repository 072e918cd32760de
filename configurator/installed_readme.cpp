#include "installed_readme.h"

#include <QCoreApplication>
#include <QDir>

namespace configurator {

QString installedReadmePath(const QString& programDirectory) {
    const QString readme = QStringLiteral("/README.md");
    // Both folders are relative to the prefix unless the build was told otherwise.
    const QString binDirectory = QStringLiteral(CONFIGURATOR_INSTALL_BINDIR);
    const QString docDirectory = QStringLiteral(CONFIGURATOR_INSTALL_DOCDIR);
    const QString program = QDir::cleanPath(programDirectory);
    if (QDir::isRelativePath(binDirectory) && QDir::isRelativePath(docDirectory) &&
        program.endsWith(QLatin1Char('/') + binDirectory)) {
        const QString prefix = program.chopped(binDirectory.size() + 1);
        return QDir::cleanPath(prefix + QLatin1Char('/') + docDirectory + readme);
    }
    return QDir::cleanPath(QStringLiteral(CONFIGURATOR_INSTALL_FULL_DOCDIR) + readme);
}

QString installedReadmePath() {
    return installedReadmePath(QCoreApplication::applicationDirPath());
}

} // namespace configurator
