// The reference for the start-up benchmark: a bare Qt program that shows an
// empty main window with a menu bar ("File", "About") of the same client size
// as kteval's main window, and runs the event loop.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("File"))->addAction(QStringLiteral("Exit"));
    window.menuBar()->addMenu(QStringLiteral("About"))->addAction(QStringLiteral("Version"));
    auto* client = new QWidget(&window);
    client->setFixedSize(801, 503);  // 12015 x 7545 twips
    window.setCentralWidget(client);
    window.show();
    return QApplication::exec();
}
