// Tab 2 "Signals & Direct Load": line level and pulse buttons, raw word rows.
// Tab 3 "Output Voltages": the forty output labels.

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "main_controls.h"
#include "main_layout_build.h"
#include "widgets.h"

namespace kteval::ui::layout {

namespace {

void buildDirectLoad(QGroupBox* frame6, MainControls& c) {
    constexpr int kRowPitch = 360;
    constexpr int kOptionRight = 1440 + 195;
    constexpr int kBusX = 1860;
    constexpr int kLoadLeft = 2880;
    auto rowY = [](int i) { return 510 + kRowPitch * i; };
    // Each row's stub reaches the bus; the middle one goes on to the button.
    for (int i = 0; i < 5; ++i) {
        const int end = i == 2 ? kLoadLeft : kBusX;
        line(frame6, indexed("Line2", 10 + i), {kOptionRight, rowY(i)}, {end, rowY(i)});
    }
    line(frame6, "Line5", {kBusX, rowY(0)}, {kBusX, rowY(4)});

    for (int i = 0; i < 5; ++i) {
        c.txtDirectLoad[i] = entry(frame6, indexed("txtDirectLoad", i), "000000",
                                   {120, 360 + kRowPitch * i, 1155, 285});
        c.optTxtSelect[i] =
            bareOption(frame6, indexed("optTxtSelect", i), 1440, 420 + kRowPitch * i);
    }
    c.optTxtSelect[0]->setChecked(true);
    c.cmdDirectLoad = button(frame6, "cmdDirectLoad", "Load Command", {kLoadLeft, 840, 2355, 735});
}

}  // namespace

void buildSignalsTab(QWidget* page, QPoint origin, MainControls& c) {
    const char* const captions[6] = {"RESET High", "RESET Low", "CLR High",
                                     "CLR Low",    "LDAC High", "LDAC Low"};
    for (int i = 0; i < 6; ++i) {
        const int left = 2760 + 1560 * (i / 2);
        const int top = i % 2 == 0 ? 3720 : 4200;
        c.cmdRESET[i] =
            button(page, indexed("cmdRESET", i), captions[i], {left, top, 1335, 375}, origin);
    }
    c.Command1 = button(page, "Command1", "Pulse RESET", {7560, 3720, 1335, 375}, origin);
    c.Command2 = button(page, "Command2", "Pulse LDAC", {7560, 4200, 1335, 375}, origin);

    c.Frame6 = frame(page, "Frame6", "Direct 24-Bit Load", {1740, 900, 8295, 2235}, origin);
    buildDirectLoad(c.Frame6, c);
}

void buildOutputsTab(QWidget* page, QPoint origin, MainControls& c) {
    for (int i = 0; i < 40; ++i) {
        const int column = i % 8;
        const int row = i / 8;
        c.lblvout[i] = label(page, indexed("lblvout", i), "Vout0=0.0000V",
                             {105 + 1400 * column, 780 + 480 * row, 1400, 195}, origin);
    }
}

}  // namespace kteval::ui::layout
