#pragma once

#include <array>

class QAction;
class QGroupBox;
class QLabel;
class QMainWindow;
class QMenu;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace kteval::ui {

class ClickArea;
class EntryBox;
class KeylessComboBox;
class LineWidget;

// Every control of the main window the handlers touch, by its name. An indexed
// group is an array; member i has the objectName "name_i". The widgets are
// owned by the window (Qt parent); these are non-owning pointers.
struct MainControls {
    // Menu bar
    QMenu* mnuFile = nullptr;
    QAction* mnuReload = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuAbout = nullptr;
    QAction* mnuVersion = nullptr;

    // Directly on the window
    QTabWidget* SSTab1 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* lblOutputCode = nullptr;
    ClickArea* Picture1 = nullptr;  // top left corner
    ClickArea* Picture2 = nullptr;  // bottom left corner
    ClickArea* Picture3 = nullptr;  // top right corner

    // Tab 0 "Main DACs"
    QPushButton* mnuPulseReset = nullptr;
    QGroupBox* Frame4 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* frmGroup = nullptr;
    std::array<EntryBox*, 10> txtInput{};
    std::array<QRadioButton*, 10> InputSel{};
    std::array<QRadioButton*, 40> chkDAC{};
    std::array<QLabel*, 3> Label5{};
    std::array<EntryBox*, 3> txtVREF{};
    std::array<QRadioButton*, 2> optAB{};
    QPushButton* cmdX1A = nullptr;
    QPushButton* cmdM = nullptr;
    QPushButton* cmdC = nullptr;
    QLabel* lblXA = nullptr;
    QLabel* lblXB = nullptr;
    QLabel* lblM = nullptr;
    QLabel* lblC = nullptr;
    QLabel* lblX2A = nullptr;
    QLabel* lblX2B = nullptr;
    LineWidget* Areg = nullptr;
    LineWidget* Breg = nullptr;
    std::array<QRadioButton*, 2> DACoptMux2{};
    QLabel* DACregister = nullptr;
    QPushButton* cmdLDAC = nullptr;

    // Tab 1 "Offset DACs"
    std::array<QLabel*, 5> Label6{};
    std::array<EntryBox*, 3> txtOffsetValue{};
    std::array<QPushButton*, 3> cmdOFFSET{};
    LineWidget* Line8 = nullptr;
    QGroupBox* fraMonControls = nullptr;
    QGroupBox* fraGPIO = nullptr;
    KeylessComboBox* cboDisable = nullptr;
    KeylessComboBox* cboMonChannel = nullptr;
    std::array<QRadioButton*, 3> chkGPIO{};
    QPushButton* cmdGPIOread = nullptr;
    QLabel* lblGPIOinput = nullptr;
    QPushButton* Command5 = nullptr;  // "Pulse RESET"
    QPushButton* Command4 = nullptr;  // "Pulse LDAC"

    // Tab 2 "Signals && Direct Load"
    std::array<QPushButton*, 6> cmdRESET{};
    QPushButton* Command1 = nullptr;  // "Pulse RESET"
    QPushButton* Command2 = nullptr;  // "Pulse LDAC"
    QGroupBox* Frame6 = nullptr;
    std::array<EntryBox*, 5> txtDirectLoad{};
    std::array<QRadioButton*, 5> optTxtSelect{};
    QPushButton* cmdDirectLoad = nullptr;

    // Tab 3 "Output Voltages"
    std::array<QLabel*, 40> lblvout{};
};

// Creates the menu bar, the tab control and every control of the main window
// in its design state (captions, texts, visibility, chosen options, fixed
// client size 12015 x 7545 twips), and fills controls.
void buildMainWindow(QMainWindow& window, MainControls& controls);

}  // namespace kteval::ui
