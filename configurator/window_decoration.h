#pragma once

// The decoration's pictures and texts. frmMain::buildDecoration (window_decoration.cpp) puts the
// border line, the icon picture, the logo and certificate areas and the two contact labels on
// the window, and gives the window and the application the program icon; nothing touches them
// afterwards.
#include <QIcon>
#include <QImage>
#include <QString>

namespace configurator {

// Where the drawn pictures lie in the program's resources.
inline const QString kPicturePrefix = QStringLiteral(":/pictures/");

// Label3's text names the README where the installed program finds it.
QString label3Text(const QString& readmePath);
inline const QString kLabel4Text = QStringLiteral("See README.md");

// One stored picture, by its file name.
QImage storedPicture(const QString& name);

// The program icon: the window glyph at 32 and 16 pixels, in 16 colours.
QIcon programIcon();

} // namespace configurator
