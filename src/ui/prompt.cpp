#include "prompt.h"

#include <QMessageBox>
#include <cstdio>
#include <iostream>
#include <string>

#include "credits_window.h"
#include "part_select_dialog.h"

namespace kteval::ui {

void DialogPrompt::message(const QString& text, const QString& title, Icon icon) {
    detailedMessage(text, title, icon, QString());
}

void DialogPrompt::detailedMessage(const QString& text, const QString& title, Icon icon,
                                   const QString& details) {
    // Texts separate their lines with a carriage return, which a Qt label does
    // not break on.
    QString lines = text;
    lines.replace(QChar('\r'), QChar('\n'));
    QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::Information,
                    title, lines, QMessageBox::Ok, parent_);
    if (!details.isEmpty()) box.setDetailedText(details);
    box.exec();
}

void DialogPrompt::openCredits() {
    // Made anew at every opening and destroyed when closed.
    auto* window = new CreditsWindow(parent_);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->exec();
}

bool DialogPrompt::confirm(const QString& text, const QString& title) {
    return QMessageBox::question(parent_, title, text, QMessageBox::Ok | QMessageBox::Cancel) ==
           QMessageBox::Ok;
}

void GuardedPrompt::message(const QString& text, const QString& title, Icon icon) {
    if (held_) {
        ++withheld_;
        return;
    }
    ++showing_;
    inner_.message(text, title, icon);
    --showing_;
}

void GuardedPrompt::detailedMessage(const QString& text, const QString& title, Icon icon,
                                    const QString& details) {
    if (held_) {
        ++withheld_;
        return;
    }
    ++showing_;
    inner_.detailedMessage(text, title, icon, details);
    --showing_;
}

void GuardedPrompt::openCredits() {
    if (held_) {
        ++withheld_;
        return;
    }
    ++showing_;
    inner_.openCredits();
    --showing_;
}

bool GuardedPrompt::confirm(const QString& text, const QString& title) {
    if (held_) {
        ++withheld_;
        return false;
    }
    ++showing_;
    const bool confirmed = inner_.confirm(text, title);
    --showing_;
    return confirmed;
}

void ConsolePrompt::message(const QString& text, const QString& title, Icon /*icon*/) {
    QString line = text;
    line.replace(QChar('\r'), QChar(' '));
    std::fprintf(stderr, "kteval: %s (%s)\n", qPrintable(line), qPrintable(title));
}

void ConsolePrompt::detailedMessage(const QString& text, const QString& title, Icon icon,
                                    const QString& details) {
    message(text, title, icon);
    for (const QString& line : details.split(QChar('\n'), Qt::SkipEmptyParts)) {
        std::fprintf(stderr, "  %s\n", qPrintable(line));
    }
}

bool ConsolePrompt::confirm(const QString& text, const QString& title) {
    std::fprintf(stderr, "kteval: %s (%s): Enter when done, q to stop\n", qPrintable(text),
                 qPrintable(title));
    std::string line;
    return static_cast<bool>(std::getline(std::cin, line)) && line != "q";
}

void DialogPartChooser::choosePart(const std::function<void(int)>& runSetup) {
    PartSelectDialog dialog;
    QObject::connect(&dialog, &PartSelectDialog::partChosen, &dialog,
                     [&runSetup](int index) { runSetup(index); });
    dialog.exec();
}

}  // namespace kteval::ui
