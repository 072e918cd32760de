#include "main_window.h"

#include "accessibility.h"
#include "chooser.h"
#include "event_procedure.h"
#include "twips.h"
#include "unit_link.h"
#include "window_placement.h"
#include "x11_frame.h"

#include <QCloseEvent>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace configurator {

using platform::twipsRect;
using platform::twipsSize;

namespace {

QFont arial(qreal pointSize, bool bold = false) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(pointSize);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}

void setTabIndex(QWidget* control, int index) {
    control->setProperty(kTabIndexProperty, index);
}

// A one-line label at its place; it sizes itself to its caption.
platform::AutoSizeLabel* addLabel(QWidget* parent, const char* name, const QString& caption,
                                  QRect box, Qt::Alignment alignment, int tabIndex) {
    auto* label = new platform::AutoSizeLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(arial(9.75));
    label->setAlignment(alignment | Qt::AlignTop);
    label->setGeometry(box);
    label->setCaption(caption);
    setTabIndex(label, tabIndex);
    return label;
}

// Frames are white with a flat single-line border and the caption in the window-text colour;
// choosers and the status box have a flat single-line border, no 3-D edge. One sheet for the
// whole window: a sheet per control costs start-up time for nothing.
const char* const kWindowStyle =
    "QGroupBox { background-color: #ffffff; border: 1px solid palette(window-text);"
    " margin-top: 7px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 7px;"
    " padding: 0px 1px; color: palette(window-text); }"
    "QComboBox { border: 1px solid palette(dark); padding: 0px 2px; }"
    "QLineEdit#txtStatus { border: 1px solid palette(mid); }";

QGroupBox* addFrame(QWidget* parent, const char* name, const QString& caption, QRect box,
                    const QFont& font, int tabIndex) {
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFont(font);
    frame->setGeometry(box);
    setTabIndex(frame, tabIndex);
    return frame;
}

} // namespace

frmMain::frmMain(platform::PortMap portMap, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
    , com232(std::move(portMap)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kDefinitionCaption);
    setFont(arial(8.25));
    setFixedSize(twipsSize(8190, 7035));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    setStyleSheet(QLatin1String(kWindowStyle));

    const PortPanel portA = buildPortPanel({.port = 0,
                                            .frame = {"frmPortA", 0},
                                            .caption = "Port A Settings",
                                            .left = 495,
                                            .top = 1755,
                                            .currentHeading = {"lblCurrentPortA", 13},
                                            .newHeading = {"lblNewPortA", 14},
                                            .speed = {"lblSpeedPortA", 1},
                                            .parity = {"lblParityPortA", 2},
                                            .bits = {"lblBitsPortA", 3},
                                            .firstCurrentTabIndex = 15});
    frmPortA = portA.frame;
    lblSpeedPortA = portA.speed;
    lblParityPortA = portA.parity;
    lblBitsPortA = portA.bits;
    lblCurrentPortA = portA.currentHeading;
    lblNewPortA = portA.newHeading;

    const PortPanel portB = buildPortPanel({.port = 1,
                                            .frame = {"frmPortB", 4},
                                            .caption = "Port B Settings",
                                            .left = 4365,
                                            .top = 1755,
                                            .currentHeading = {"lblCurrentPortB", 18},
                                            .newHeading = {"lblNewPortB", 19},
                                            .speed = {"lblSpeedPortB", 7},
                                            .parity = {"lblParityPortB", 6},
                                            .bits = {"lblBitsPortB", 5},
                                            .firstCurrentTabIndex = 20});
    frmPortB = portB.frame;
    lblSpeedPortB = portB.speed;
    lblParityPortB = portB.parity;
    lblBitsPortB = portB.bits;
    lblCurrentPortB = portB.currentHeading;
    lblNewPortB = portB.newHeading;

    const PortPanel portC = buildPortPanel({.port = 2,
                                            .frame = {"frmPortC", 8},
                                            .caption = "Port C Settings",
                                            .left = 495,
                                            .top = 3915,
                                            .currentHeading = {"Label1", 26},
                                            .newHeading = {"Label2", 27},
                                            .speed = {"lblSpeedPortC", 11},
                                            .parity = {"lblParityPortC", 10},
                                            .bits = {"lblBitsPortC", 9},
                                            .firstCurrentTabIndex = 23});
    frmPortC = portC.frame;
    lblSpeedPortC = portC.speed;
    lblParityPortC = portC.parity;
    lblBitsPortC = portC.bits;
    Label1 = portC.currentHeading;
    Label2 = portC.newHeading;

    buildStatusAndButton();

    tmrConnection.setObjectName(QStringLiteral("tmrConnection"));
    tmrConnection.setInterval(kWatchdogIntervalMs);
    // A coarse timer may fire up to 5 % early; the watchdog must never cut a count short.
    tmrConnection.setTimerType(Qt::PreciseTimer);
    com232.setObjectName(QStringLiteral("com232"));

    connect(&tmrConnection, &QTimer::timeout, this,
            [this] { platform::runEventProcedure([this] { tmrConnection_Timer(); }); });
    connect(&com232, &platform::SerialControl::OnComm, this,
            [this] { platform::runEventProcedure([this] { com232_OnComm(); }); });
    connect(cmdProgram, &QPushButton::clicked, this,
            [this] { platform::runEventProcedure([this] { cmdProgram_Click(); }); });

    buildDecoration();
    describeForAssistiveTechnology(*this);
    applyTabOrder();
}

