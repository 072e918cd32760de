#pragma once

#include "auto_size_label.h"
#include "control_array.h"
#include "picture_box.h"
#include "port_map.h"
#include "serial_control.h"
#include "settings_frame.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <cstdint>

namespace configurator {

inline const QString kDefinitionCaption = QStringLiteral("Varnak Arbitrator Configuration");
inline const QString kUnitDetected = QStringLiteral("Unit detected");
inline const QString kUnitNotDetected = QStringLiteral("Warning ! Unit not detected");
inline const QString kNotAvailable = QStringLiteral("N/A");

// The name of the dynamic property that records each control's place in the tab order.
inline constexpr char kTabIndexProperty[] = "TabIndex";

// The configuration window: three port panels, the status box and the write button, with the
// serial control and the watchdog timer that it owns. Its controls are public, as a form's are;
// only the window's own procedures change them.
class frmMain : public QWidget {
    Q_OBJECT

public:
    explicit frmMain(platform::PortMap portMap, QWidget* parent = nullptr);

    // What the program's start does: raise Load, then show the window centred on the screen.
    void start();
    void load();
    void showCentred();

    // The one switch between the detected and the not-detected state.
    void SetUnitDetected(bool detected);

    bool commPortOpened() const noexcept { return CommPortOpened; }
    std::int16_t commPortNumber() const noexcept { return CommPortNumber; }

    QGroupBox* frmPortA;
    QGroupBox* frmPortB;
    QGroupBox* frmPortC;
    QGroupBox* frmStatusWindow;

    QLabel* lblSpeedPortA;
    QLabel* lblParityPortA;
    QLabel* lblBitsPortA;
    QLabel* lblCurrentPortA;
    QLabel* lblNewPortA;
    QLabel* lblSpeedPortB;
    QLabel* lblParityPortB;
    QLabel* lblBitsPortB;
    QLabel* lblCurrentPortB;
    QLabel* lblNewPortB;
    QLabel* lblSpeedPortC;
    QLabel* lblParityPortC;
    QLabel* lblBitsPortC;
    QLabel* Label1;
    QLabel* Label2;

    // Indexed by setting slot.
    platform::ControlArray<platform::AutoSizeLabel, kSlotCount> lblCurrent;
    platform::ControlArray<QComboBox, kSlotCount> cmbNew;

    QLineEdit* txtStatus;
    QPushButton* cmdProgram;

    // The border line, the icon picture, the logo and certificate areas and the contact labels:
    // built with the window and never touched again.
    platform::PictureBox* Picture1;
    platform::PictureBox* Picture2;
    platform::PictureBox* Picture3;
    platform::PictureBox* Picture4;
    platform::PictureBox* Picture5;
    platform::PictureBox* Picture6;
    QLabel* Label3;
    QLabel* Label4;

    QTimer tmrConnection;
    platform::SerialControl com232;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // A control's object name and its place in the tab order.
    struct Named {
        const char* name;
        int tabIndex;
    };
    // One port panel as the window defines it. The current values take the tab indexes from
    // firstCurrentTabIndex on, row by row; the choosers take theirs by slot.
    struct PortPanelDefinition {
        std::int16_t port;
        Named frame;
        const char* caption;
        int left;
        int top;
        Named currentHeading;
        Named newHeading;
        Named speed;
        Named parity;
        Named bits;
        int firstCurrentTabIndex;
    };
    // The controls of a built panel that the window holds by name; its current values and
    // choosers go into lblCurrent and cmbNew.
    struct PortPanel {
        QGroupBox* frame;
        QLabel* currentHeading;
        QLabel* newHeading;
        QLabel* speed;
        QLabel* parity;
        QLabel* bits;
    };

    PortPanel buildPortPanel(const PortPanelDefinition& definition);
    void buildStatusAndButton();
    // The border line, the icon picture, the logo and certificate areas, the contact labels and
    // the program icon (window_decoration.cpp).
    void buildDecoration();
    void applyTabOrder();
    void showStatus(const QString& text);

    // Event procedures and the start-up search (unit_link.cpp).
    void Form_Load();
    void OpenCommPort();
    void Form_Unload(std::int16_t& Cancel);
    void com232_OnComm();
    void tmrConnection_Timer();
    void cmdProgram_Click();
    // Each chooser's entries as they stand now.
    ChooserLists chooserLists() const;

    bool CommPortOpened = false;
    std::int16_t CommPortNumber = 0;
    bool unloaded_ = false;
};

} // namespace configurator
