#include "auto_size_label.h"

#include <QFontMetrics>

namespace platform {

AutoSizeLabel::AutoSizeLabel(QWidget* parent)
    : QLabel(parent) {
    setWordWrap(false);
    setTextFormat(Qt::PlainText);
}

int AutoSizeLabel::captionWidth(const QString& caption) const {
    return fontMetrics().horizontalAdvance(caption);
}

void AutoSizeLabel::setCaption(const QString& caption) {
    setText(caption);
    QRect box = geometry();
    const int width = captionWidth(caption);
    if (alignment() & Qt::AlignRight)
        box.setLeft(box.right() + 1 - width);
    else
        box.setWidth(width);
    setGeometry(box);
}

} // namespace platform