frmMain::PortPanel frmMain::buildPortPanel(const PortPanelDefinition& definition) {
    const auto label = [](QWidget* parent, Named named, const QString& caption, QRect box,
                          Qt::Alignment alignment) {
        return addLabel(parent, named.name, caption, box, alignment, named.tabIndex);
    };
    const Qt::Alignment left = Qt::AlignLeft;
    const Qt::Alignment right = Qt::AlignRight;

    QGroupBox* frame = addFrame(this, definition.frame.name, QLatin1String(definition.caption),
                                twipsRect(definition.left, definition.top, 3570, 1995),
                                arial(9.75, true), definition.frame.tabIndex);
    const PortPanel panel{
        .frame = frame,
        .currentHeading = label(frame, definition.currentHeading, QStringLiteral("Current"),
                                twipsRect(1125, 270, 630, 240), left),
        .newHeading = label(frame, definition.newHeading, QStringLiteral("New"),
                            twipsRect(2565, 270, 375, 240), left),
        .speed = label(frame, definition.speed, QStringLiteral("Speed :"),
                       twipsRect(135, 630, 675, 240), right),
        .parity = label(frame, definition.parity, QStringLiteral("Parity :"),
                        twipsRect(180, 1080, 630, 240), right),
        .bits = label(frame, definition.bits, QStringLiteral("Bits :"),
                      twipsRect(345, 1530, 465, 240), right),
    };

    // The rows lie 450 twips apart; each chooser sits 45 twips above its row's labels.
    for (const Row row : {Row::Speed, Row::Parity, Row::DataBits}) {
        const std::int16_t slot = slotOf(definition.port, row);
        const int rowTop = 630 + 450 * static_cast<int>(row);

        platform::AutoSizeLabel* current = addLabel(
            frame, "lblCurrent", QStringLiteral("115200"), twipsRect(1125, rowTop, 630, 240), left,
            definition.firstCurrentTabIndex + static_cast<int>(row));
        current->setObjectName(QStringLiteral("lblCurrent_%1").arg(slot));
        lblCurrent.set(static_cast<std::size_t>(slot), current);

        auto* chooser = new platform::Chooser(frame);
        chooser->setObjectName(QStringLiteral("cmbNew_%1").arg(slot));
        chooser->setFont(arial(9.75));
        chooser->setEditable(false);
        chooser->setGeometry(twipsRect(2160, rowTop - 45, 1140, 360));
        chooser->addItems(chooserList(row));
        chooser->setCurrentIndex(-1);
        // The data bits are shown, never chosen: every write asks for 8.
        chooser->setEnabled(row != Row::DataBits);
        setTabIndex(chooser, 28 + slot);
        cmbNew.set(static_cast<std::size_t>(slot), chooser);
    }
    return panel;
}

