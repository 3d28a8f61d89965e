#pragma once

// Driving the real main window offscreen: a prompt that records every message
// box, operator steps by control name, and a started window over the
// recording USB seam (RecordingUsb, which may pass each call on to a
// simulated board).

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "frm_main.h"
#include "prompt.h"
#include "recording_usb.h"
#include "simulated_board.h"
#include "widgets.h"

namespace kteval::ui::test {

// Whether a control is shown, counting one on a tab page not in front.
inline bool shown(const QWidget* widget) {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (w->parentWidget() != nullptr && w->parentWidget()->inherits("QStackedWidget"))
            return true;
        if (w->isHidden()) return false;
    }
    return true;
}

// A command word as lblOutputCode shows it: six upper-case hex digits.
inline QString wordText(int32_t word) {
    return QStringLiteral("%1").arg(word, 6, 16, QChar('0')).toUpper();
}

// The control named name in window; a missing control ends the test run.
template <typename T>
T* control(QWidget& window, const QString& name) {
    T* widget = window.findChild<T*>(name);
    if (widget == nullptr) qFatal("no control %s", qPrintable(name));
    return widget;
}

// Runs an operator's steps: "click NAME" (button or option), "type NAME TEXT",
// "enter NAME" (Enter in an entry), "pick NAME POSITION" (a list entry),
// "menu NAME" and "tab N" (the tab page in front).
inline void operate(QWidget& window, const QStringList& steps) {
    for (const QString& step : steps) {
        const QStringList words = step.split(' ');
        const QString& verb = words[0];
        const QString& name = words[1];
        if (verb == "click") {
            control<QAbstractButton>(window, name)->click();
        } else if (verb == "type") {
            control<EntryBox>(window, name)->setText(words.mid(2).join(' '));
        } else if (verb == "enter") {
            emit control<EntryBox>(window, name)->enterPressed();
        } else if (verb == "pick") {
            control<QComboBox>(window, name)->setCurrentIndex(words[2].toInt());
            emit control<QComboBox>(window, name)->activated(words[2].toInt());
        } else if (verb == "menu") {
            control<QAction>(window, name)->trigger();
        } else if (verb == "tab") {
            control<QTabWidget>(window, "SSTab1")->setCurrentIndex(name.toInt());
        } else {
            qFatal("unknown step %s", qPrintable(step));
        }
    }
}

struct Message {
    QString text, title;
    Prompt::Icon icon;
    QString details;
};

class RecordingPrompt : public Prompt {
  public:
    std::vector<Message> messages;
    int creditsOpened = 0;
    std::function<void()> whileOpen;  // runs while a box is "open"

    void message(const QString& text, const QString& title, Icon icon) override {
        detailedMessage(text, title, icon, QString());
    }
    void detailedMessage(const QString& text, const QString& title, Icon icon,
                         const QString& details) override {
        messages.push_back({text, title, icon, details});
        if (whileOpen) whileOpen();
    }
    void openCredits() override { ++creditsOpened; }
};

// A started main window with the part of button index partIndex (< 0: the
// dialog closed without a choice), over a recording seam and, if simulate, a
// simulated board that follows the part (with analog's pins).
class Bench {
  public:
    explicit Bench(int partIndex, bool simulate = false, AnalogModel analog = {})
        : board(std::make_unique<SimulatedBoard>(partByIndex(0), std::move(analog))),
          usb(simulate ? board.get() : nullptr),
          chooser(partIndex),
          window(usb, prompt, chooser) {
        window.setFirmwareDirectory(firmwareDir.path());
        window.setPartListener([this](const PartInfo& part) { board->setPart(part); });
        window.Form_Load();
    }

    template <typename T>
    T* find(const QString& name) {
        return control<T>(window, name);
    }
    QRadioButton* option(const QString& name) { return find<QRadioButton>(name); }
    QPushButton* button(const QString& name) { return find<QPushButton>(name); }
    QLabel* label(const QString& name) { return find<QLabel>(name); }
    EntryBox* entry(const QString& name) { return find<EntryBox>(name); }
    QComboBox* combo(const QString& name) { return find<QComboBox>(name); }
    void typeInput(int row, const QString& text) {
        entry(QStringLiteral("txtInput_%1").arg(row))->setText(text);
    }
    void run(const QStringList& steps) { operate(window, steps); }
    const KT442xModule& model() const { return window.module(); }

    QTemporaryDir firmwareDir;
    std::unique_ptr<SimulatedBoard> board;
    RecordingUsb usb;
    RecordingPrompt prompt;
    FixedPartChooser chooser;
    FrmMain window;
};

}  // namespace kteval::ui::test
