// Preloaded into a Qt Widgets program (LD_PRELOAD), this replaces the static
// QApplication::exec(): instead of running the event loop it delivers the
// pending events a few rounds (show, expose, layout, the first paint) and
// returns 0, so the program's start-up, first paint and exit can be timed as
// a whole process. With STARTUP_COUNT_PAINTS set it prints, on stderr, how
// many paint events reached top-level windows, to check that the first paint
// did happen.
#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kRounds = 5;

class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            ++paints;
        }
        return false;
    }
};

}  // namespace

// The mangled name of the static int QApplication::exec() of Qt 6.
extern "C" int _ZN12QApplication4execEv() {
    PaintCounter counter;
    const bool count = std::getenv("STARTUP_COUNT_PAINTS") != nullptr;
    if (count) QCoreApplication::instance()->installEventFilter(&counter);
    for (int round = 0; round < kRounds; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    if (count) {
        QCoreApplication::instance()->removeEventFilter(&counter);
        std::fprintf(stderr, "startup: %d paint event(s) on top-level windows\n", counter.paints);
    }
    return 0;
}