void frmMain::buildStatusAndButton() {
    frmStatusWindow = addFrame(this, "frmStatusWindow", QStringLiteral("Status Window"),
                               twipsRect(4365, 3915, 3570, 1050), arial(9.75), 37);

    txtStatus = new QLineEdit(frmStatusWindow);
    txtStatus->setObjectName(QStringLiteral("txtStatus"));
    txtStatus->setFont(arial(12));
    txtStatus->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    txtStatus->setFrame(false);
    txtStatus->setGeometry(twipsRect(180, 360, 3165, 375));
    // The box only reports; nothing reads back what is in it.
    txtStatus->setReadOnly(true);
    setTabIndex(txtStatus, 38);

    cmdProgram = new QPushButton(QStringLiteral("Write to Unit"), this);
    cmdProgram->setObjectName(QStringLiteral("cmdProgram"));
    cmdProgram->setGeometry(twipsRect(4365, 5130, 3570, 465));
    setTabIndex(cmdProgram, 12);
}

void frmMain::applyTabOrder() {
    std::vector<QWidget*> focusable;
    for (QWidget* control : findChildren<QWidget*>()) {
        if (control->property(kTabIndexProperty).isValid() && control->focusPolicy() != Qt::NoFocus)
            focusable.push_back(control);
    }
    std::sort(focusable.begin(), focusable.end(), [](QWidget* a, QWidget* b) {
        return a->property(kTabIndexProperty).toInt() < b->property(kTabIndexProperty).toInt();
    });
    for (std::size_t i = 1; i < focusable.size(); ++i)
        QWidget::setTabOrder(focusable[i - 1], focusable[i]);
}

void frmMain::showStatus(const QString& text) {
    txtStatus->setText(text);
    // A text wider than the box shows from its start, as a text box shows what it was given.
    txtStatus->setCursorPosition(0);
}

void frmMain::SetUnitDetected(bool detected) {
    frmPortA->setEnabled(detected);
    frmPortB->setEnabled(detected);
    frmPortC->setEnabled(detected);
    cmdProgram->setEnabled(detected);

    QFont statusFont = txtStatus->font();
    statusFont.setBold(true);
    txtStatus->setFont(statusFont);
    QPalette statusColours = txtStatus->palette();
    if (detected) {
        statusColours.setColor(QPalette::Text, QColor(0, 255, 0));
        txtStatus->setPalette(statusColours);
        showStatus(kUnitDetected);
        return;
    }
    statusColours.setColor(QPalette::Text, QColor(255, 0, 0));
    txtStatus->setPalette(statusColours);
    showStatus(kUnitNotDetected);
    const std::int16_t count = lblCurrent.Count();
    for (std::int16_t index = 0; index < count; ++index)
        lblCurrent.Item(index)->setCaption(kNotAvailable);
}

void frmMain::load() {
    platform::runEventProcedure([this] { Form_Load(); });
}

void frmMain::showCentred() {
    // A fixed frame with a close button only, in the hints that X11 window managers read besides
    // the size hints that the fixed size gives.
    winId();
    if (QWindow* handle = windowHandle())
        platform::askForFixedFrameWithCloseOnly(*handle);
    platform::showWithFrameCentred(*this);
}

void frmMain::start() {
    load();
    if (!platform::programEnded())
        showCentred();
}

void frmMain::closeEvent(QCloseEvent* event) {
    // The window unloads once, however often it is asked to close.
    if (!unloaded_) {
        unloaded_ = true;
        std::int16_t cancel = 0;
        platform::runEventProcedure([this, &cancel] { Form_Unload(cancel); });
        if (cancel != 0) {
            unloaded_ = false;
            event->ignore();
            return;
        }
    }
    event->accept();
}

} // namespace configurator
