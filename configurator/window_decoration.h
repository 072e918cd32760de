#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

namespace configurator {

class frmMain;

// Where the drawn pictures lie in the program's resources.
inline const QString kPicturePrefix = QStringLiteral(":/pictures/");

inline const QString kLabel3Text = QStringLiteral(
    "Shows and sets the speed, parity and data bits of the three serial ports of the arbitrator "
    "unit. Cable the unit to a serial port of this computer, pick the new values and press Write "
    "to Unit. The README.md in the program's source tells more.");
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
