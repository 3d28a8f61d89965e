// The main window's controls in their design state, the part dialog, the
// credits window and the custom controls.
#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QtTest>

#include "credits_window.h"
#include "main_controls.h"
#include "part_select_dialog.h"
#include "widgets.h"

using namespace kteval::ui;

namespace {

// Whether w's text fits it at its font; catches a caption cut off.
bool fits(const QWidget& w) {
    const QFontMetrics m(w.font());
    const auto fit = [&](const QString& text, int margins, const QRect& r) {
        return m.horizontalAdvance(text) + margins <= r.width() && m.height() <= r.height();
    };
    if (auto* label = qobject_cast<const QLabel*>(&w))
        return label->text().isEmpty() || fit(label->text(), 0, label->contentsRect());
    if (auto* option = qobject_cast<const QRadioButton*>(&w))
        return option->sizeHint().width() <= w.width() && m.height() <= w.height();
    if (auto* button = qobject_cast<const QPushButton*>(&w)) {
        const QStyle* s = w.style();
        return fit(button->text(),
                   s->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &w) +
                       2 * s->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &w),
                   w.rect());
    }
    if (auto* frame = qobject_cast<const FrameBox*>(&w))
        return w.rect().adjusted(0, 0, -4, 0).contains(frame->captionRect()) ||
               frame->captionRect().isEmpty();
    if (auto* list = qobject_cast<const QComboBox*>(&w))
        return list->sizeHint().width() <= w.width();
    return true;
}

// Named controls under root (not Qt's own parts) whose text is cut off.
QStringList clipped(const QWidget& root) {
    QStringList names;
    for (const QWidget* w : root.findChildren<QWidget*>())
        if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_") && !fits(*w))
            names << w->objectName();
    return names;
}

bool diagram(const QWidget* w) {
    return w->inherits("kteval::ui::LineWidget") || w->inherits("kteval::ui::ShapeWidget");
}

// "frame/control" for each control covering its frame's own painting (border
// or caption), read from the frame rendered without its controls.
QStringList acrossFrameBorders(const QWidget& root) {
    QStringList crossed;
    for (QGroupBox* frame : root.findChildren<QGroupBox*>()) {
        QImage image(frame->size(), QImage::Format_RGB32);
        image.fill(qRgb(1, 2, 3));
        frame->render(&image, {}, {}, QWidget::RenderFlags());
        const QRgb inside = image.pixel(image.width() / 2, image.height() / 2);
        for (const QWidget* c : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const QRect r = c->geometry() & image.rect();
            bool inked = false;
            for (int y = r.top(); y <= r.bottom() && !diagram(c); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    inked |= image.pixel(x, y) != qRgb(1, 2, 3) && image.pixel(x, y) != inside;
            if (inked) crossed << frame->objectName() + "/" + c->objectName();
        }
    }
    return crossed;
}

// The named controls under root, not Qt's own parts nor menus.
QList<QWidget*> named(const QWidget& root,
                      Qt::FindChildOptions options = Qt::FindChildrenRecursively) {
    QList<QWidget*> found;
    for (QWidget* w : root.findChildren<QWidget*>(QString(), options))
        if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_") && !w->isWindow() &&
            !w->parentWidget()->inherits("QTabBar"))
            found << w;
    return found;
}

QString shownText(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) return button->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(w)) return edit->text();
    if (auto* box = qobject_cast<const QGroupBox*>(w)) return box->title();
    if (auto* combo = qobject_cast<const QComboBox*>(w)) return combo->currentText();
    return "?";
}

// Where a control shows something: a label's text, an option's indicator and
// caption, the whole of any other control.
QRect inked(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w))
        return QStyle::alignedRect(Qt::LeftToRight, label->alignment(),
                                   QFontMetrics(label->font()).size(0, label->text()),
                                   label->contentsRect())
            .translated(label->pos());
    if (qobject_cast<const QRadioButton*>(w) != nullptr)
        return QRect(w->pos(), w->sizeHint().boundedTo(w->size()));
    return w->geometry();
}

