#pragma once

// The main window driven by remote command lines, and a picture of what it
// shows, to compare with a twin window driven by the operator's clicks.

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
        return QString::fromStdString(interpreter.executeLine(line.toStdString()).value_or(""));
    }
    // The oldest queued error's code (0 when none).
    int nextError() { return send(QStringLiteral("SYST:ERR?")).section(',', 0, 0).toInt(); }

    Bench bench;
    WindowOperations operations{bench.window, true};
    remote::Interpreter interpreter{operations};
};

// Everything the window shows that a command may change, and the model.
inline QStringList picture(Bench& bench) {
    QStringList shown{bench.find<QGroupBox>("frmGroup")->title()};
    for (QLabel* label : bench.window.findChildren<QLabel*>(QRegularExpression(
             "^(lbl(XA|XB|M|C|X2A|X2B|OutputCode|GPIOinput|vout_\\d+)|DACregister)$")))
        shown << label->objectName() + "=" + label->text();
    for (QRadioButton* option : bench.window.findChildren<QRadioButton*>())
        if (option->isChecked()) shown << option->objectName();
    for (QLineEdit* entry : bench.window.findChildren<QLineEdit*>())
        shown << entry->objectName() + "=" + entry->text();
    for (const char* name : {"cboDisable", "cboMonChannel"}) {
        const QComboBox* box = bench.combo(name);
        shown
            << QStringLiteral("%1=%2 %3").arg(name).arg(box->currentIndex()).arg(box->isEnabled());
    }
    const KT442xModule& m = bench.model();
    shown << QString::asprintf("sel %d B %d mon %d off %d %d %d dl %d", m.SelectedDAC,
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
