// Tab 0 "Main DACs": input rows, channel choice and the selected channel's
// register path.

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "main_controls.h"
#include "main_layout_build.h"
#include "widgets.h"

namespace kteval::ui::layout {

namespace {

constexpr int kRowPitch = 420;  // input rows

// Ten input rows, each an entry with its option button, joined to a bus on
// the frame's right edge.
void buildInputRows(QGroupBox* frame4, MainControls& c) {
    const char* const texts[10] = {"3FFF", "2000", "FFFF", "8000", "2000",
                                   "1555", "5554", "0000", "0000", "0000"};
    constexpr int kBusX = 1380;
    constexpr int kOptionRight = 960 + 195;
    for (int i = 0; i < 10; ++i) {
        const int y = 420 + kRowPitch * i;
        line(frame4, indexed("Line2", i), {kOptionRight, y}, {kBusX, y});
    }
    line(frame4, "Line4", {kBusX, 420}, {kBusX, 420 + kRowPitch * 9});
    for (int i = 0; i < 10; ++i) {
        c.txtInput[i] =
            entry(frame4, indexed("txtInput", i), texts[i], {120, 240 + kRowPitch * i, 795, 315});
        c.InputSel[i] = bareOption(frame4, indexed("InputSel", i), 960, 300 + kRowPitch * i);
    }
    c.InputSel[0]->setChecked(true);
}

void buildChannelChoice(QGroupBox* frame1, MainControls& c) {
    for (int i = 0; i < 40; ++i) {
        const int column = i % 8;
        const int row = i / 8;
        c.chkDAC[i] = option(frame1, indexed("chkDAC", i), QString("DAC%1").arg(i),
                             {360 + 1000 * column, 540 + 300 * row, 1000, 195});
    }
    c.chkDAC[0]->setChecked(true);
}

}  // namespace

void buildDacsTab(QWidget* page, QPoint origin, MainControls& c) {
    // Joins the input bus to the register path; beneath both frames.
    line(page, "Line3", {2160, 5160}, {1860, 5160}, origin);

    c.mnuPulseReset = button(page, "mnuPulseReset", "Pulse RESET", {540, 900, 1335, 375}, origin);
    c.Frame4 = frame(page, "Frame4", "Input Code (Hex)", {480, 2220, 1395, 4515}, origin);
    c.Frame1 = frame(page, "Frame1", "DAC Selection", {2040, 840, 8895, 2295}, origin);
    c.frmGroup = frame(page, "frmGroup", "Group 0 - Vout0", {2100, 3540, 8835, 3135}, origin);

    buildInputRows(c.Frame4, c);
    buildChannelChoice(c.Frame1, c);
    buildRegisterPath(c.frmGroup, c);
}

}  // namespace kteval::ui::layout
