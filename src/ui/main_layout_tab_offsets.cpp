// Tab 1 "Offset DACs": the three offset DAC rows, the monitor and GPIO frames
// (shown for the parts that have them) and two pulse buttons.

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "main_controls.h"
#include "main_layout_build.h"
#include "part_rules.h"
#include "widgets.h"

namespace kteval::ui::layout {

namespace {

void buildMonitorControls(QGroupBox* frame, MainControls& c) {
    c.Label6[3] = label(frame, indexed("Label6", 3), "Enable/Disable", {300, 480, 2475, 195});
    c.cboDisable = new KeylessComboBox(frame);
    c.cboDisable->setObjectName("cboDisable");
    c.cboDisable->setGeometry(twips(300, 660, 2475, 315));
    c.cboDisable->addItems({"Monitor Disabled", "Monitor Enabled"});
    c.cboDisable->setCurrentIndex(0);

    c.Label6[4] = label(frame, indexed("Label6", 4), "Monitored Channel", {300, 1080, 2475, 195});
    c.cboMonChannel = new KeylessComboBox(frame);
    c.cboMonChannel->setObjectName("cboMonChannel");
    c.cboMonChannel->setGeometry(twips(300, 1260, 2475, 315));
    // The two monitor pins; the part's channels are appended at start-up.
    for (int position = 0; position < 2; ++position) {
        c.cboMonChannel->addItem(QString::fromStdString(monitorEntryText(position)));
    }
    c.cboMonChannel->setCurrentIndex(0);
    c.cboMonChannel->setEnabled(false);
}

void buildGpio(QGroupBox* frame, MainControls& c) {
    // The first choice shares its row with the Read button.
    c.chkGPIO[0] = option(frame, indexed("chkGPIO", 0), "Pin is Input", {240, 360, 1215, 255});
    c.chkGPIO[1] =
        option(frame, indexed("chkGPIO", 1), "Pin is Output = Low", {240, 660, 2415, 255});
    c.chkGPIO[2] =
        option(frame, indexed("chkGPIO", 2), "Pin is Output = High", {240, 960, 2415, 255});
    c.chkGPIO[0]->setChecked(true);
    c.cmdGPIOread = button(frame, "cmdGPIOread", "Read", {1500, 360, 855, 255});
    c.lblGPIOinput = label(frame, "lblGPIOinput", "= LOW", {2520, 360, 1035, 195});
}

}  // namespace

void buildOffsetsTab(QWidget* page, QPoint origin, MainControls& c) {
    const int labelTops[3] = {1620, 2880, 4140};
    const int entryTops[3] = {1800, 3060, 4320};
    const int buttonTops[3] = {1740, 2880, 4140};
    constexpr int kEntryRight = 660 + 1095;
    constexpr int kButtonLeft = 2700;
    for (int i = 0; i < 3; ++i) {
        // From the middle of each entry across to its button.
        const int y = entryTops[i] + 157;
        const QString name = i < 2 ? indexed("Line6", i) : QString("Line8");
        LineWidget* joint = line(page, name, {kEntryRight, y}, {kButtonLeft, y}, origin);
        if (i == 2) c.Line8 = joint;
    }
    for (int i = 0; i < 3; ++i) {
        c.Label6[i] =
            label(page, indexed("Label6", i), "Hex Value", {660, labelTops[i], 1095, 195}, origin);
        c.txtOffsetValue[i] = entry(page, indexed("txtOffsetValue", i), "1555",
                                    {660, entryTops[i], 1095, 315}, origin);
        c.cmdOFFSET[i] = button(page, indexed("cmdOFFSET", i), QString(">> Offset DAC %1").arg(i),
                                {kButtonLeft, buttonTops[i], 1695, 555}, origin);
    }
    c.Label6[2]->hide();
    c.txtOffsetValue[2]->hide();
    c.cmdOFFSET[2]->hide();
    c.Line8->hide();

    c.fraMonControls =
        frame(page, "fraMonControls", "Monitor Controls", {6300, 1620, 3975, 1815}, origin);
    buildMonitorControls(c.fraMonControls, c);
    c.fraMonControls->hide();
    c.fraGPIO = frame(page, "fraGPIO", "GPIO Configuration", {6300, 3540, 3975, 1515}, origin);
    buildGpio(c.fraGPIO, c);
    c.fraGPIO->hide();

    c.Command5 = button(page, "Command5", "Pulse RESET", {1440, 5460, 1335, 375}, origin);
    c.Command4 = button(page, "Command4", "Pulse LDAC", {3060, 5460, 1335, 375}, origin);
}

}  // namespace kteval::ui::layout
