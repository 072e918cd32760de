#include "window_decoration.h"

#include "main_window.h"
#include "picture_box.h"
#include "twips.h"

#include <QApplication>
#include <QLabel>

namespace configurator {

using platform::twipsRect;

namespace {

platform::PictureBox* addPicture(frmMain& window, const char* name, const QString& file, QRect box,
                                 int tabIndex) {
    auto* picture = new platform::PictureBox(&window);
    picture->setObjectName(QLatin1String(name));
    picture->setGeometry(box);
    picture->setPicture(storedPicture(file));
    picture->setProperty(kTabIndexProperty, tabIndex);
    return picture;
}

QLabel* addContactLabel(frmMain& window, const char* name, const QString& text, QRect box,
                        int tabIndex) {
    auto* label = new QLabel(text, &window);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(box);
    label->setFocusPolicy(Qt::NoFocus);
    label->setProperty(kTabIndexProperty, tabIndex);
    return label;
}

} // namespace

QImage storedPicture(const QString& name) {
    return platform::readPng(kPicturePrefix + name);
}

QIcon programIcon() {
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(storedPicture(QStringLiteral("program-icon-32.png"))));
    icon.addPixmap(QPixmap::fromImage(storedPicture(QStringLiteral("program-icon-16.png"))));
    return icon;
}

void addWindowDecoration(frmMain& window) {
    // The logo and certificate areas first, so that the border line, which reaches a little into
    // the logo area, is drawn over it.
    window.Picture1 = addPicture(window, "Picture1", QStringLiteral("picture1.png"),
                                 twipsRect(270, 450, 5070, 765), 41);
    window.Picture6 = addPicture(window, "Picture6", QStringLiteral("picture6.png"),
                                 twipsRect(5445, 135, 2535, 1500), 44);
    window.Picture2 = addPicture(window, "Picture2", QStringLiteral("picture2.png"),
                                 twipsRect(90, 450, 210, 4725), 39);
    window.Picture3 = addPicture(window, "Picture3", QStringLiteral("picture3.png"),
                                 twipsRect(90, 4950, 210, 1080), 40);
    window.Picture4 = addPicture(window, "Picture4", QStringLiteral("picture4.png"),
                                 twipsRect(90, 6030, 6585, 240), 43);
    window.Picture5 = addPicture(window, "Picture5", QStringLiteral("picture5.png"),
                                 twipsRect(6570, 5775, 1365, 960), 46);

    window.Label3 =
        addContactLabel(window, "Label3", kLabel3Text, twipsRect(225, 6300, 6090, 690), 42);
    window.Label3->setWordWrap(true);
    // The system's colours for a window's content, not the white of this window.
    QPalette colours = window.Label3->palette();
    colours.setColor(QPalette::Window, QApplication::palette().color(QPalette::Base));
    colours.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::WindowText));
    window.Label3->setPalette(colours);
    window.Label3->setAutoFillBackground(true);

    window.Label4 =
        addContactLabel(window, "Label4", kLabel4Text, twipsRect(6525, 6750, 1410, 240), 45);
    window.Label4->setWordWrap(false);
    QFont italic = window.font();
    italic.setItalic(true);
    window.Label4->setFont(italic);

    const QIcon icon = programIcon();
    window.setWindowIcon(icon);
    QApplication::setWindowIcon(icon);
}

} // namespace configurator
