// The main window's controls in their design state: kind, containment,
// caption, visibility, place, option groups, and captions that fit.

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QtTest>

#include "main_controls.h"
#include "ui_test_support.h"
#include "widgets.h"

using namespace kteval::ui;

namespace {

struct MainWindowFixture {
    QMainWindow window;
    MainControls c;
    MainWindowFixture() { buildMainWindow(window, c); }
};

QString shownText(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) return button->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(w)) return edit->text();
    if (auto* box = qobject_cast<const QGroupBox*>(w)) return box->title();
    if (auto* combo = qobject_cast<const QComboBox*>(w)) return combo->currentText();
    return {};
}

QStringList checkedIn(const QWidget* container) {
    QStringList names;
    for (auto* option : container->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)) {
        if (option->isChecked()) names << option->objectName();
    }
    return names;
}

QString nameOf(const char* name, int i) {
    return QString("%1_%2").arg(name).arg(i);
}

}  // namespace

class MainLayoutTest : public QObject {
    Q_OBJECT

    MainWindowFixture* shown_ = nullptr;  // shown once for the whole table

    void row(const QString& name, const char* kind, const char* parent, const QString& text,
             bool hidden = false, QRect place = {}, bool bold = false) {
        QTest::newRow(qPrintable(name))
            << name << QString(kind) << QString(parent) << text << hidden << place << bold;
    }

