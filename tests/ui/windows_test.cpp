// The part dialog, the credits window and the custom controls.

#include <QAbstractItemView>
#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtTest>

#include "credits_window.h"
#include "part_select_dialog.h"
#include "ui_test_support.h"
#include "widgets.h"

using namespace kteval::ui;

namespace {

bool centredOnScreen(const QWidget& w) {
    const QPoint screen = w.screen()->geometry().center();
    const QPoint window = w.frameGeometry().center();
    return std::abs(screen.x() - window.x()) <= 1 && std::abs(screen.y() - window.y()) <= 1;
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { installOffscreenFilter(); }

    void partDialogButtonsAndCentring() {
        PartSelectDialog dialog;
        QCOMPARE(dialog.objectName(), QString("frmPartSelect"));
        QVERIFY(dialog.windowTitle().isEmpty());
        QCOMPARE(dialog.label()->text(), QString("Select Part"));
        QVERIFY(dialog.label()->font().bold());
        QCOMPARE(dialog.label()->font().pointSizeF(), 13.5);
        QStringList parts;
        for (int i = 0; i < 8; ++i) {
            QPushButton* button = dialog.partButton(i);
            parts << button->objectName() + "=" + button->text();
            if (i > 0) QVERIFY(button->y() > dialog.partButton(i - 1)->y());
        }
        QCOMPARE(parts.join(' '), QString("cmdPART_0=KT4410 cmdPART_1=KT4411 cmdPART_2=KT4412 "
                                          "cmdPART_3=KT4413 cmdPART_4=KT4420 cmdPART_5=KT4421 "
                                          "cmdPART_6=KT4422 cmdPART_7=KT4423"));
        QCOMPARE(dialog.findChildren<QPushButton*>().size(), 8);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.size(), twips(0, 0, 2700, 4350).size());
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(centredOnScreen(dialog));
        const QStringList clipped = clippedCaptions(dialog);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(", ")));
    }

    // A button reports its index and closes the dialog; Escape closes it
    // without a choice.
    void partDialogReportsTheChosenIndexOrNone() {
        for (const bool escape : {false, true}) {
            PartSelectDialog dialog;
            QSignalSpy chosen(&dialog, &PartSelectDialog::partChosen);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            if (escape) {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            } else {
                QTest::mouseClick(dialog.partButton(3), Qt::LeftButton);
            }
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(escape ? QDialog::Rejected : QDialog::Accepted));
            QCOMPARE(chosen.size(), escape ? 0 : 1);
            if (!escape) QCOMPARE(chosen.front().front().toInt(), 3);
        }
    }

    void creditsWindowCentredEachTimeAndGoneOnBack() {
        QPointer<CreditsWindow> window = new CreditsWindow;
        QCOMPARE(window->objectName(), QString("created"));
        QVERIFY(window->windowTitle().isEmpty());
        QCOMPARE(window->backButton()->text(), QString("Back to the Real World..."));
        QVERIFY(!window->creditLine()->text().isEmpty());
        const QImage picture = window->picture()->pixmap().toImage();
        QCOMPARE(picture.size(), QSize(320, 200));
        QVERIFY(window->picture()->contentsRect().size().expandedTo(picture.size()) ==
                window->picture()->contentsRect().size());

        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.data()));
        QCOMPARE(window->size(), twips(0, 0, 5730, 4650).size());
        QVERIFY(window->minimumSize() != window->maximumSize());  // resizable
        QVERIFY(centredOnScreen(*window));
        const QStringList clipped = clippedCaptions(*window);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(", ")));

        // Moved away and shown again: centred again.
        window->hide();
        window->move(0, 0);
        window->show();
        QVERIFY(centredOnScreen(*window));

        QTest::mouseClick(window->backButton(), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
    }

    void entryBoxReportsEnterAndLossOfFocus() {
        QWidget window;
        auto* first = new EntryBox(&window);
        auto* second = new EntryBox(&window);
        auto* column = new QVBoxLayout(&window);
        column->addWidget(first);
        column->addWidget(second);
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
        QCOMPARE(enter.size(), 2);
        QCOMPARE(returned.size(), 2);  // the key still reaches the text box
        QCOMPARE(first->text(), QString("ab"));

        // The window losing activation or a popup opening is not a loss of focus.
        QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(first, &deactivated);
        QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(first, &popup);
        QCOMPARE(lost.size(), 0);
        first->setFocus();
        second->setFocus(Qt::TabFocusReason);
        QCOMPARE(lost.size(), 1);
    }

    void keylessComboIgnoresTypingAndAnUnfocusedWheel() {
        QWidget window;
        auto* combo = new KeylessComboBox(&window);
        combo->addItems({"Monitor Disabled", "Monitor Enabled"});
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        combo->setFocus();
        QSignalSpy activated(combo, &QComboBox::activated);

        QTest::keyClicks(combo, "Monitor E");
        QCOMPARE(combo->currentIndex(), 0);

        combo->showPopup();
        QTest::keyClicks(combo->view(), "Monitor E");
        QTest::keyClick(combo->view(), Qt::Key_Return);
        QCOMPARE(combo->currentIndex(), 0);

        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(combo->currentIndex(), 1);
        QCOMPARE(activated.size(), 2);  // the popup's Return, the arrow key

        // The wheel turns it only while it has the focus, and takes no focus.
        QVERIFY((combo->focusPolicy() & Qt::WheelFocus) != Qt::WheelFocus);
        for (const bool focused : {false, true}) {
            (focused ? static_cast<QWidget*>(combo) : &window)->setFocus();
            const QPointF centre = QRectF(combo->rect()).center();
            QWheelEvent notchUp(centre, combo->mapToGlobal(centre), {}, {0, 120}, Qt::NoButton,
                                Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(combo, &notchUp);
            QCOMPARE(combo->currentIndex(), focused ? 0 : 1);
        }
        QCOMPARE(activated.size(), 3);
    }

    void clickAreaNeedsReleaseInside() {
        QWidget window;
        window.resize(200, 100);
        auto* area = new ClickArea(&window);
        area->setGeometry(10, 10, 40, 30);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy clicked(area, &ClickArea::clicked);
        QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(clicked.size(), 1);
        QTest::mousePress(area, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(100, 5));
        QCOMPARE(clicked.size(), 1);
    }
};

int runWindowTests(int argc, char** argv) {
    WindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "windows_test.moc"
