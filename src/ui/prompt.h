#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace kteval::ui {

// Everything the main window shows modally goes through this interface: the
// program gives it message boxes and the credits window, tests a recorder.
class Prompt {
  public:
    enum class Icon { Exclamation, Information };

    virtual ~Prompt() = default;

    // A message box with one OK button; returns once the operator closed it.
    virtual void message(const QString& text, const QString& title, Icon icon) = 0;

    // The same box with a detailed text the operator may unfold. A prompt
    // that cannot show one shows the box alone.
    virtual void detailedMessage(const QString& text, const QString& title, Icon icon,
                                 const QString& details) {
        (void)details;
        message(text, title, icon);
    }

    // Opens the credits window modally; returns once it is closed.
    virtual void openCredits() = 0;

    // Asks the operator to do something and confirm it (OK) or not (Cancel);
    // a prompt nobody answers says no.
    virtual bool confirm(const QString& text, const QString& title) {
        (void)text, (void)title;
        return false;
    }
};

// The program's prompt: QMessageBox and the credits window, modal over parent.
class DialogPrompt : public Prompt {
  public:
    explicit DialogPrompt(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void message(const QString& text, const QString& title, Icon icon) override;
    void detailedMessage(const QString& text, const QString& title, Icon icon,
                         const QString& details) override;
    void openCredits() override;
    bool confirm(const QString& text, const QString& title) override;

  private:
    QWidget* parent_;
};

// Passes everything on to another prompt, except while held: then nothing is
// shown and each box that would have opened is counted as withheld. A remote
// command holds the window's prompt, so that a refusal reaches its client as an
// error and never as a box nobody is there to close.
class GuardedPrompt : public Prompt {
  public:
    explicit GuardedPrompt(Prompt& inner) : inner_(inner) {}

    void message(const QString& text, const QString& title, Icon icon) override;
    void detailedMessage(const QString& text, const QString& title, Icon icon,
                         const QString& details) override;
    void openCredits() override;
    bool confirm(const QString& text, const QString& title) override;

    void hold() { held_ = true, withheld_ = 0; }
    // Ends the hold; returns how many boxes were withheld during it.
    int release() {
        held_ = false;
        return withheld_;
    }
    bool held() const { return held_; }
    // True from the moment a box is passed on until the call that showed it
    // returns: its event loop may still run after the box has closed.
    bool showing() const { return showing_ > 0; }

  private:
    Prompt& inner_;
    bool held_ = false;
    int withheld_ = 0;
    int showing_ = 0;  // boxes passed on whose call has not returned
};

// The prompt of a program without windows on screen: each message is one line
// on standard error ("kteval: No Evaluation Board Found (KT4421: -1)"), the
// credits window is not opened. Nothing waits for an operator.
class ConsolePrompt : public Prompt {
  public:
    void message(const QString& text, const QString& title, Icon icon) override;
    // The details follow the line, each of their lines indented.
    void detailedMessage(const QString& text, const QString& title, Icon icon,
                         const QString& details) override;
    void openCredits() override {}
    // The request on standard error; Enter on standard input confirms, "q"
    // or its end says no.
    bool confirm(const QString& text, const QString& title) override;
};

// Chooses the fitted part at start-up. runSetup is called with the part
// dialog's button index when (and only when) the operator picks a part.
class PartChooser {
  public:
    virtual ~PartChooser() = default;
    virtual void choosePart(const std::function<void(int)>& runSetup) = 0;
};

// The program's chooser: frmPartSelect, shown modally.
class DialogPartChooser : public PartChooser {
  public:
    void choosePart(const std::function<void(int)>& runSetup) override;
};

// A chooser with the answer given beforehand (--part, tests): no dialog.
class FixedPartChooser : public PartChooser {
  public:
    explicit FixedPartChooser(int index) : index_(index) {}
    void choosePart(const std::function<void(int)>& runSetup) override {
        if (index_ >= 0) runSetup(index_);
    }

  private:
    int index_;  // < 0: the dialog was closed without a choice
};

}  // namespace kteval::ui