  private slots:
    void initTestCase() {
        installOffscreenFilter();
        shown_ = new MainWindowFixture;
        shown_->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shown_->window));
    }
    void cleanupTestCase() { delete shown_; }

    void controls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<QRect>("place");  // twips in the design container; null: not checked
        QTest::addColumn<bool>("bold");
        const char* client = "frmMain_client";
        const char* tab0 = "SSTab1_tab_0";
        const char* tab1 = "SSTab1_tab_1";
        const char* tab2 = "SSTab1_tab_2";
        const char* tab3 = "SSTab1_tab_3";
        const char *label = "QLabel", *button = "QPushButton", *option = "QRadioButton";
        const char* entry = "kteval::ui::EntryBox";
        const char* shape = "kteval::ui::ShapeWidget";

        row("SSTab1", "kteval::ui::TabControl", client, "", false, {240, 240, 11655, 6855});
        row("Label7", label, client, "Output Data Word:", false, {7320, 7200, 1755, 195}, true);
        row("lblOutputCode", label, client, "000000", false, {9120, 7140, 735, 255});
        row("Picture1", "kteval::ui::ClickArea", client, "", false, {0, 0, 615, 495});
        row("Picture2", "kteval::ui::ClickArea", client, "", false, {-120, 7020, 615, 495});
        row("Picture3", "kteval::ui::ClickArea", client, "", false, {11400, 0, 615, 495});

        row("mnuPulseReset", button, tab0, "Pulse RESET", false, {540, 900, 1335, 375});
        row("Frame4", "kteval::ui::FrameBox", tab0, "Input Code (Hex)", false,
            {480, 2220, 1395, 4515});
        row("Frame1", "kteval::ui::FrameBox", tab0, "DAC Selection", false,
            {2040, 840, 8895, 2295});
        row("frmGroup", "kteval::ui::FrameBox", tab0, "Group 0 - Vout0", false,
            {2100, 3540, 8835, 3135});
        const char* inputs[10] = {"3FFF", "2000", "FFFF", "8000", "2000",
                                  "1555", "5554", "0000", "0000", "0000"};
        for (int i = 0; i < 10; ++i) {
            row(nameOf("txtInput", i), entry, "Frame4", inputs[i], false,
                {120, 240 + 420 * i, 795, 315});
        }
        for (int i = 0; i < 40; ++i)
            row(nameOf("chkDAC", i), option, "Frame1", QString("DAC%1").arg(i));
        for (int i = 0; i < 3; ++i) {
            row(nameOf("Label5", i), label, "frmGroup", QString("VREF%1").arg(i), i == 2);
            row(nameOf("txtVREF", i), entry, "frmGroup", "3", i == 2,
                {2640 + 960 * i, 360, 855, 315});
        }
        row("Frame3", "kteval::ui::FrameBox", "frmGroup", "", false, {1140, 420, 675, 735});
        row("Label2_0", label, "Frame3", "A", false, {}, true);
        row("Label2_1", label, "Frame3", "B", false, {}, true);
        row("cmdX1A", button, "frmGroup", "X >>", false, {600, 1680, 675, 255}, true);
        row("cmdM", button, "frmGroup", "M >>", false, {600, 2100, 675, 255}, true);
        row("cmdC", button, "frmGroup", "C >>", false, {600, 2400, 675, 255}, true);
        row("lblXA", label, "frmGroup", "0000", false, {1680, 1500, 855, 255});
        row("lblXB", label, "frmGroup", "0000", false, {1680, 1800, 855, 255});
        row("lblM", label, "frmGroup", "0000", false, {1680, 2100, 855, 255});
        row("lblC", label, "frmGroup", "0000", false, {1680, 2400, 855, 255});
        row("Shape2_0", shape, "frmGroup", "", false, {3360, 1620, 495, 435});
        row("Label1_0", label, "frmGroup", "X", false, {}, true);
        row("Shape1_0", shape, "frmGroup", "", false, {3960, 1620, 495, 435});
        row("Label1_1", label, "frmGroup", QString(QChar(0x03A3)), false, {}, true);
        row("Label3_0", label, "frmGroup", "X2A", false, {}, true);
        row("lblX2A", label, "frmGroup", "0000", false, {4680, 1560, 855, 255});
        row("label4_2", label, "frmGroup", "X2B", false, {}, true);
        row("lblX2B", label, "frmGroup", "0000", false, {4680, 1860, 855, 255});
        row("Frame2_0", "QFrame", "frmGroup", "", false, {5820, 1560, 435, 795});
        row("DACregister", label, "frmGroup", "0000", false, {6480, 1740, 795, 255});
        row("cmdLDAC", button, "frmGroup", "Pulse LDAC", false, {6300, 900, 1155, 315});

        const int entryTops[3] = {1800, 3060, 4320};
        const int buttonTops[3] = {1740, 2880, 4140};
        for (int i = 0; i < 3; ++i) {
            row(nameOf("Label6", i), label, tab1, "Hex Value", i == 2);
            row(nameOf("txtOffsetValue", i), entry, tab1, "1555", i == 2,
                {660, entryTops[i], 1095, 315});
            row(nameOf("cmdOFFSET", i), button, tab1, QString(">> Offset DAC %1").arg(i), i == 2,
                {2700, buttonTops[i], 1695, 555});
        }
        row("fraMonControls", "kteval::ui::FrameBox", tab1, "Monitor Controls", true,
            {6300, 1620, 3975, 1815});
        row("fraGPIO", "kteval::ui::FrameBox", tab1, "GPIO Configuration", true,
            {6300, 3540, 3975, 1515});
        row("Label6_3", label, "fraMonControls", "Enable/Disable");
        row("Label6_4", label, "fraMonControls", "Monitored Channel");
        const char* keyless = "kteval::ui::KeylessComboBox";
        row("cboDisable", keyless, "fraMonControls", "Monitor Disabled", false,
            {300, 660, 2475, 315});
        row("cboMonChannel", keyless, "fraMonControls", "Mon_In0", false, {300, 1260, 2475, 315});
        row("chkGPIO_0", option, "fraGPIO", "Pin is Input");
        row("chkGPIO_1", option, "fraGPIO", "Pin is Output = Low");
        row("chkGPIO_2", option, "fraGPIO", "Pin is Output = High");
        row("cmdGPIOread", button, "fraGPIO", "Read", false, {1500, 360, 855, 255});
        row("lblGPIOinput", label, "fraGPIO", "= LOW", false, {2520, 360, 1035, 195});
        row("Command5", button, tab1, "Pulse RESET", false, {1440, 5460, 1335, 375});
        row("Command4", button, tab1, "Pulse LDAC", false, {3060, 5460, 1335, 375});

        const char* levels[6] = {"RESET High", "RESET Low", "CLR High",
                                 "CLR Low",    "LDAC High", "LDAC Low"};
        const int lefts[3] = {2760, 4320, 5880};
        for (int i = 0; i < 6; ++i) {
            row(nameOf("cmdRESET", i), button, tab2, levels[i], false,
                {lefts[i / 2], i % 2 == 0 ? 3720 : 4200, 1335, 375});
        }
        row("Command1", button, tab2, "Pulse RESET", false, {7560, 3720, 1335, 375});
        row("Command2", button, tab2, "Pulse LDAC", false, {7560, 4200, 1335, 375});
        row("Frame6", "kteval::ui::FrameBox", tab2, "Direct 24-Bit Load", false,
            {1740, 900, 8295, 2235});
        for (int i = 0; i < 5; ++i) {
            row(nameOf("txtDirectLoad", i), entry, "Frame6", "000000", false,
                {120, 360 + 360 * i, 1155, 285});
        }
        row("cmdDirectLoad", button, "Frame6", "Load Command", false, {2880, 840, 2355, 735});

        for (int i = 0; i < 40; ++i) {
            row(nameOf("lblvout", i), label, tab3, "Vout0=0.0000V", false,
                {105 + 1400 * (i % 8), 780 + 480 * (i / 8), 1400, 195});
        }
    }
    void controls() {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, parent);
        QFETCH(QString, text);
        QFETCH(bool, hidden);
        QFETCH(QRect, place);
        QFETCH(bool, bold);
        const QList<QWidget*> found = shown_->window.findChildren<QWidget*>(name);
        QCOMPARE(found.size(), 1);
        QWidget* w = found.front();
        QCOMPARE(QString(w->metaObject()->className()), kind);
        QCOMPARE(w->parentWidget()->objectName(), parent);
        QCOMPARE(shownText(w), text);
        QCOMPARE(w->isHidden(), hidden);
        QCOMPARE(w->font().bold(), bold);
        if (!place.isNull()) {
            // Tab page controls are designed in the tab control's coordinates.
            QPoint offset;
            if (parent.startsWith("SSTab1_tab"))
                offset = w->parentWidget()->mapTo(shown_->c.SSTab1, QPoint());
            QCOMPARE(w->geometry().translated(offset),
                     twips(place.left(), place.top(), place.width(), place.height()));
        }
    }

    void windowAndMenus() {
        MainWindowFixture f;
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        QCOMPARE(f.window.windowTitle(), QString("KT4421 Evaluation Software"));
        QCOMPARE(f.window.centralWidget()->size(), twips(0, 0, 12015, 7545).size());
        QCOMPARE(f.window.minimumSize(), f.window.maximumSize());
        QVERIFY(!(f.window.windowFlags() &
                  (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

        // Each menu entry as "objectName=text", a separator as its name alone.
        QStringList menus;
        for (QAction* menu : f.window.menuBar()->actions()) {
            menus << menu->text();
            for (QAction* a : menu->menu()->actions())
                menus << a->objectName() + (a->isSeparator() ? "" : "=" + a->text());
        }
        QCOMPARE(menus, QStringList({"File", "mnuReload=Reload USB", "mnudash", "mnuExit=Exit",
                                     "About", "mnuVersion=Version"}));

        QStringList tabs;
        for (int i = 0; i < f.c.SSTab1->count(); ++i) tabs << f.c.SSTab1->tabText(i);
        QCOMPARE(tabs, QStringList({"Main DACs", "Offset DACs", "Signals && Direct Load",
                                    "Output Voltages"}));
        QCOMPARE(f.c.SSTab1->currentIndex(), 0);
        QVERIFY(f.c.SSTab1->widget(0)->isAncestorOf(f.c.mnuPulseReset));
        QVERIFY(f.c.mnuPulseReset->isVisible());

        QCOMPARE(f.c.cboDisable->count(), 2);
        QCOMPARE(f.c.cboDisable->itemText(1), QString("Monitor Enabled"));
        QCOMPARE(f.c.cboMonChannel->itemText(1), QString("Mon_In1"));
        QVERIFY(!f.c.cboMonChannel->isEnabled());
        QVERIFY(f.c.cboDisable->isEnabled());
        const QFont sigma = f.c.SSTab1->findChild<QLabel*>("Label1_1")->font();
        QCOMPARE(sigma.pointSizeF(), 12.0);
        QVERIFY(QFontMetrics(sigma).inFontUcs4(0x03A3));

        // The corner areas lie beneath the tab control where they overlap it,
        // and are on top where they do not.
        QWidget* client = f.window.centralWidget();
        for (const QPoint& covered : {QPoint(300, 300), QPoint(11600, 300)}) {
            QWidget* top = client->childAt(twipsPoint(covered.x(), covered.y()));
            QVERIFY(top == f.c.SSTab1 || f.c.SSTab1->isAncestorOf(top));
        }
        QCOMPARE(client->childAt(twipsPoint(100, 100)), static_cast<QWidget*>(f.c.Picture1));
        QCOMPARE(client->childAt(twipsPoint(11950, 100)), static_cast<QWidget*>(f.c.Picture3));
        QCOMPARE(client->childAt(twipsPoint(100, 7400)), static_cast<QWidget*>(f.c.Picture2));
    }

    void switchLines() {
        MainWindowFixture f;
        QStringList lines{"Line3", "Line4", "Line5", "Line6_0", "Line6_1", "Line8", "Areg", "Breg"};
        for (int i = 0; i < 20; ++i) lines << nameOf("Line1", i);
        for (int i = 0; i < 15; ++i) lines << nameOf("Line2", i);
        for (const QString& name : lines)
            QVERIFY2(f.window.findChild<LineWidget*>(name) != nullptr, qPrintable(name));
        QCOMPARE(f.window.findChildren<LineWidget*>().size(), lines.size());
        QVERIFY(f.c.Breg->isHidden() && !f.c.Areg->isHidden() && f.c.Line8->isHidden());
        // The option buttons without caption, each in its container.
        const auto options = [&](const char* container, const char* name, int count) {
            QStringList names;
            for (int i = 0; i < count; ++i) names << nameOf(name, i);
            QStringList found;
            for (auto* option :
                 f.window.findChild<QWidget*>(container)->findChildren<QRadioButton*>(
                     Qt::FindDirectChildrenOnly))
                found << option->objectName();
            QCOMPARE(found, names);
        };
        options("Frame4", "InputSel", 10);
        options("Frame6", "optTxtSelect", 5);
        options("Frame3", "optAB", 2);
        options("Frame2_0", "DACoptMux2", 2);
        const auto* feed = f.c.frmGroup->findChild<LineWidget*>("Line1_5");
        QCOMPARE(f.c.Areg->from(), feed->to());
        QCOMPARE(f.c.Breg->from(), feed->to());
        QCOMPARE(f.c.Areg->to().x(), f.c.lblXA->x());
        QVERIFY(f.c.lblXA->geometry().contains(f.c.Areg->to()));
        QVERIFY(f.c.lblXB->geometry().contains(f.c.Breg->to()));
    }

    void oneOptionOnPerContainer() {
        MainWindowFixture f;
        // Container, the option on at start, another option of the container.
        const char* const groups[][3] = {
            {"Frame4", "InputSel_0", "InputSel_7"}, {"Frame1", "chkDAC_0", "chkDAC_39"},
            {"Frame3", "optAB_0", "optAB_1"},       {"Frame2_0", "DACoptMux2_0", "DACoptMux2_1"},
            {"fraGPIO", "chkGPIO_0", "chkGPIO_2"},  {"Frame6", "optTxtSelect_0", "optTxtSelect_4"},
        };
        const auto container = [&](const char* name) { return f.window.findChild<QWidget*>(name); };
        for (const auto& group : groups)
            QCOMPARE(checkedIn(container(group[0])), QStringList{group[1]});
        // Clicking another option changes its own container only.
        for (const auto& group : groups) {
            container(group[0])->findChild<QRadioButton*>(group[2])->click();
            for (const auto& g : groups) {
                QCOMPARE(checkedIn(container(g[0])), QStringList{&g <= &group ? g[2] : g[1]});
            }
        }
    }

    void captionsFit() {
        MainWindowFixture f;
        // The widest texts the handlers write later.
        f.c.lblvout[39]->setText("Vout39=-10.0000V");
        f.c.frmGroup->setTitle("Group 4 - Vout39");
        f.c.lblGPIOinput->setText("=HIGH");
        f.c.SSTab1->setTabText(1, "Offset DACs && Monitor Functions");
        QVERIFY(f.c.SSTab1->tabBar()->sizeHint().width() <= f.c.SSTab1->width());
        const QStringList clipped = clippedCaptions(f.window);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(", ")));
    }

    // No caption, entry, button or inner frame lies across a frame's border.
    void controlsClearOfFrameBorders() {
        const QStringList crossed = controlsAcrossFrameBorders(shown_->window);
        QVERIFY2(crossed.isEmpty(), qPrintable(crossed.join(", ")));
    }
};

int runMainLayoutTests(int argc, char** argv) {
    MainLayoutTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "layout_test.moc"
