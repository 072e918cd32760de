#include "window_decoration.h"

#include "installed_readme.h"
#include "main_window.h"
#include "picture_box.h"
#include "twips.h"

#include <QApplication>
#include <QLabel>

namespace configurator {

using platform::twipsRect;

namespace {

platform::PictureBox* addPicture(QWidget* window, const char* name, const QString& file, QRect box,
                                 int tabIndex) {
    auto* picture = new platform::PictureBox(window);
    picture->setObjectName(QLatin1String(name));
    picture->setGeometry(box);
    picture->setPicture(storedPicture(file));
    picture->setProperty(kTabIndexProperty, tabIndex);
    return picture;
}

QLabel* addContactLabel(QWidget* window, const char* name, const QString& text, QRect box,
                        int tabIndex) {
    auto* label = new QLabel(text, window);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(box);
    label->setFocusPolicy(Qt::NoFocus);
    label->setProperty(kTabIndexProperty, tabIndex);
    return label;
}

} // namespace

QString label3Text(const QString& readmePath) {
    // The path on a line of its own, so that a long prefix still leaves the sentence whole.
    return QStringLiteral("Shows and sets the speed, parity and data bits of the arbitrator unit's "
                          "ports A, B and C. Cable the unit to a serial port, pick new values and "
                          "press Write to Unit. More in\n") +
           readmePath;
}

QImage storedPicture(const QString& name) {
    return platform::readPng(kPicturePrefix + name);
}

QIcon programIcon() {
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(storedPicture(QStringLiteral("program-icon-32.png"))));
    icon.addPixmap(QPixmap::fromImage(storedPicture(QStringLiteral("program-icon-16.png"))));
    return icon;
}

void frmMain::buildDecoration() {
    // The logo and certificate areas first, so that the border line, which reaches a little into
    // the logo area, is drawn over it.
    Picture1 = addPicture(this, "Picture1", QStringLiteral("picture1.png"),
                          twipsRect(270, 450, 5070, 765), 41);
    Picture6 = addPicture(this, "Picture6", QStringLiteral("picture6.png"),
                          twipsRect(5445, 135, 2535, 1500), 44);
    Picture2 = addPicture(this, "Picture2", QStringLiteral("picture2.png"),
                          twipsRect(90, 450, 210, 4725), 39);
    Picture3 = addPicture(this, "Picture3", QStringLiteral("picture3.png"),
                          twipsRect(90, 4950, 210, 1080), 40);
    Picture4 = addPicture(this, "Picture4", QStringLiteral("picture4.png"),
                          twipsRect(90, 6030, 6585, 240), 43);
    Picture5 = addPicture(this, "Picture5", QStringLiteral("picture5.png"),
                          twipsRect(6570, 5775, 1365, 960), 46);

    Label3 = addContactLabel(this, "Label3", label3Text(installedReadmePath()),
                             twipsRect(225, 6300, 6090, 690), 42);
    Label3->setWordWrap(true);
    // The system's colours for a window's content, not the white of this window.
    QPalette colours = Label3->palette();
    colours.setColor(QPalette::Window, QApplication::palette().color(QPalette::Base));
    colours.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::WindowText));
    Label3->setPalette(colours);
    Label3->setAutoFillBackground(true);

    Label4 = addContactLabel(this, "Label4", kLabel4Text, twipsRect(6525, 6750, 1410, 240), 45);
    Label4->setWordWrap(false);
    QFont italic = font();
    italic.setItalic(true);
    Label4->setFont(italic);

    const QIcon icon = programIcon();
    setWindowIcon(icon);
    QApplication::setWindowIcon(icon);
}

} // namespace configurator
