#pragma once

#include <QComboBox>

namespace platform {

// A drop-down list that builds its popup list when it first opens. A plain QComboBox builds the
// popup (a window with a list view) as soon as its font is set, which a window of many choosers
// pays for at start-up though most lists are never opened. A font change that arrives before the
// first opening is handed on to QComboBox then, or when a size hint is asked first, so the list
// and the size hints are a plain QComboBox's; and the list shows its entries in the chooser's
// font, style sheet or not.
class Chooser : public QComboBox {
    Q_OBJECT

public:
    using QComboBox::QComboBox;

    void showPopup() override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;

private:
    // QComboBox keeps its size hints until a font change tells it otherwise.
    void catchUpFontChange();

    bool popupBuilt_ = false;
    bool fontChangePending_ = false;
};

} // namespace platform
