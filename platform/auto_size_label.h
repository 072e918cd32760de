#pragma once

#include <QLabel>

namespace platform {

// A one-line label that sizes itself to its caption. Its left edge stays where it is, or its right
// edge where the text is right-aligned; its height is left alone.
class AutoSizeLabel : public QLabel {
    Q_OBJECT

public:
    explicit AutoSizeLabel(QWidget* parent = nullptr);

    void setCaption(const QString& caption);
    QString Caption() const { return text(); }

    // The width that a caption takes in the label's font.
    int captionWidth(const QString& caption) const;
};

} // namespace platform
