#include "chooser.h"

#include <QAbstractItemView>
#include <QEvent>

namespace platform {

void Chooser::showPopup() {
    if (fontChangePending_) {
        QEvent fontChange(QEvent::FontChange);
        QComboBox::changeEvent(&fontChange);
    }
    popupBuilt_ = true;
    fontChangePending_ = false;
    // A style sheet gives the list the application's font unless the list has one of its own.
    view()->setFont(font());
    QComboBox::showPopup();
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

} // namespace platform
