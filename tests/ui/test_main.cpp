#include <QApplication>

int runMainLayoutTests(int argc, char** argv);
int runWindowTests(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = runMainLayoutTests(argc, argv);
    failures += runWindowTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
