#pragma once

class QCoreApplication;

namespace kteval::ui {

// SIGINT and SIGTERM end the application's event loop, so that a program
// without a window (a server stopped with Ctrl-C or by its service manager)
// closes its sockets and ends normally with exit code 0. Call once, after the
// application exists.
void quitOnTerminationSignals(QCoreApplication& app);

}  // namespace kteval::ui
