#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

namespace configurator {

class frmMain;

// Where the drawn pictures lie in the program's resources.
inline const QString kPicturePrefix = QStringLiteral(":/pictures/");

// Label3's text names the README where the installed program finds it.
QString label3Text(const QString& readmePath);
inline const QString kLabel4Text = QStringLiteral("See README.md");

// One stored picture, by its file name.
QImage storedPicture(const QString& name);

// The program icon: the window glyph at 32 and 16 pixels, in 16 colours.
QIcon programIcon();

// Adds the border line, the icon picture, the logo and certificate areas and the two contact
// labels to the window, and gives the window and the application the program icon. They are
// built once, with the window, and nothing touches them afterwards.
void addWindowDecoration(frmMain& window);

} // namespace configurator
