// The selected channel's register path inside frmGroup, drawn as a block
// diagram from left to right: input bus -> X/M/C write buttons -> register
// labels -> multiplier -> adder -> X2A/X2B -> multiplexer -> DAC register.

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "main_controls.h"
#include "main_layout_build.h"
#include "widgets.h"

namespace kteval::ui::layout {

namespace {

// Landmarks of the diagram, twips in frmGroup.
constexpr int kBusInY = 1620;        // where the input bus enters from Frame4
constexpr int kTrunkX = 300;         // vertical trunk feeding the three buttons
constexpr int kButtonLeft = 600;     // cmdX1A, cmdM, cmdC
constexpr int kButtonRight = 1275;   //
constexpr int kXRowY = 1807;         // centre of cmdX1A
constexpr int kMRowY = 2227;         // centre of cmdM and lblM
constexpr int kCRowY = 2527;         // centre of cmdC and lblC
constexpr int kSwitchX = 1380;       // pivot of the A/B switch
constexpr int kLabelLeft = 1680;     // register value labels
constexpr int kLabelRight = 2535;    //
constexpr int kXAY = 1627;           // centre of lblXA
constexpr int kXBY = 1927;           // centre of lblXB
constexpr int kJoinX = 2760;         // where X1A and X1B meet
constexpr int kCircleY = 1837;       // centre line of multiplier and adder
constexpr int kMulLeft = 3360;       // multiplier circle
constexpr int kMulRight = 3855;      //
constexpr int kCircleBottom = 2055;  //
constexpr int kAddLeft = 3960;       // adder circle
constexpr int kAddRight = 4455;      //
constexpr int kAddCentreX = 4207;    //
constexpr int kX2Left = 4680;        // lblX2A, lblX2B
constexpr int kX2Right = 5535;       //
constexpr int kX2AY = 1687;          // centre of lblX2A
constexpr int kX2BY = 1987;          // centre of lblX2B
constexpr int kMuxLeft = 5820;       // Frame2(0)
constexpr int kMuxRight = 6255;      //
constexpr int kMuxAY = 1777;         // centre of DACoptMux2(0)
constexpr int kMuxBY = 2017;         // centre of DACoptMux2(1)
constexpr int kDacRegLeft = 6480;    // DACregister
constexpr int kDacRegY = 1867;       //
constexpr int kLdacX = 6877;         // centre of cmdLDAC above DACregister

void buildLines(QGroupBox* g, MainControls& c) {
    struct Segment {
        QPoint from;
        QPoint to;
    };
    // The multiplier's lower left rim, where lblM's line enters.
    const QPoint mulLowerLeft{3432, 1991};
    const Segment segments[18] = {
        {{0, kBusInY}, {kTrunkX, kBusInY}},                     // 0 bus from Frame4
        {{kTrunkX, kBusInY}, {kTrunkX, kCRowY}},                // 1 trunk
        {{kTrunkX, kXRowY}, {kButtonLeft, kXRowY}},             // 2 to X >>
        {{kTrunkX, kMRowY}, {kButtonLeft, kMRowY}},             // 3 to M >>
        {{kTrunkX, kCRowY}, {kButtonLeft, kCRowY}},             // 4 to C >>
        {{kButtonRight, kXRowY}, {kSwitchX, kXRowY}},           // 5 X >> to the switch
        {{kLabelRight, kXAY}, {kJoinX, kCircleY}},              // 6 X1A joined
        {{kLabelRight, kXBY}, {kJoinX, kCircleY}},              // 7 X1B joined
        {{kJoinX, kCircleY}, {kMulLeft, kCircleY}},             // 8 into the multiplier
        {{kLabelRight, kMRowY}, mulLowerLeft},                  // 9 M into the multiplier
        {{kLabelRight, kCRowY}, {kAddCentreX, kCRowY}},         // 10 C towards the adder
        {{kAddCentreX, kCRowY}, {kAddCentreX, kCircleBottom}},  // 11 C into the adder
        {{kMulRight, kCircleY}, {kAddLeft, kCircleY}},          // 12 multiplier to adder
        {{kAddRight, kCircleY}, {kX2Left, kX2AY}},              // 13 adder to X2A
        {{kAddRight, kCircleY}, {kX2Left, kX2BY}},              // 14 adder to X2B
        {{kX2Right, kMuxAY}, {kMuxLeft, kMuxAY}},               // 15 X2A to the multiplexer
        {{kX2Right, kMuxBY}, {kMuxLeft, kMuxBY}},               // 16 X2B to the multiplexer
        {{kMuxRight, kDacRegY}, {kDacRegLeft, kDacRegY}},       // 17 multiplexer to DAC register
    };
    for (int i = 0; i < 18; ++i) {
        line(g, indexed("Line1", i), segments[i].from, segments[i].to);
    }
    // Thin links: the A/B choice (Frame3) to the switch, cmdLDAC to the DAC register.
    line(g, indexed("Line1", 18), {1530, 1155}, {1530, 1717}, {}, 1);
    line(g, indexed("Line1", 19), {kLdacX, 1215}, {kLdacX, 1740}, {}, 1);

    c.Areg = line(g, "Areg", {kSwitchX, kXRowY}, {kLabelLeft, kXAY});
    c.Breg = line(g, "Breg", {kSwitchX, kXRowY}, {kLabelLeft, kXBY});
    c.Breg->hide();
}

// A circle with a bold symbol in it.
void circleWithSymbol(QGroupBox* g, const char* shapeName, const char* labelName,
                      const QString& symbol, double pointSize, int left) {
    const Place place{left, 1620, 495, 435};
    auto* circle = new ShapeWidget(g, ShapeWidget::Kind::Circle,
                                   twips(place.left, place.top, place.width, place.height), 2);
    circle->setObjectName(shapeName);
    QLabel* sign = label(g, labelName, symbol, place, {}, true);
    sign->setAlignment(Qt::AlignCenter);
    QFont font = sign->font();
    font.setPointSizeF(pointSize);
    sign->setFont(font);
}

void buildMultiplexer(QGroupBox* g, MainControls& c) {
    auto* mux = new QFrame(g);
    mux->setObjectName("Frame2_0");
    mux->setFrameShape(QFrame::NoFrame);
    mux->setGeometry(twips(kMuxLeft, 1560, 435, 795));
    auto* box = new ShapeWidget(mux, ShapeWidget::Kind::Rectangle, mux->rect(), 2);
    box->setObjectName("Shape3_0");
    c.DACoptMux2[0] = bareOption(mux, indexed("DACoptMux2", 0), 120, 120);
    c.DACoptMux2[1] = bareOption(mux, indexed("DACoptMux2", 1), 120, 360);
    c.DACoptMux2[0]->setChecked(true);
}

void buildReferenceInputs(QGroupBox* g, MainControls& c) {
    for (int i = 0; i < 3; ++i) {
        const int left = 2640 + 960 * i;
        c.Label5[i] =
            label(g, indexed("Label5", i), QString("VREF%1").arg(i), {left, 180, 855, 195});
        c.txtVREF[i] = entry(g, indexed("txtVREF", i), "3", {left, 360, 855, 315});
    }
    c.Label5[2]->hide();
    c.txtVREF[2]->hide();
}

void buildRegisterChoice(QGroupBox* g, MainControls& c) {
    auto* frame3 = frame(g, "Frame3", QString(), {1140, 420, 675, 735});
    label(frame3, indexed("Label2", 0), "A", {180, 180, 195, 195}, {}, true);
    label(frame3, indexed("Label2", 1), "B", {420, 180, 195, 195}, {}, true);
    c.optAB[0] = bareOption(frame3, indexed("optAB", 0), 120, 420);
    c.optAB[1] = bareOption(frame3, indexed("optAB", 1), 360, 420);
    c.optAB[0]->setChecked(true);
}

}  // namespace

void buildRegisterPath(QGroupBox* g, MainControls& c) {
    buildLines(g, c);
    circleWithSymbol(g, "Shape2_0", "Label1_0", "X", 9.0, kMulLeft);
    circleWithSymbol(g, "Shape1_0", "Label1_1", QString(QChar(0x03A3)), 12.0, kAddLeft);

    buildReferenceInputs(g, c);
    buildRegisterChoice(g, c);

    c.cmdX1A = button(g, "cmdX1A", "X >>", {kButtonLeft, 1680, 675, 255}, {}, true);
    c.cmdM = button(g, "cmdM", "M >>", {kButtonLeft, 2100, 675, 255}, {}, true);
    c.cmdC = button(g, "cmdC", "C >>", {kButtonLeft, 2400, 675, 255}, {}, true);
    c.lblXA = valueLabel(g, "lblXA", "0000", {kLabelLeft, 1500, 855, 255});
    c.lblXB = valueLabel(g, "lblXB", "0000", {kLabelLeft, 1800, 855, 255});
    c.lblM = valueLabel(g, "lblM", "0000", {kLabelLeft, 2100, 855, 255});
    c.lblC = valueLabel(g, "lblC", "0000", {kLabelLeft, 2400, 855, 255});

    label(g, indexed("Label3", 0), "X2A", {kX2Left, 1380, 855, 195}, {}, true);
    c.lblX2A = valueLabel(g, "lblX2A", "0000", {kX2Left, 1560, 855, 255});
    label(g, indexed("label4", 2), "X2B", {kX2Left, 2100, 855, 195}, {}, true);
    c.lblX2B = valueLabel(g, "lblX2B", "0000", {kX2Left, 1860, 855, 255});

    buildMultiplexer(g, c);
    c.DACregister = valueLabel(g, "DACregister", "0000", {kDacRegLeft, 1740, 795, 255});
    c.cmdLDAC = button(g, "cmdLDAC", "Pulse LDAC", {6300, 900, 1155, 315});
}

}  // namespace kteval::ui::layout
