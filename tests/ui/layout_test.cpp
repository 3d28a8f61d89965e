// The main window's controls in their design state: each name exists once,
// each control shows its design text, lies inside its container clear of the
// border and of its siblings, and each option group has exactly one choice.

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QStyle>
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

// "txtInput_0..2 Line3" -> txtInput_0 txtInput_1 txtInput_2 Line3
QStringList expand(const QString& names) {
    QStringList out;
    for (const QString& word : names.split(' ', Qt::SkipEmptyParts)) {
        const qsizetype dots = word.indexOf("..");
        if (dots < 0) {
            out << word;
            continue;
        }
        const qsizetype stem = word.lastIndexOf('_', dots) + 1;
        for (int i = word.mid(stem, dots - stem).toInt(); i <= word.mid(dots + 2).toInt(); ++i)
            out << word.left(stem) + QString::number(i);
    }
    return out;
}

// The named controls, tab pages and frames under root (not Qt's own parts).
QList<QWidget*> named(const QWidget& root,
                      Qt::FindChildOptions options = Qt::FindChildrenRecursively) {
    QList<QWidget*> found;
    for (QWidget* w : root.findChildren<QWidget*>(QString(), options)) {
        // Menus are windows of their own; the tab bar's scroll buttons are Qt's.
        if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_") && !w->isWindow() &&
            !w->parentWidget()->inherits("QTabBar")) {
            found << w;
        }
    }
    return found;
}

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

// Where a control shows something: a label's text, an option button's
// indicator and caption, the whole of any other control.
QRect inked(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w)) {
        const QRect text = QStyle::alignedRect(Qt::LeftToRight, label->alignment(),
                                               QFontMetrics(label->font()).size(0, label->text()),
                                               label->contentsRect());
        return text.translated(label->pos());
    }
    if (qobject_cast<const QRadioButton*>(w) != nullptr)
        return QRect(w->pos(), w->sizeHint().boundedTo(w->size()));
    return w->geometry();
}

bool diagram(const QWidget* w) {
    return w->inherits("kteval::ui::LineWidget") || w->inherits("kteval::ui::ShapeWidget");
}

}  // namespace

class MainLayoutTest : public QObject {
    Q_OBJECT

    MainWindowFixture* shown_ = nullptr;  // shown once for the geometry checks

    QWidget& window() { return shown_->window; }

