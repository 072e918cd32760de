#include "chooser.h"

#include <QAbstractItemView>
#include <QEvent>

namespace platform {

void Chooser::showPopup() {
    catchUpFontChange();
    popupBuilt_ = true;
    // A style sheet gives the list the application's font unless the list has one of its own.
    view()->setFont(font());
    QComboBox::showPopup();
}

QSize Chooser::sizeHint() const {
    const_cast<Chooser*>(this)->catchUpFontChange();
    return QComboBox::sizeHint();
}

QSize Chooser::minimumSizeHint() const {
    const_cast<Chooser*>(this)->catchUpFontChange();
    return QComboBox::minimumSizeHint();
}

void Chooser::changeEvent(QEvent* event) {
    // An editable chooser's line edit follows the font at once, so only a closed list waits.
    if (event->type() == QEvent::FontChange && !popupBuilt_ && !isEditable()) {
        fontChangePending_ = true;
        QWidget::changeEvent(event);
        return;
    }
    QComboBox::changeEvent(event);
}

void Chooser::catchUpFontChange() {
    if (!fontChangePending_)
        return;
    fontChangePending_ = false;
    popupBuilt_ = true;
    QEvent fontChange(QEvent::FontChange);
    QComboBox::changeEvent(&fontChange);
}

} // namespace platform