bool centredOnScreen(const QWidget& w) {
    const QPoint d = w.screen()->geometry().center() - w.frameGeometry().center();
    return std::abs(d.x()) <= 1 && std::abs(d.y()) <= 1;
}

struct MainWindow {
    QMainWindow window;
    MainControls c;
    MainWindow() { buildMainWindow(window, c); }
};

}  // namespace

class WindowsTest : public QObject {
    Q_OBJECT
    MainWindow shown_;

  private slots:
    void initTestCase() {
        shown_.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shown_.window));
    }

    // Catches a wrong design text, name, visibility or face: "names=text", %1
    // standing for the member's index, N..M for members N to M.
    void mainWindowDesignState() {
        QMainWindow& w = shown_.window;
        const QString texts =
            "Label7=Output Data Word:|lblOutputCode txtDirectLoad_0..4=000000|"
            "mnuPulseReset Command5 Command1=Pulse RESET|cmdLDAC Command4 Command2=Pulse LDAC|"
            "Frame4=Input Code (Hex)|Frame1=DAC Selection|frmGroup=Group 0 - Vout0|Label2_0=A|"
            "Label2_1=B|cmdX1A=X >>|cmdM=M >>|cmdC=C >>|Label1_0=X|Label1_1=\u03A3|Label3_0=X2A|"
            "label4_2=X2B|Frame6=Direct 24-Bit Load|fraMonControls=Monitor Controls|"
            "fraGPIO=GPIO Configuration|Label6_3=Enable/Disable|Label6_4=Monitored Channel|"
            "cboDisable=Monitor Disabled|cboMonChannel=Mon_In0|chkGPIO_0=Pin is Input|"
            "chkGPIO_1=Pin is Output = Low|chkGPIO_2=Pin is Output = High|cmdGPIOread=Read|"
            "lblGPIOinput== LOW|cmdDirectLoad=Load Command|cmdRESET_0=RESET High|"
            "cmdRESET_1=RESET Low|cmdRESET_2=CLR High|cmdRESET_3=CLR Low|cmdRESET_4=LDAC High|"
            "cmdRESET_5=LDAC Low|chkDAC_0..39=DAC%1|lblvout_0..39=Vout0=0.0000V|"
            "Label5_0..2=VREF%1|txtVREF_0..2=3|Label6_0..2=Hex Value|"
            "cmdOFFSET_0..2=>> Offset DAC %1|txtOffsetValue_0..2 txtInput_5=1555|txtInput_0=3FFF|"
            "txtInput_1 txtInput_4=2000|txtInput_2=FFFF|txtInput_3=8000|txtInput_6=5554|"
            "lblXA lblXB lblM lblC lblX2A lblX2B DACregister txtInput_7..9=0000";
        for (const QString& entry : texts.split('|')) {
            const QString text = entry.section('=', 1, -1);
            for (const QString& word : entry.section('=', 0, 0).split(' ')) {
                const QString stem = word.section('_', 0, -2) + '_';
                const QString range = word.section('_', -1);
                const int first = range.section("..", 0, 0).toInt();
                const int last = range.contains("..") ? range.section("..", 1).toInt() : first;
                for (int i = first; i <= last; ++i) {
                    const QString name = word.contains('_') ? stem + QString::number(i) : word;
                    QCOMPARE(shownText(w.findChild<QWidget*>(name)),
                             text.contains("%1") ? text.arg(i) : text);
                }
            }
        }
        QStringList captions{w.windowTitle()}, hidden, bold;
        for (QAction* menu : w.menuBar()->actions()) {
            captions << menu->text();
            for (QAction* a : menu->menu()->actions())
                captions << a->objectName() + (a->isSeparator() ? "" : "=" + a->text());
        }
        for (int i = 0; i < shown_.c.SSTab1->count(); ++i) captions << shown_.c.SSTab1->tabText(i);
        captions << shown_.c.cboDisable->itemText(1);
        QCOMPARE(captions.join('|'),
                 "KT4421 Evaluation Software|File|mnuReload=Reload USB|mnudash|"
                 "mnuExit=Exit|About|mnuVersion=Version|Main DACs|Offset DACs|"
                 "Signals && Direct Load|Output Voltages|Monitor Enabled");
        for (const QWidget* c : named(w)) {
            QCOMPARE(w.findChildren<QWidget*>(c->objectName()).size(), 1);
            if (c->isHidden() && !c->parentWidget()->inherits("QStackedWidget"))
                hidden << c->objectName();
            if (c->font().bold()) bold << c->objectName();
        }
        hidden.sort();
        bold.sort();
        QCOMPARE(hidden.join(' '),
                 "Breg Label5_2 Label6_2 Line8 cmdOFFSET_2 fraGPIO "
                 "fraMonControls txtOffsetValue_2 txtVREF_2");
        QCOMPARE(bold.join(' '),
                 "Label1_0 Label1_1 Label2_0 Label2_1 Label3_0 Label7 cmdC cmdM "
                 "cmdX1A label4_2");
        QCOMPARE(shown_.c.SSTab1->currentIndex(), 0);
        QVERIFY(!shown_.c.cboMonChannel->isEnabled() && shown_.c.cboDisable->isEnabled());
    }

    // Catches a resizable window, corner areas over the tabs, a misdrawn A/B switch.
    void mainWindowFrameCornersAndSwitch() {
        MainWindow& f = shown_;
        QCOMPARE(f.window.centralWidget()->size(), twips(0, 0, 12015, 7545).size());
        QCOMPARE(f.window.minimumSize(), f.window.maximumSize());
        QVERIFY(!(f.window.windowFlags() &
                  (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QWidget* client = f.window.centralWidget();
        for (const QPoint& p : {QPoint(300, 300), QPoint(11600, 300)})
            QVERIFY(f.c.SSTab1->isAncestorOf(client->childAt(twipsPoint(p.x(), p.y()))) ||
                    client->childAt(twipsPoint(p.x(), p.y())) == f.c.SSTab1);
        QVERIFY(client->childAt(twipsPoint(100, 100)) == f.c.Picture1);
        QVERIFY(client->childAt(twipsPoint(11950, 100)) == f.c.Picture3);
        QVERIFY(client->childAt(twipsPoint(100, 7400)) == f.c.Picture2);
        const auto* feed = f.c.frmGroup->findChild<LineWidget*>("Line1_5");
        QVERIFY(f.c.Areg->from() == feed->to() && f.c.Breg->from() == feed->to());
        QVERIFY(f.c.lblXA->geometry().contains(f.c.Areg->to()));
        QVERIFY(f.c.lblXB->geometry().contains(f.c.Breg->to()));
    }

    // Catches an option group without exactly one choice, or a click reaching
    // another group: six groups, the first of each on.
    void oneOptionOnPerContainer() {
        MainWindow f;
        QList<QWidget*> groups;
        for (QRadioButton* option : f.window.findChildren<QRadioButton*>())
            if (!groups.contains(option->parentWidget())) groups << option->parentWidget();
        QCOMPARE(groups.size(), 6);
        for (int clicked = -1; clicked < int(groups.size()); ++clicked) {
            const auto options = [&](int g) {
                return groups[g]->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
            };
            if (clicked >= 0) options(clicked).back()->click();
            for (int g = 0; g < groups.size(); ++g)
                for (QRadioButton* o : options(g))
                    QCOMPARE(o->isChecked(),
                             o == (g <= clicked ? options(g).back() : options(g).front()));
        }
    }

    // Catches a cut-off caption (with the widest texts the handlers write), a
    // control outside its container, across a frame's border or on a sibling,
    // and indexed controls out of reading order.
    void controlsFitInsideAndApart() {
        MainWindow f;
        f.c.lblvout[39]->setText("Vout39=-10.0000V");
        f.c.frmGroup->setTitle("Group 4 - Vout39");
        f.c.lblGPIOinput->setText("=HIGH");
        f.c.SSTab1->setTabText(1, "Offset DACs && Monitor Functions");
        QVERIFY(f.c.SSTab1->tabBar()->sizeHint().width() <= f.c.SSTab1->width());
        QStringList bad = clipped(f.window) + acrossFrameBorders(shown_.window);
        for (const QWidget* w : named(shown_.window)) {
            const QWidget* parent = w->parentWidget();
            // Corner areas reach past the window's edge; tab pages lie on each other.
            if (w->inherits("kteval::ui::ClickArea") || parent->inherits("QStackedWidget") ||
                diagram(w))
                continue;
            // A tab page not yet shown has no size: its controls lie in the pages' stack.
            const QWidget* area =
                parent->objectName().startsWith("SSTab1_tab") ? parent->parentWidget() : parent;
            if (!area->rect().contains(w->geometry())) bad << w->objectName() + " outside";
            const QString name = w->objectName();
            const int i = name.section('_', -1).toInt();
            const auto* previous = shown_.window.findChild<QWidget*>(name.section('_', 0, -2) +
                                                                     '_' + QString::number(i - 1));
            if (i > 0 && previous != nullptr && previous->parentWidget() == parent &&
                w->x() <= previous->x() && w->y() <= previous->y())
                bad << name + " before its predecessor";
            for (const QWidget* sibling : named(*parent, Qt::FindDirectChildrenOnly))
                if (sibling < w && !diagram(sibling) && inked(sibling).intersects(inked(w)))
                    bad << name + " on " + sibling->objectName();
        }
        QVERIFY2(bad.isEmpty(), qPrintable(bad.join(", ")));
    }

    // Catches wrong part buttons, a wrong index reported, Escape choosing.
    void partDialog() {
        for (const bool escape : {false, true}) {
            PartSelectDialog dialog;
            QSignalSpy chosen(&dialog, &PartSelectDialog::partChosen);
            QStringList parts{dialog.objectName(), dialog.windowTitle(), dialog.label()->text()};
            for (int i = 0; i < 8; ++i) {
                parts << dialog.partButton(i)->objectName() + "=" + dialog.partButton(i)->text();
                if (i > 0) QVERIFY(dialog.partButton(i)->y() > dialog.partButton(i - 1)->y());
            }
            QCOMPARE(parts.join(' '),
                     "frmPartSelect  Select Part cmdPART_0=KT4410 cmdPART_1=KT4411 "
                     "cmdPART_2=KT4412 cmdPART_3=KT4413 cmdPART_4=KT4420 "
                     "cmdPART_5=KT4421 cmdPART_6=KT4422 cmdPART_7=KT4423");
            QVERIFY(dialog.label()->font().bold() && dialog.label()->font().pointSizeF() == 13.5);
            QCOMPARE(dialog.findChildren<QPushButton*>().size(), 8);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            QVERIFY(dialog.size() == twips(0, 0, 2700, 4350).size() &&
                    dialog.minimumSize() == dialog.maximumSize());
            QVERIFY(centredOnScreen(dialog) && clipped(dialog).isEmpty());
            if (escape)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                QTest::mouseClick(dialog.partButton(3), Qt::LeftButton);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(escape ? QDialog::Rejected : QDialog::Accepted));
            QCOMPARE(chosen.size(), escape ? 0 : 1);
            if (!escape) QCOMPARE(chosen.front().front().toInt(), 3);
        }
    }

    // Catches an uncentred or fixed-size credits window, or one that outlives "Back".
    void creditsWindow() {
        QPointer<CreditsWindow> window = new CreditsWindow;
        QCOMPARE(window->objectName() + window->windowTitle(), "created");
        QCOMPARE(window->backButton()->text(), "Back to the Real World...");
        QVERIFY(!window->creditLine()->text().isEmpty());
        QCOMPARE(window->picture()->pixmap().size(), QSize(320, 200));
        QVERIFY(window->picture()->contentsRect().contains(
            QRect(0, 0, 320, 200).translated(window->picture()->contentsRect().topLeft())));
        for (int shown = 0; shown < 2; ++shown) {  // moved away and shown again: centred again
            window->hide();
            window->move(0, 0);
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.data()) && centredOnScreen(*window));
        }
        QCOMPARE(window->size(), twips(0, 0, 5730, 4650).size());
        QVERIFY(window->minimumSize() != window->maximumSize() && clipped(*window).isEmpty());
        QTest::mouseClick(window->backButton(), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
    }

    // Catches Enter swallowed or missed, and deactivation or a popup taken for focus loss.
    void entryBoxEnterAndFocusLoss() {
        QWidget window;
        auto* first = new EntryBox(&window);
        auto* second = new EntryBox(&window);
        (new QVBoxLayout(&window))->addWidget(first);
        window.layout()->addWidget(second);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        first->setFocus();
        QSignalSpy enter(first, &EntryBox::enterPressed);
        QSignalSpy returned(first, &QLineEdit::returnPressed);
        QSignalSpy lost(first, &EntryBox::focusLost);
        QTest::keyClicks(first, "ab");
        QCOMPARE(enter.size(), 0);
        QTest::keyClick(first, Qt::Key_Return);
        QTest::keyClick(first, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(enter.size() == 2 && returned.size() == 2);  // the key still reaches the box
        QCOMPARE(first->text(), "ab");
        for (const Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
            QFocusEvent out(QEvent::FocusOut, reason);
            QApplication::sendEvent(first, &out);
        }
        QCOMPARE(lost.size(), 0);
        first->setFocus();
        second->setFocus(Qt::TabFocusReason);
        QCOMPARE(lost.size(), 1);
    }

    // Catches typing or an unfocused wheel changing the monitor box.
    void keylessComboIgnoresTypingAndAnUnfocusedWheel() {
        QWidget window;
        auto* combo = new KeylessComboBox(&window);
        combo->addItems({"Monitor Disabled", "Monitor Enabled"});
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        combo->setFocus();
        QSignalSpy activated(combo, &QComboBox::activated);
        QTest::keyClicks(combo, "Monitor E");
        combo->showPopup();
        QTest::keyClicks(combo->view(), "Monitor E");
        QTest::keyClick(combo->view(), Qt::Key_Return);
        QCOMPARE(combo->currentIndex(), 0);
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(combo->currentIndex(), 1);
        QVERIFY((combo->focusPolicy() & Qt::WheelFocus) != Qt::WheelFocus);
        for (const bool focused : {false, true}) {
            (focused ? static_cast<QWidget*>(combo) : &window)->setFocus();
            const QPointF centre = QRectF(combo->rect()).center();
            QWheelEvent notchUp(centre, combo->mapToGlobal(centre), {}, {0, 120}, Qt::NoButton,
                                Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(combo, &notchUp);
            QCOMPARE(combo->currentIndex(), focused ? 0 : 1);
        }
        QCOMPARE(activated.size(), 3);  // the popup's Return, the arrow key, the wheel
    }

    // Catches a corner-area click counted when released outside it.
    void clickAreaNeedsReleaseInside() {
        QWidget window;
        window.resize(200, 100);
        auto* area = new ClickArea(&window);
        area->setGeometry(10, 10, 40, 30);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy clicked(area, &ClickArea::clicked);
        QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mousePress(area, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(100, 5));
        QCOMPARE(clicked.size(), 1);
    }
};

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