  private slots:
    void initTestCase() {
        installOffscreenFilter();
        shown_ = new MainWindowFixture;
        shown_->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shown_->window));
    }
    void cleanupTestCase() { delete shown_; }

    // Design texts, what is hidden and what is bold, over the whole window.
    void designTextsVisibilityAndBoldFaces() {
        // "names=text", %1 standing for a member's index.
        const QStringList texts =
            QString(
                "Label7=Output Data Word:|lblOutputCode txtDirectLoad_0..4=000000|"
                "mnuPulseReset Command5 Command1=Pulse RESET|cmdLDAC Command4 Command2=Pulse LDAC|"
                "Frame4=Input Code (Hex)|Frame1=DAC Selection|frmGroup=Group 0 - Vout0|"
                "Label2_0=A|Label2_1=B|cmdX1A=X >>|cmdM=M >>|cmdC=C >>|Label1_0=X|"
                "Label1_1=\u03A3|Label3_0=X2A|label4_2=X2B|Frame6=Direct 24-Bit Load|"
                "fraMonControls=Monitor Controls|fraGPIO=GPIO Configuration|"
                "Label6_3=Enable/Disable|Label6_4=Monitored Channel|"
                "cboDisable=Monitor Disabled|cboMonChannel=Mon_In0|chkGPIO_0=Pin is Input|"
                "chkGPIO_1=Pin is Output = Low|chkGPIO_2=Pin is Output = High|"
                "cmdGPIOread=Read|lblGPIOinput== LOW|cmdDirectLoad=Load Command|"
                "cmdRESET_0=RESET High|cmdRESET_1=RESET Low|cmdRESET_2=CLR High|"
                "cmdRESET_3=CLR Low|cmdRESET_4=LDAC High|cmdRESET_5=LDAC Low|"
                "chkDAC_0..39=DAC%1|lblvout_0..39=Vout0=0.0000V|Label5_0..2=VREF%1|"
                "txtVREF_0..2=3|Label6_0..2=Hex Value|cmdOFFSET_0..2=>> Offset DAC %1|"
                "txtOffsetValue_0..2 txtInput_5=1555|txtInput_0=3FFF|txtInput_1 txtInput_4=2000|"
                "txtInput_2=FFFF|txtInput_3=8000|txtInput_6=5554|"
                "lblXA lblXB lblM lblC lblX2A lblX2B DACregister txtInput_7..9=0000")
                .split('|');
        for (const QString& entry : texts) {
            const qsizetype split = entry.indexOf('=');
            const QString text = entry.mid(split + 1);
            for (const QString& name : expand(entry.left(split))) {
                QCOMPARE(shownText(window().findChild<QWidget*>(name)),
                         text.contains("%1") ? text.arg(name.section('_', -1)) : text);
            }
        }

        QStringList hidden, bold;
        for (const QWidget* w : named(window())) {
            QVERIFY2(window().findChildren<QWidget*>(w->objectName()).size() == 1,
                     qPrintable(w->objectName()));
            if (w->isHidden() && !w->parentWidget()->inherits("QStackedWidget"))
                hidden << w->objectName();
            if (w->font().bold()) bold << w->objectName();
        }
        hidden.sort();
        bold.sort();
        QCOMPARE(hidden,
                 QStringList({"Breg", "Label5_2", "Label6_2", "Line8", "cmdOFFSET_2", "fraGPIO",
                              "fraMonControls", "txtOffsetValue_2", "txtVREF_2"}));
        QCOMPARE(bold, QStringList({"Label1_0", "Label1_1", "Label2_0", "Label2_1", "Label3_0",
                                    "Label7", "cmdC", "cmdM", "cmdX1A", "label4_2"}));
    }

    void windowMenusTabsAndLists() {
        MainWindowFixture& f = *shown_;
        QCOMPARE(f.window.centralWidget()->size(), twips(0, 0, 12015, 7545).size());
        QCOMPARE(f.window.minimumSize(), f.window.maximumSize());
        QVERIFY(!(f.window.windowFlags() &
                  (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

        // The title, each menu entry as "objectName=text" (a separator as its
        // name alone), the tabs and the monitor box's entries.
        QStringList captions{f.window.windowTitle()};
        for (QAction* menu : f.window.menuBar()->actions()) {
            captions << menu->text();
            for (QAction* a : menu->menu()->actions())
                captions << a->objectName() + (a->isSeparator() ? "" : "=" + a->text());
        }
        for (int i = 0; i < f.c.SSTab1->count(); ++i) captions << f.c.SSTab1->tabText(i);
        for (int i = 0; i < f.c.cboDisable->count(); ++i) captions << f.c.cboDisable->itemText(i);
        QCOMPARE(captions.join('|'), QString("KT4421 Evaluation Software|File|mnuReload=Reload "
                                             "USB|mnudash|mnuExit=Exit|About|mnuVersion=Version|"
                                             "Main DACs|Offset DACs|Signals && Direct Load|Output "
                                             "Voltages|Monitor Disabled|Monitor Enabled"));
        QCOMPARE(f.c.SSTab1->currentIndex(), 0);
        QVERIFY(!f.c.cboMonChannel->isEnabled() && f.c.cboDisable->isEnabled());

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

        // The A/B switch: both lines start at the X button's feed and end in
        // their register's label.
        const auto* feed = f.c.frmGroup->findChild<LineWidget*>("Line1_5");
        QCOMPARE(f.c.Areg->from(), feed->to());
        QCOMPARE(f.c.Breg->from(), feed->to());
        QVERIFY(f.c.lblXA->geometry().contains(f.c.Areg->to()));
        QVERIFY(f.c.lblXB->geometry().contains(f.c.Breg->to()));
    }

    // Six option groups, the first of each on; a click changes its own group only.
    void oneOptionOnPerContainer() {
        MainWindowFixture f;
        QList<QWidget*> groups;
        for (QRadioButton* option : f.window.findChildren<QRadioButton*>())
            if (!groups.contains(option->parentWidget())) groups << option->parentWidget();
        QCOMPARE(groups.size(), 6);
        for (int clicked = -1; clicked < int(groups.size()); ++clicked) {
            if (clicked >= 0)
                groups[clicked]
                    ->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)
                    .back()
                    ->click();
            for (int g = 0; g < groups.size(); ++g) {
                const auto options =
                    groups[g]->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
                QCOMPARE(
                    checkedIn(groups[g]),
                    QStringList{(g <= clicked ? options.back() : options.front())->objectName()});
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

    // No caption, entry, button or inner frame lies outside its container,
    // across a frame's border or on a sibling; indexed groups run in reading
    // order (each member right of or below the one before).
    void controlsInsideClearAndApart() {
        const QStringList crossed = controlsAcrossFrameBorders(window());
        QVERIFY2(crossed.isEmpty(), qPrintable(crossed.join(", ")));
        QStringList misplaced;
        for (const QWidget* w : named(window())) {
            const QWidget* parent = w->parentWidget();
            // Corner areas reach past the window's edge; tab pages lie on each other.
            // The diagram's lines are drawn to meet the border.
            if (w->inherits("kteval::ui::ClickArea") || parent->inherits("QStackedWidget") ||
                diagram(w)) {
                continue;
            }
            // A tab page not yet shown has no size: its controls lie in the pages' stack.
            const QWidget* area =
                parent->objectName().startsWith("SSTab1_tab") ? parent->parentWidget() : parent;
            if (!area->rect().contains(w->geometry())) misplaced << w->objectName() + " outside";
            const QString name = w->objectName();
            const qsizetype underscore = name.lastIndexOf('_');
            if (underscore > 0 && name.mid(underscore + 1).toInt() > 0) {
                const QString before = name.left(underscore + 1) +
                                       QString::number(name.mid(underscore + 1).toInt() - 1);
                const QWidget* previous = window().findChild<QWidget*>(before);
                if (previous != nullptr && previous->parentWidget() == parent &&
                    w->x() <= previous->x() && w->y() <= previous->y()) {
                    misplaced << name + " before " + before;
                }
            }
            for (const QWidget* sibling : named(*parent, Qt::FindDirectChildrenOnly)) {
                if (sibling < w && !diagram(sibling) && inked(sibling).intersects(inked(w))) {
                    misplaced << name + " on " + sibling->objectName();
                }
            }
        }
        QVERIFY2(misplaced.isEmpty(), qPrintable(misplaced.join(", ")));
    }
};

int runMainLayoutTests(int argc, char** argv) {
    MainLayoutTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "layout_test.moc"
