#pragma once

// The main window driven by remote commands (interpreter over the window's
// operations) beside a twin window driven by the operator's clicks, and a
// picture of everything the window shows, to compare the two.

#include <QStringList>
#include <QtTest>
#include <optional>
#include <string>

#include "harness.h"
#include "interpreter.h"
#include "window_operations.h"

namespace kteval::ui::test {

// A window over the simulated board, taking command lines.
class RemoteBench {
  public:
    explicit RemoteBench(int partIndex) : bench(partIndex, true) {}

    // Runs one command line; the answer line, or "" when there is none.
    QString send(const QString& line) {
        const QByteArray bytes = line.toUtf8();
        const std::optional<std::string> answer =
            interpreter.executeLine(std::string_view(bytes.constData(), bytes.size()));
        return answer ? QString::fromStdString(*answer) : QString();
    }
    // The oldest queued error's code (0 when none).
    int nextError() { return send(QStringLiteral("SYST:ERR?")).section(',', 0, 0).toInt(); }

    Bench bench;
    WindowOperations operations{bench.window, true};
    remote::Interpreter interpreter{operations};
};

// Everything the window shows that a command may change, and the model.
inline QStringList picture(Bench& bench) {
    QStringList shown;
    for (const char* name : {"lblXA", "lblXB", "lblM", "lblC", "lblX2A", "lblX2B", "DACregister",
                             "lblOutputCode", "lblGPIOinput"}) {
        shown << bench.label(name)->text();
    }
    shown << bench.find<QGroupBox>("frmGroup")->title();
    for (QAbstractButton* option : bench.window.findChildren<QRadioButton*>()) {
        if (option->isChecked()) shown << option->objectName();
    }
    for (QLineEdit* entry : bench.window.findChildren<QLineEdit*>()) {
        shown << entry->objectName() + "=" + entry->text();
    }
    for (const char* name : {"cboDisable", "cboMonChannel"}) {
        QComboBox* box = bench.combo(name);
        shown
            << QStringLiteral("%1=%2 %3").arg(name).arg(box->currentIndex()).arg(box->isEnabled());
    }
    for (int i = 0; i < 40; ++i) shown << bench.label(QStringLiteral("lblvout_%1").arg(i))->text();
    const KT442xModule& m = bench.model();
    shown << QString::asprintf("model sel %d B %d mon %d off %d %d %d dl %d", m.SelectedDAC,
                               int(m.UseX1B), int(m.MonitorState), int(m.OffsetCode[0]),
                               int(m.OffsetCode[1]), int(m.OffsetCode[2]), int(m.DirectLoadIndex));
    for (int i = 0; i < 40; ++i) {
        const DAC& r = m.DACs(i);
        shown << QString::asprintf("%d: %d %d %d %d %d %d %d %d", i, int(r.X1A), int(r.X1B),
                                   int(r.M), int(r.C), int(r.X2A), int(r.X2B), int(r.DACreg),
                                   int(r.ABsel));
    }
    return shown;
}

}  // namespace kteval::ui::test
