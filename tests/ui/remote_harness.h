#pragma once

// The main window driven by remote command lines.

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

}  // namespace kteval::ui::test
